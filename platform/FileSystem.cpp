#include "platform/FileSystem.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <ctime>
#include <fstream>
#include <functional>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#ifndef NOMINMAX  // MinGW's C++ library defines it already
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
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

// Beside the target, so that the final rename stays within one file system and is atomic; hidden,
// since it is only there while a run writes. A name that would grow beyond what a file system
// takes is shortened, and a digest of it keeps it apart from its neighbours.
std::filesystem::path TemporaryPathFor(const std::filesystem::path& target)
{
    constexpr std::size_t longestName = 200;
    std::string name = NarrowFromPath(target.filename());
    if (name.size() > longestName) {
        const std::size_t digest = std::hash<std::string>{}(name);
        name = name.substr(0, longestName) + "-" + std::to_string(digest);
    }
    return target.parent_path() / PathFromNarrow("." + name + ".part");
}

#ifndef _WIN32
// The temporary files open now, for RemoveTemporaryFiles. Global because a signal handler reaches
// nothing else; fixed slots of plain characters because a handler may neither allocate nor lock.
// A writer takes a slot for itself (`taken`); the handler reads its path only while it is `ready`.
struct TemporaryName {
    std::atomic<bool> taken{false};
    std::atomic<bool> ready{false};
    char path[4096] = {};
};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler may only use lock-free atomics");
TemporaryName temporaryNames[16];
// A child forked from the program shares its memory until it runs a program of its own, and must
// not remove the program's files when a signal ends it meanwhile.
const pid_t temporaryNamesOwner = ::getpid();

// The slot that now holds `path`, or -1 when none is free or the path is too long for one; such a
// file is left behind by a signal, for the next writer to take over.
int RememberTemporary(const std::string& path)
{
    if (path.size() >= sizeof TemporaryName::path)
        return -1;
    for (int slot = 0; slot < static_cast<int>(std::size(temporaryNames)); ++slot) {
        TemporaryName& name = temporaryNames[slot];
        if (name.taken.exchange(true))
            continue;
        std::memcpy(name.path, path.c_str(), path.size() + 1);
        name.ready.store(true, std::memory_order_release);
        return slot;
    }
    return -1;
}

void ForgetTemporary(int& slot)
{
    if (slot < 0)
        return;
    temporaryNames[slot].ready.store(false, std::memory_order_release);
    temporaryNames[slot].taken.store(false, std::memory_order_release);
    slot = -1;
}

mode_t CurrentUmask()
{
    // Linux shows it in /proc; umask() can only read it by changing it for a moment.
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// Makes a rename inside the folder survive a power cut.
void SyncFolder(const std::filesystem::path& folder)
{
    const int descriptor = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}
#endif

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
    // st_ctime is the creation time on Windows.
    return FileStatus{info.st_size, FormatLocalTime(std::min(info.st_ctime, info.st_mtime))};
#else
    struct statx info {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_SIZE | STATX_BTIME | STATX_MTIME, &info) != 0)
        return std::nullopt;
    const bool hasBirthTime = (info.stx_mask & STATX_BTIME) != 0;
    const std::time_t modified = info.stx_mtime.tv_sec;
    const std::time_t older = hasBirthTime ? std::min<std::time_t>(info.stx_btime.tv_sec, modified) : modified;
    return FileStatus{static_cast<std::int64_t>(info.stx_size), FormatLocalTime(older)};
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
    const auto size = std::filesystem::file_size(PathFromNarrow(path), error);
    return {std::move(file), Failure::None, error ? 0 : static_cast<std::uint64_t>(size)};
#else
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return {nullptr, failureFor(errno)};
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        return {nullptr, Failure::NotRegular};
    }
    // O_NONBLOCK stays: it changes nothing for a regular file.
    UniqueFile file(::fdopen(descriptor, "rb"));
    if (!file) {
        ::close(descriptor);
        return {nullptr, Failure::Other};
    }
    return {std::move(file), Failure::None, static_cast<std::uint64_t>(info.st_size)};
#endif
}

bool CanListFolder(const std::string& folder, std::error_code* error)
{
    std::error_code listingError;
    std::filesystem::directory_iterator entries(PathFromNarrow(folder), listingError);
    if (error != nullptr)
        *error = listingError;
    return !listingError;
}

bool IsSystemPath(const std::string& path)
{
#ifdef _WIN32
    (void)path;
    return false;
#else
    for (const char* system : {"/dev/", "/proc/", "/sys/"})
        if (path.rfind(system, 0) == 0)
            return true;
    return false;
#endif
}

bool IsSpecialFile(const std::string& path)
{
    std::error_code error;
    const auto status = std::filesystem::status(PathFromNarrow(path), error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status);
}

ReplacementFile::~ReplacementFile()
{
    Discard();
}

ReplacementFile::Opening ReplacementFile::Failed(int error)
{
    m_error = error != 0 ? error : EIO;
    return Opening::Failed;
}

bool ReplacementFile::Succeeded(int error)
{
    if (error != 0)
        m_error = error;
    return error == 0;
}

#ifdef _WIN32

ReplacementFile::Opening ReplacementFile::Open(const std::string& path)
{
    Discard();
    m_error = 0;
    const std::filesystem::path target = PathFromNarrow(path);
    struct _stat64 existing {};
    const bool exists = _wstat64(target.c_str(), &existing) == 0;
    if (exists && (existing.st_mode & _S_IFREG) == 0) {
        m_stream = _wfopen(target.c_str(), L"w");
        if (m_stream == nullptr)
            return Failed(errno);
        m_target = path;
        return Opening::Opened;
    }
    if (exists && _waccess(target.c_str(), 2) != 0)
        return Failed(errno);
    // A file opened without sharing is the lock: no other writer can open it until it is closed.
    const std::filesystem::path temporary = TemporaryPathFor(target);
    int descriptor = -1;
    const errno_t error =
        _wsopen_s(&descriptor, temporary.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_TEXT | _O_NOINHERIT, _SH_DENYRW,
                  _S_IREAD | _S_IWRITE);
    if (error != 0)
        return error == EACCES && std::filesystem::exists(temporary) ? Opening::InUse : Failed(error);
    m_stream = _fdopen(descriptor, "w");
    if (m_stream == nullptr) {
        _close(descriptor);
        return Failed(errno);
    }
    m_target = path;
    m_temporary = NarrowFromPath(temporary);
    return Opening::Opened;
}

bool ReplacementFile::Prepare()
{
    if (m_stream == nullptr)
        return m_error == 0;
    std::FILE* stream = std::exchange(m_stream, nullptr);
    int error = std::fflush(stream) == 0 ? 0 : errno;
    if (error == 0 && !m_temporary.empty() && _commit(_fileno(stream)) != 0)
        error = errno;
    // Closed here rather than after the rename, as Windows renames no file that is open. The lock
    // goes with it: another writer may take the temporary name over until PutInPlace.
    if (std::fclose(stream) != 0 && error == 0)
        error = errno;
    if (error != 0 && !m_temporary.empty())
        _wremove(PathFromNarrow(std::exchange(m_temporary, std::string())).c_str());
    return Succeeded(error);
}

bool ReplacementFile::PutInPlace()
{
    if (!Prepare())
        return false;
    if (m_temporary.empty())
        return true;
    const std::filesystem::path temporary = PathFromNarrow(std::exchange(m_temporary, std::string()));
    int error = 0;
    if (!MoveFileExW(temporary.c_str(), PathFromNarrow(m_target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = EACCES;
        _wremove(temporary.c_str());
    }
    return Succeeded(error);
}

void ReplacementFile::Discard()
{
    if (m_stream != nullptr)
        std::fclose(std::exchange(m_stream, nullptr));
    if (!m_temporary.empty())
        _wremove(PathFromNarrow(std::exchange(m_temporary, std::string())).c_str());
}

#else

ReplacementFile::Opening ReplacementFile::Open(const std::string& path)
{
    Discard();
    m_error = 0;
    // Replacing what /dev/stdout leads to would put a new file in the place of the one the caller's
    // shell opened, and lose its earlier lines under ">>".
    if (IsSystemPath(path)) {
        m_stream = std::fopen(path.c_str(), "a");
        if (m_stream == nullptr)
            return Failed(errno);
        m_target = path;
        return Opening::Opened;
    }
    // Through a link to the file it names: that file is replaced and the link stays.
    std::string target = path;
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        std::error_code ignored;
        const auto resolved = std::filesystem::weakly_canonical(path, ignored);
        if (!ignored)
            target = resolved.native();
    }
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        m_stream = std::fopen(target.c_str(), "w");
        if (m_stream == nullptr)
            return Failed(errno);
        m_target = target;
        return Opening::Opened;
    }
    // Renaming over a file needs only the folder's permission; the file's own must count as before.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return Failed(errno);

    const std::string temporary = TemporaryPathFor(target).native();
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (descriptor < 0)
            return Failed(errno);
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(descriptor);
            return error == EWOULDBLOCK ? Opening::InUse : Failed(error);
        }
        // The writer that held the lock may have renamed or removed the file meanwhile: the lock
        // counts only on the file that still has the name.
        struct stat opened {};
        struct stat named {};
        if (::fstat(descriptor, &opened) != 0 || ::stat(temporary.c_str(), &named) != 0 ||
            opened.st_dev != named.st_dev || opened.st_ino != named.st_ino) {
            ::close(descriptor);
            continue;
        }
        // Left by a writer that died, or new: either way it starts empty, with the target's
        // permissions (or the usual ones for a new file) and, where allowed, its owner.
        if (exists && (existing.st_uid != opened.st_uid || existing.st_gid != opened.st_gid)) {
            [[maybe_unused]] const int kept = ::fchown(descriptor, existing.st_uid, existing.st_gid);
        }
        const mode_t mode = exists ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask());
        if (::ftruncate(descriptor, 0) != 0 || ::fchmod(descriptor, mode) != 0 ||
            (m_stream = ::fdopen(descriptor, "w")) == nullptr) {
            const int error = errno;
            ::unlink(temporary.c_str());
            ::close(descriptor);
            return Failed(error);
        }
        m_target = target;
        m_temporary = temporary;
        m_removalSlot = RememberTemporary(temporary);
        return Opening::Opened;
    }
    return Failed(EBUSY);
}

bool ReplacementFile::Prepare()
{
    if (m_stream == nullptr || m_prepared)
        return m_error == 0;
    int error = std::fflush(m_stream) == 0 ? 0 : errno;
    if (m_temporary.empty()) {
        // Written directly, there is nothing to put in place; a device may report a failure only
        // as it is closed.
        if (std::fclose(std::exchange(m_stream, nullptr)) != 0 && error == 0)
            error = errno;
        return Succeeded(error);
    }
    // Synced before the rename, so that the name never points at data that is not yet on disk.
    if (error == 0 && ::fsync(::fileno(m_stream)) != 0)
        error = errno;
    if (error != 0) {
        Discard();
        return Succeeded(error);
    }
    m_prepared = true;
    return true;
}

bool ReplacementFile::PutInPlace()
{
    if (!Prepare() || m_stream == nullptr)
        return m_error == 0;
    const std::string temporary = std::exchange(m_temporary, std::string());
    m_prepared = false;
    // Renamed before the close, while the lock still holds.
    const int error = ::rename(temporary.c_str(), m_target.c_str()) == 0 ? 0 : errno;
    if (error != 0)
        ::unlink(temporary.c_str());
    ForgetTemporary(m_removalSlot);
    std::fclose(std::exchange(m_stream, nullptr));
    if (!Succeeded(error))
        return false;
    SyncFolder(std::filesystem::path(m_target).parent_path());
    return true;
}

void ReplacementFile::Discard()
{
    m_prepared = false;
    if (m_stream == nullptr)
        return;
    if (!m_temporary.empty())
        ::unlink(std::exchange(m_temporary, std::string()).c_str());
    ForgetTemporary(m_removalSlot);
    std::fclose(std::exchange(m_stream, nullptr));
}

#endif

bool ReplacementFile::ReplacesAFile() const
{
    std::error_code error;
    return !m_temporary.empty() && std::filesystem::exists(PathFromNarrow(m_target), error);
}

void RemoveTemporaryFiles()
{
#ifndef _WIN32
    if (::getpid() != temporaryNamesOwner)
        return;
    for (TemporaryName& name : temporaryNames)
        if (name.ready.load(std::memory_order_acquire))
            ::unlink(name.path);
#endif
}

std::string ErrorText(int errorNumber)
{
    return std::generic_category().message(errorNumber);
}

}  // namespace platform
