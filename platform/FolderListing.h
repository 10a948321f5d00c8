#pragma once
// The entries of one folder, for a walk down a folder tree. On POSIX systems a sub-folder is opened
// through its parent's handle (openat), never by its path, so that the time and memory a walk takes
// grow with the depth of the tree rather than its cube, and no folder is out of reach because its
// path is longer than the system takes. Windows lists by path.

#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace platform {

class FolderListing {
public:
    struct Entry {
        std::string name;
        bool folder = false;  // a folder, or a link to one
    };

    // Opens the folder at `path`; see Failed().
    explicit FolderListing(const std::string& path);
    // Opens the sub-folder (or link to one) `name` of an open folder.
    FolderListing(const FolderListing& parent, const std::string& name);
    ~FolderListing();
    FolderListing(FolderListing&&) noexcept;
    FolderListing& operator=(FolderListing&&) noexcept;

    // Why the folder could not be opened, or could not be listed to its end; empty when it could.
    std::error_code Failed() const { return m_error; }
    // The same for one folder and only it, whatever path or link leads there: a walk lists each
    // folder once, so that links that loop back are harmless.
    std::string Identity() const;
    // Every entry but "." and "..", in the order the system gives them; Failed() tells whether the
    // listing broke off part-way.
    std::vector<Entry> Entries();
    // Lets go of the folder's handle: only Identity() and Failed() are of use afterwards.
    void Close();

private:
    struct Handle;
    std::unique_ptr<Handle> m_handle;
    std::error_code m_error;
};

}  // namespace platform
