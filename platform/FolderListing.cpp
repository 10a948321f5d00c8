#include "platform/FolderListing.h"

#include "platform/FileSystem.h"

#include <cerrno>
#include <filesystem>
#include <string_view>
#include <utility>

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

#ifdef _WIN32

struct FolderListing::Handle {
    std::filesystem::path path;
};

FolderListing::FolderListing(const std::string& path) : m_handle(std::make_unique<Handle>())
{
    m_handle->path = PathFromNarrow(path);
    std::filesystem::directory_iterator check(m_handle->path, m_error);
}

FolderListing::FolderListing(const FolderListing& parent, const std::string& name)
    : m_handle(std::make_unique<Handle>())
{
    m_handle->path = parent.m_handle->path / PathFromNarrow(name);
    std::filesystem::directory_iterator check(m_handle->path, m_error);
}

std::string FolderListing::Identity() const
{
    std::error_code error;
    return NarrowFromPath(std::filesystem::canonical(m_handle->path, error));
}

std::vector<FolderListing::Entry> FolderListing::Entries()
{
    std::vector<Entry> entries;
    std::filesystem::directory_iterator listing(m_handle->path, m_error);
    for (; !m_error && listing != std::filesystem::directory_iterator(); listing.increment(m_error)) {
        std::error_code typeError;
        entries.push_back({NarrowFromPath(listing->path().filename()), listing->is_directory(typeError)});
    }
    return entries;
}

void FolderListing::Close() {}

#else

namespace {

bool IsDotOrDotDot(std::string_view name)
{
    return name == "." || name == "..";
}

}  // namespace

struct FolderListing::Handle {
    int folder = -1;
    std::string identity;

    void Open(int at, const char* name, std::error_code& error)
    {
        folder = ::openat(at, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat status {};
        if (folder < 0 || ::fstat(folder, &status) != 0) {
            error = std::error_code(errno, std::generic_category());
            return;
        }
        identity = std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
    }
};

FolderListing::FolderListing(const std::string& path) : m_handle(std::make_unique<Handle>())
{
    m_handle->Open(AT_FDCWD, path.c_str(), m_error);
}

FolderListing::FolderListing(const FolderListing& parent, const std::string& name)
    : m_handle(std::make_unique<Handle>())
{
    m_handle->Open(parent.m_handle->folder, name.c_str(), m_error);
}

std::string FolderListing::Identity() const
{
    return m_handle->identity;
}

std::vector<FolderListing::Entry> FolderListing::Entries()
{
    std::vector<Entry> entries;
    // The listing reads through a handle of its own, which closedir closes.
    const int listed = m_handle->folder >= 0 ? ::dup(m_handle->folder) : -1;
    DIR* listing = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (listing == nullptr) {
        m_error = std::error_code(m_handle->folder >= 0 ? errno : EBADF, std::generic_category());
        if (listed >= 0)
            ::close(listed);
        return entries;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(listing);
        if (entry == nullptr) {
            if (errno != 0)
                m_error = std::error_code(errno, std::generic_category());
            break;
        }
        if (IsDotOrDotDot(entry->d_name))
            continue;
        bool folder = entry->d_type == DT_DIR;
        // A link is a folder when what it leads to is; some file systems give no type at all.
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat status {};
            folder = ::fstatat(m_handle->folder, entry->d_name, &status, 0) == 0 && S_ISDIR(status.st_mode);
        }
        entries.push_back({entry->d_name, folder});
    }
    ::closedir(listing);
    return entries;
}

void FolderListing::Close()
{
    if (m_handle && m_handle->folder >= 0)
        ::close(std::exchange(m_handle->folder, -1));
}

#endif

FolderListing::~FolderListing()
{
    Close();
}

FolderListing::FolderListing(FolderListing&&) noexcept = default;

FolderListing& FolderListing::operator=(FolderListing&& other) noexcept
{
    if (this != &other) {
        Close();
        m_handle = std::move(other.m_handle);
        m_error = other.m_error;
    }
    return *this;
}

}  // namespace platform
