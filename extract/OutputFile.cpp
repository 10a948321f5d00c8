#include "extract/OutputFile.h"

#include "platform/FileSystem.h"

#include <cerrno>

bool OutputFile::Open(const std::string& path)
{
    errno = 0;
    m_file.reset(platform::OpenTextFileForWriting(path));
    m_errorNumber = m_file ? 0 : (errno != 0 ? errno : EIO);
    return m_file != nullptr;
}

bool OutputFile::WriteLine(std::string_view line)
{
    if (!m_file || Failed())
        return false;
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), m_file.get()) != line.size() || std::fputc('\n', m_file.get()) == EOF) {
        m_errorNumber = errno != 0 ? errno : EIO;
        return false;
    }
    return true;
}

bool OutputFile::Close()
{
    if (!m_file)
        return !Failed();
    errno = 0;
    const bool flushed = std::fflush(m_file.get()) == 0;
    const int flushError = errno;
    errno = 0;
    const bool closed = std::fclose(m_file.release()) == 0;
    if (!Failed() && (!flushed || !closed))
        m_errorNumber = !flushed ? (flushError != 0 ? flushError : EIO) : (errno != 0 ? errno : EIO);
    return !Failed();
}

std::string OutputFile::ErrorText() const
{
    return platform::ErrorText(m_errorNumber);
}
