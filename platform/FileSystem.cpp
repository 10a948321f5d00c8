#include "platform/FileSystem.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <climits>
#include <random>
#include <string_view>
#include <vector>
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
#include <dirent.h>
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

// A hidden name beside the target's, for the files a writer keeps there while it writes: beside the
// target, so that the final rename stays within one file system and is atomic; hidden, since they
// are only there while a run writes. A name that would grow beyond what a file system takes is
// shortened, and a digest of it keeps it apart from its neighbours.
std::string HiddenName(const std::string& target, const std::string& suffix)
{
    constexpr std::size_t longestName = 200;
    std::string name = target;
    if (name.size() > longestName) {
        const std::size_t digest = std::hash<std::string>{}(name);
        name = name.substr(0, longestName) + "-" + std::to_string(digest);
    }
    return "." + name + suffix;
}

#ifndef _WIN32
// The temporary files open now, for RemoveTemporaryFiles. Global because a signal handler reaches
// nothing else; fixed slots of plain characters because a handler may neither allocate nor lock.
// A writer takes a slot for itself (`taken`); the handler reads it only while it is `ready`.
struct TemporaryName {
    std::atomic<bool> taken{false};
    std::atomic<bool> ready{false};
    int folder = -1;
    char name[NAME_MAX + 1] = {};
    char lock[NAME_MAX + 1] = {};  // empty when the writer holds no lock file
};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler may only use lock-free atomics");
TemporaryName temporaryNames[16];
// A child forked from the program shares its memory until it runs a program of its own, and must
// not remove the program's files when a signal ends it meanwhile.
const pid_t temporaryNamesOwner = ::getpid();

// The slot that now holds the names, or -1 when none is free; such a file is left behind by a
// signal, for the next writer of the same user to remove.
int RememberTemporary(int folder, const std::string& name, const std::string& lock)
{
    if (name.size() > NAME_MAX || lock.size() > NAME_MAX)
        return -1;
    for (int slot = 0; slot < static_cast<int>(std::size(temporaryNames)); ++slot) {
        TemporaryName& entry = temporaryNames[slot];
        if (entry.taken.exchange(true))
            continue;
        entry.folder = folder;
        std::memcpy(entry.name, name.c_str(), name.size() + 1);
        std::memcpy(entry.lock, lock.c_str(), lock.size() + 1);
        entry.ready.store(true, std::memory_order_release);
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

// The folder a path lies in, open, and the name in it. A path longer than the system takes (a
// photo thousands of folders deep) is followed a part at a time; -1, with errno set, when it cannot
// be; AT_FDCWD for a path the system takes as it is, which is then `name`.
int OpenFolderOf(const std::string& path, std::string& name)
{
    if (path.size() < PATH_MAX) {
        name = path;
        return AT_FDCWD;
    }
    const auto slash = path.rfind('/');
    name = path.substr(slash + 1);
    const std::string folder = path.substr(0, slash + 1);
    int at = AT_FDCWD;
    for (std::size_t from = 0; from < folder.size();) {
        std::size_t to = folder.size();
        if (to - from >= PATH_MAX) {
            const auto last = folder.rfind('/', from + PATH_MAX - 2);
            if (last == std::string::npos || last < from) {
                if (at != AT_FDCWD)
                    ::close(at);
                errno = ENAMETOOLONG;
                return -1;
            }
            to = last + 1;
        }
        const int next = ::openat(at, folder.substr(from, to - from).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const int error = errno;
        if (at != AT_FDCWD)
            ::close(at);
        if (next < 0) {
            errno = error;
            return -1;
        }
        at = next;
        from = to;
    }
    return at;
}

// Closes a folder OpenFolderOf opened.
void CloseFolder(int folder)
{
    if (folder >= 0)
        ::close(folder);
}

// How many links in a row a name may lead through, as the kernel allows.
constexpr int mostLinksFollowed = 40;

// Whether the kernel's rule for shared folders (protected_symlinks) lets a link be followed: in a
// sticky folder anyone may write to, only a link of the running user or of the folder's owner. Any
// other user could have planted it there to turn the output onto a file of their choosing, such as
// one only the running user may write.
bool MayFollow(const struct stat& folder, const struct stat& link)
{
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return !shared || link.st_uid == ::geteuid() || link.st_uid == folder.st_uid;
}

// The folder part of a path (with its trailing "/", or empty for the current folder) and the name.
std::pair<std::string, std::string> FolderAndName(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {std::string(), path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// The text of a link; empty, with errno set, when it cannot be read.
std::optional<std::string> ReadLink(int folder, const std::string& name)
{
    std::string text(PATH_MAX, '\0');
    const ssize_t length = ::readlinkat(folder, name.c_str(), text.data(), text.size());
    if (length < 0)
        return std::nullopt;
    if (static_cast<std::size_t>(length) >= text.size()) {
        errno = ENAMETOOLONG;
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(length));
    return text;
}

bool SameFile(const struct stat& one, const struct stat& other)
{
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// Whether the descriptor still stands for the file `name` names in the folder: a lock taken on a
// file that another writer has meanwhile removed or renamed counts for nothing.
bool StillNamed(int descriptor, int folder, const std::string& name)
{
    struct stat opened {};
    struct stat named {};
    return ::fstat(descriptor, &opened) == 0 && ::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           SameFile(opened, named);
}

constexpr std::size_t randomLetters = 8;

std::string RandomLetters()
{
    static constexpr std::string_view letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::string text;
    for (std::size_t i = 0; i < randomLetters; ++i)
        text += letters[random() % letters.size()];
    return text;
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

bool IsFolderSeparator(char c)
{
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    return c == '/';
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
    std::string name;
    const int folder = OpenFolderOf(path, name);
    struct statx info {};
    const bool known =
        folder != -1 && statx(folder, name.c_str(), 0, STATX_SIZE | STATX_BTIME | STATX_MTIME, &info) == 0;
    CloseFolder(folder);
    if (!known)
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
    std::string name;
    const int folder = OpenFolderOf(path, name);
    if (folder == -1)
        return {nullptr, failureFor(errno)};
    const int descriptor = ::openat(folder, name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const int error = errno;
    CloseFolder(folder);
    if (descriptor < 0)
        return {nullptr, failureFor(error)};
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
    Release();
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
    const std::filesystem::path temporary =
        target.parent_path() / PathFromNarrow(HiddenName(NarrowFromPath(target.filename()), ".part"));
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

void ReplacementFile::Release() {}

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
    // Through a link to the file it names: that file is replaced and the link stays. Each link is
    // read here, in its folder, rather than left to the system, as a rename never follows one.
    std::string target = path;
    struct stat existing {};
    bool exists = false;
    for (int links = 0;; ++links) {
        const auto [folder, name] = FolderAndName(target);
        if (name.empty() || name == "." || name == "..")
            return Failed(EISDIR);
        m_folder = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_folder < 0)
            return Failed(errno);
        m_name = name;
        exists = ::fstatat(m_folder, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
        if (!exists && errno != ENOENT)
            return Failed(errno);
        if (!exists || !S_ISLNK(existing.st_mode))
            break;
        struct stat folderStatus {};
        if (links == mostLinksFollowed || ::fstat(m_folder, &folderStatus) != 0)
            return Failed(ELOOP);
        if (!MayFollow(folderStatus, existing)) {
            Release();
            m_error = EPERM;
            return Opening::UntrustedLink;
        }
        const std::optional<std::string> linked = ReadLink(m_folder, name);
        if (!linked)
            return Failed(errno);
        target = linked->starts_with('/') ? *linked : folder + *linked;
        Release();
    }
    m_target = target;
    if (exists && !S_ISREG(existing.st_mode)) {
        const int descriptor = ::openat(m_folder, m_name.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
        struct stat opened {};
        if (descriptor >= 0 && (::fstat(descriptor, &opened) != 0 || S_ISREG(opened.st_mode))) {
            // Replaced by a regular file since it was looked at: that one is not to be written over.
            ::close(descriptor);
            return Failed(EAGAIN);
        }
        if (descriptor < 0 || (m_stream = ::fdopen(descriptor, "w")) == nullptr) {
            const int error = errno;
            if (descriptor >= 0)
                ::close(descriptor);
            return Failed(error);
        }
        return Opening::Opened;
    }
    // Renaming over a file needs only the folder's permission; the file's own must count as before.
    if (exists && ::faccessat(m_folder, m_name.c_str(), W_OK, AT_EACCESS) != 0)
        return Failed(errno);
    m_finalMode = exists ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask());
    m_finalOwner = exists ? static_cast<long long>(existing.st_uid) : -1;
    m_finalGroup = exists ? static_cast<long long>(existing.st_gid) : -1;
    if (!TakeLock()) {
        Release();
        return Opening::InUse;
    }
    // Only a writer that holds the lock may take leftovers for dead: without it, another writer's
    // file may be one it has made and not locked yet.
    if (m_lock >= 0)
        RemoveLeftovers();

    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temporary = HiddenName(m_name, "." + RandomLetters() + ".part");
        const int descriptor =
            ::openat(m_folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (descriptor < 0 && errno == EEXIST)
            continue;
        if (descriptor < 0)
            return Failed(errno);
        // Held until the file is gone, so that a later writer of the same target can tell it from
        // one left by a writer that died.
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0 || (m_stream = ::fdopen(descriptor, "w")) == nullptr) {
            const int error = errno;
            ::unlinkat(m_folder, temporary.c_str(), 0);
            ::close(descriptor);
            return Failed(error);
        }
        m_temporary = temporary;
        m_removalSlot = RememberTemporary(m_folder, m_temporary, m_lock >= 0 ? m_lockName : std::string());
        return Opening::Opened;
    }
    return Failed(EEXIST);
}

bool ReplacementFile::TakeLock()
{
    const std::string lockName = HiddenName(m_name, ".lock");
    for (int attempt = 0; attempt < 8; ++attempt) {
        // Never followed, never waited on: O_NONBLOCK opens a pipe without a writer at once.
        const int descriptor =
            ::openat(m_folder, lockName.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (descriptor < 0)
            return true;  // a link or a folder of that name, or no right to make one: no lock to be had
        struct stat opened {};
        // A lock file is empty and its writer's own; anything else is not one of ours.
        if (::fstat(descriptor, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_uid != ::geteuid() ||
            opened.st_size != 0 || opened.st_nlink != 1) {
            ::close(descriptor);
            return true;
        }
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(descriptor);
            return error != EWOULDBLOCK;
        }
        if (!StillNamed(descriptor, m_folder, lockName)) {
            ::close(descriptor);
            continue;
        }
        m_lock = descriptor;
        m_lockName = lockName;
        return true;
    }
    return false;
}

void ReplacementFile::RemoveLeftovers() const
{
    // ".NAME.XXXXXXXX.part", and ".NAME.part" of earlier versions of the program.
    const std::string prefix = HiddenName(m_name, ".");
    const std::string fixed = HiddenName(m_name, ".part");
    const auto isTemporary = [&](std::string_view name) {
        return name == fixed || (name.size() == prefix.size() + randomLetters + 5 && name.starts_with(prefix) &&
                                 name.ends_with(".part"));
    };
    std::vector<std::string> names;
    const int listing = ::openat(m_folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* entries = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (entries == nullptr) {
        if (listing >= 0)
            ::close(listing);
        return;
    }
    while (const dirent* entry = ::readdir(entries))
        if (isTemporary(entry->d_name))
            names.emplace_back(entry->d_name);
    ::closedir(entries);

    for (const std::string& name : names) {
        struct stat named {};
        if (::fstatat(m_folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(named.st_mode) ||
            named.st_uid != ::geteuid() || named.st_nlink != 1)
            continue;
        const int descriptor = ::openat(m_folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (descriptor < 0)
            continue;
        // A writer that still holds its file is alive.
        if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0 && StillNamed(descriptor, m_folder, name))
            ::unlinkat(m_folder, name.c_str(), 0);
        ::close(descriptor);
    }
}

void ReplacementFile::Release()
{
    if (m_lock >= 0) {
        // Removed while still held: a writer that opened it meanwhile finds its name gone once it
        // has the lock, and makes a new one.
        ::unlinkat(m_folder, m_lockName.c_str(), 0);
        ::close(std::exchange(m_lock, -1));
    }
    if (m_folder >= 0)
        ::close(std::exchange(m_folder, -1));
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
        Release();
        return Succeeded(error);
    }
    // Complete now, the file takes the target's owner (where allowed) and permissions: the owner
    // first, as a change of owner clears the set-user bits.
    const int descriptor = ::fileno(m_stream);
    if (error == 0 && m_finalOwner >= 0) {
        struct stat written {};
        if (::fstat(descriptor, &written) == 0 && (static_cast<long long>(written.st_uid) != m_finalOwner ||
                                                   static_cast<long long>(written.st_gid) != m_finalGroup)) {
            [[maybe_unused]] const int kept =
                ::fchown(descriptor, static_cast<uid_t>(m_finalOwner), static_cast<gid_t>(m_finalGroup));
        }
    }
    if (error == 0 && ::fchmod(descriptor, static_cast<mode_t>(m_finalMode)) != 0)
        error = errno;
    // Synced before the rename, so that the name never points at data that is not yet on disk.
    if (error == 0 && ::fsync(descriptor) != 0)
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
    // Renamed before the close, while the locks still hold.
    const int error = ::renameat(m_folder, temporary.c_str(), m_folder, m_name.c_str()) == 0 ? 0 : errno;
    if (error != 0)
        ::unlinkat(m_folder, temporary.c_str(), 0);
    ForgetTemporary(m_removalSlot);
    std::fclose(std::exchange(m_stream, nullptr));
    // Makes the rename survive a power cut.
    if (error == 0)
        ::fsync(m_folder);
    Release();
    return Succeeded(error);
}

void ReplacementFile::Discard()
{
    m_prepared = false;
    if (m_stream != nullptr) {
        if (!m_temporary.empty())
            ::unlinkat(m_folder, std::exchange(m_temporary, std::string()).c_str(), 0);
        ForgetTemporary(m_removalSlot);
        std::fclose(std::exchange(m_stream, nullptr));
    }
    Release();
}

#endif

bool ReplacementFile::ReplacesAFile() const
{
    if (m_temporary.empty())
        return false;
#ifdef _WIN32
    std::error_code error;
    return std::filesystem::exists(PathFromNarrow(m_target), error);
#else
    struct stat existing {};
    return ::fstatat(m_folder, m_name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
#endif
}

void RemoveTemporaryFiles()
{
#ifndef _WIN32
    if (::getpid() != temporaryNamesOwner)
        return;
    for (const TemporaryName& entry : temporaryNames) {
        if (!entry.ready.load(std::memory_order_acquire))
            continue;
        ::unlinkat(entry.folder, entry.name, 0);
        if (entry.lock[0] != '\0')
            ::unlinkat(entry.folder, entry.lock, 0);
    }
#endif
}

std::string ErrorText(int errorNumber)
{
    return std::generic_category().message(errorNumber);
}

}  // namespace platform
