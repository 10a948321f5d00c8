#include "extract/PhotoCollection.h"

#include "platform/FileSystem.h"
#include "platform/FolderListing.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool IsSeparator(char c)
{
    return platform::IsFolderSeparator(c);
}

std::string_view FileNamePart(std::string_view path)
{
    const auto last = std::find_if(path.rbegin(), path.rend(), IsSeparator);
    return path.substr(static_cast<std::size_t>(path.rend() - last));
}

std::vector<std::string_view> SortedNames(const PhotoList& list)
{
    std::vector<std::string_view> names;
    names.reserve(list.size());
    for (const std::string& path : list)
        names.push_back(FileNamePart(path));
    std::sort(names.begin(), names.end());
    return names;
}

constexpr int entriesBetweenKeepAlives = 256;

// A folder of the walk whose sub-folders are still to be listed, with the handle they are opened
// through.
struct PendingFolder {
    platform::FolderListing listing;
    std::string path;  // ending in a separator
    std::vector<std::string> subFolders;
};

// What one collection carries down the folder tree.
struct Collection {
    PhotoList& list;
    bool includeSubFolders;
    const std::function<bool()>& goOn;
    PhotoFormats formats;
    std::set<std::string> visited;  // the identities of the folders already listed
    int entriesSinceKeepAlive = 0;
    bool stopped = false;
    std::vector<Unread> unlistedFolders;
    // The folders between the top and the one being listed that still have sub-folders to list:
    // a walk down a chain of folders keeps only the last one, however deep the chain.
    std::vector<PendingFolder> pending;

    // Lists the folder, unless it was listed before: its photos go to the list and, when asked, its
    // sub-folders to the folders still to be listed.
    void List(platform::FolderListing listing, const std::string& path)
    {
        const auto unlisted = [&] { unlistedFolders.push_back({path, listing.Failed().message()}); };
        if (listing.Failed()) {
            unlisted();
            return;
        }
        if (!visited.insert(listing.Identity()).second)
            return;
        PendingFolder folder{std::move(listing), path, {}};
        for (platform::FolderListing::Entry& entry : folder.listing.Entries()) {
            if (goOn && ++entriesSinceKeepAlive >= entriesBetweenKeepAlives) {
                entriesSinceKeepAlive = 0;
                stopped = stopped || !goOn();
            }
            if (stopped)
                return;
            if (entry.folder) {
                if (includeSubFolders)
                    folder.subFolders.push_back(std::move(entry.name));
            } else if (std::string photo = path + entry.name; IsPhotoFile(photo, formats)) {
                list.push_back(std::move(photo));
            }
        }
        // A folder that cannot be opened, or fails part-way, may hide photos: the run says so.
        if (folder.listing.Failed())
            unlisted();
        if (folder.subFolders.empty())
            return;
        // Listed in the order the system gave them, as the list is sorted afterwards anyway.
        std::reverse(folder.subFolders.begin(), folder.subFolders.end());
        pending.push_back(std::move(folder));
    }

    // Lists the tree below the folders still to be listed, one sub-folder at a time.
    void ListBelow()
    {
        while (!pending.empty() && !stopped) {
            PendingFolder& parent = pending.back();
            const std::string name = std::move(parent.subFolders.back());
            parent.subFolders.pop_back();
            platform::FolderListing folder(parent.listing, name);
            std::string path = parent.path + name + platform::NativeSeparator();
            // A folder with nothing more to list is let go before its last sub-folder is listed.
            if (parent.subFolders.empty())
                pending.pop_back();
            List(std::move(folder), path);
        }
    }
};
}  // namespace

std::string CleanPath(const std::string& path)
{
    const fs::path given = platform::PathFromNarrow(path);
    const fs::path clean = given.lexically_normal();
    if (std::find(given.begin(), given.end(), fs::path("..")) != given.end()) {
        std::error_code error;
        if (fs::exists(given, error) && !fs::equivalent(given, clean, error))
            return path;
    }
    return platform::NarrowFromPath(clean);
}

std::string FileNameOf(std::string_view path)
{
    return std::string(FileNamePart(path));
}

std::string ExtensionOf(std::string_view path)
{
    const auto dot = path.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot + 1));
}

bool IsPhotoFile(std::string_view path, PhotoFormats formats)
{
    return path.size() >= 3 && IsPhotoExtension(ExtensionOf(path), formats);
}

std::vector<Unread> CollectPhotoFiles(PhotoList& list, const std::string& folder, bool includeSubFolders,
                                      const std::function<bool()>& goOn, PhotoFormats formats)
{
    Collection collection{list, includeSubFolders, goOn, formats, {}, 0, false, {}, {}};
    // Entry paths are built from the folder's absolute form as given, so that links keep the names
    // the user knows them by.
    std::error_code error;
    std::string path = CleanPath(platform::NarrowFromPath(fs::absolute(platform::PathFromNarrow(folder), error)));
    if (error) {
        collection.unlistedFolders.push_back({folder, error.message()});
        return collection.unlistedFolders;
    }
    if (path.empty() || !IsSeparator(path.back()))
        path += platform::NativeSeparator();
    platform::FolderListing top(folder);
    // A folder that cannot be opened is named as given.
    const std::string named = top.Failed() ? folder : path;
    collection.List(std::move(top), named);
    collection.ListBelow();
    return collection.unlistedFolders;
}

void SortPhotoList(PhotoList& list)
{
    // std::string compares through char_traits<char>, which compares as unsigned bytes.
    std::sort(list.begin(), list.end());
}

bool HasDuplicateFileNames(const PhotoList& list)
{
    const std::vector<std::string_view> names = SortedNames(list);
    return std::adjacent_find(names.begin(), names.end()) != names.end();
}

std::vector<std::string> DuplicateFileNames(const PhotoList& list)
{
    const std::vector<std::string_view> names = SortedNames(list);
    std::vector<std::string> shared;
    for (auto twin = std::adjacent_find(names.begin(), names.end()); twin != names.end();
         twin = std::adjacent_find(std::upper_bound(twin, names.end(), *twin), names.end()))
        shared.emplace_back(*twin);
    return shared;
}

bool IsListedPhoto(const PhotoList& list, const std::string& path)
{
    std::error_code error;
    const fs::path output = platform::PathFromNarrow(path);
    if (!fs::exists(output, error))
        return false;
    // A file with several hard links may be listed under any name, so every photo is compared with
    // it. Otherwise only a photo of its name, or of the name a link to it resolves to, can be it;
    // comparing every photo would cost two look-ups each on every run into an existing output.
    const bool anyName = fs::hard_link_count(output, error) > 1;
    const std::string realName = platform::NarrowFromPath(fs::canonical(output, error).filename());
    const std::string_view givenName = FileNamePart(path);
    return std::any_of(list.begin(), list.end(), [&](const std::string& photo) {
        const std::string_view name = FileNamePart(photo);
        std::error_code ignored;
        return (anyName || name == givenName || name == realName) &&
               fs::equivalent(platform::PathFromNarrow(photo), output, ignored);
    });
}
