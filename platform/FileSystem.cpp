#include "platform/FileSystem.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <system_error>

#ifdef _WIN32
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

std::string FormatLocalTime(std::time_t seconds)
{
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &seconds) != 0)
        return {};
#else
    if (localtime_r(&seconds, &local) == nullptr)
        return {};
#endif
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, "%Y:%m:%d %H:%M:%S", &local);
    return std::string(buffer, length);
}

}  // namespace

char NativeSeparator()
{
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

std::filesystem::path PathFromNarrow(const std::string& text)
{
#ifdef _WIN32
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
#else
    return std::filesystem::path(text);
#endif
}

std::string NarrowFromPath(const std::filesystem::path& path)
{
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.native();
#endif
}

std::optional<FileStatus> ReadFileStatus(const std::string& path)
{
#ifdef _WIN32
    struct _stat64 info {};
    if (_wstat64(PathFromNarrow(path).c_str(), &info) != 0)
        return std::nullopt;
    return FileStatus{info.st_size, FormatLocalTime(info.st_ctime)};  // st_ctime is the creation time on Windows
#else
    struct statx info {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_SIZE | STATX_BTIME | STATX_MTIME, &info) != 0)
        return std::nullopt;
    const bool hasBirthTime = (info.stx_mask & STATX_BTIME) != 0;
    const std::time_t created = hasBirthTime ? info.stx_btime.tv_sec : info.stx_mtime.tv_sec;
    return FileStatus{static_cast<std::int64_t>(info.stx_size), FormatLocalTime(created)};
#endif
}

bool CanListFolder(const std::string& folder)
{
    std::error_code error;
    std::filesystem::directory_iterator entries(PathFromNarrow(folder), error);
    return !error;
}

std::FILE* OpenTextFileForWriting(const std::string& path)
{
#ifdef _WIN32
    return _wfopen(PathFromNarrow(path).c_str(), L"w");
#else
    return std::fopen(path.c_str(), "w");
#endif
}

std::string ErrorText(int errorNumber)
{
    return std::generic_category().message(errorNumber);
}

}  // namespace platform
