#include "extract/OutputFile.h"

#include <cerrno>
#include <cstdio>

OutputFile::Opening OutputFile::Open(const std::string& path)
{
    m_standardOutput = false;
    const Opening opening = m_file.Open(path);
    m_errorNumber = opening == Opening::Failed ? m_file.Error() : 0;
    return opening;
}

void OutputFile::OpenStandardOutput()
{
    m_file.Discard();
    m_standardOutput = true;
    m_errorNumber = 0;
}

std::FILE* OutputFile::Stream() const
{
    return m_standardOutput ? stdout : m_file.Stream();
}

bool OutputFile::Write(std::string_view text)
{
    std::FILE* stream = Stream();
    if (stream == nullptr || Failed())
        return false;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stream) != text.size()) {
        m_errorNumber = errno != 0 ? errno : EIO;
        return false;
    }
    return true;
}

bool OutputFile::WriteLine(std::string_view line)
{
    return Write(line) && Write("\n");
}

bool OutputFile::Prepare()
{
    if (Failed()) {
        Discard();
        return false;
    }
    if (m_standardOutput) {
        errno = 0;
        if (std::fflush(stdout) != 0)
            m_errorNumber = errno != 0 ? errno : EIO;
        return !Failed();
    }
    if (!m_file.Prepare())
        m_errorNumber = m_file.Error();
    return !Failed();
}

bool OutputFile::PutInPlace()
{
    if (!Prepare())
        return false;
    if (!m_standardOutput && !m_file.PutInPlace())
        m_errorNumber = m_file.Error();
    return !Failed();
}

void OutputFile::Discard()
{
    m_file.Discard();
}

std::string OutputFile::ErrorText() const
{
    return platform::ErrorText(m_errorNumber);
}
