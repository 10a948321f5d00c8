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

FileForReading OpenRegularFileForReading(const std::string& path)
{
    using Failure = FileForReading::Failure;
    const auto failureFor = [](int error) {
        switch (error) {
        case EACCES:
        case EPERM:
            return Failure::NoPermission;
        case ENOENT:
        case ENOTDIR:
        case ELOOP:
            return Failure::Missing;
        default:
            return Failure::Other;
        }
    };
#ifdef _WIN32
    std::error_code error;
    if (!std::filesystem::is_regular_file(PathFromNarrow(path), error))
        return {nullptr, error ? failureFor(error.value()) : Failure::NotRegular};
    UniqueFile file(_wfopen(PathFromNarrow(path).c_str(), L"rb"));
    if (!file)
        return {nullptr, failureFor(errno)};
    return {std::move(file), Failure::None};
#else
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return {nullptr, failureFor(errno)};
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        return {nullptr, Failure::NotRegular};
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    UniqueFile file(::fdopen(descriptor, "rb"));
    if (!file) {
        ::close(descriptor);
        return {nullptr, Failure::Other};
    }
    return {std::move(file), Failure::None};
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
