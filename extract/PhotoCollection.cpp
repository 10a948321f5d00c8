#include "extract/PhotoCollection.h"

#include "platform/FileSystem.h"

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

// What one collection carries down the folder tree.
struct Collection {
    PhotoList& list;
    bool includeSubFolders;
    const std::function<bool()>& goOn;
    PhotoFormats formats;
    std::set<std::string> visited;  // canonical forms of the folders already listed
    int entriesSinceKeepAlive = 0;
    bool stopped = false;
    std::vector<Unread> unlistedFolders;
};

void CollectFolder(Collection& collection, const std::string& folder)
{
    std::error_code error;
    const fs::path folderPath = platform::PathFromNarrow(folder);
    const auto unlisted = [&] { collection.unlistedFolders.push_back({folder, error.message()}); };
    const fs::path realFolder = fs::canonical(folderPath, error);
    if (error) {
        unlisted();
        return;
    }
    if (!collection.visited.insert(platform::NarrowFromPath(realFolder)).second)
        return;

    // Entry paths are built from the folder's absolute form as given, so that links keep the names
    // the user knows them by.
    std::string prefix = CleanPath(platform::NarrowFromPath(fs::absolute(folderPath, error)));
    if (error) {
        unlisted();
        return;
    }
    if (prefix.empty() || !IsSeparator(prefix.back()))
        prefix += platform::NativeSeparator();

    fs::directory_iterator entries(folderPath, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        if (collection.goOn && ++collection.entriesSinceKeepAlive >= entriesBetweenKeepAlives) {
            collection.entriesSinceKeepAlive = 0;
            collection.stopped = collection.stopped || !collection.goOn();
        }
        if (collection.stopped)
            return;
        const fs::directory_entry& entry = *entries;
        std::string path = prefix + platform::NarrowFromPath(entry.path().filename());
        std::error_code typeError;
        if (entry.is_directory(typeError)) {
            if (collection.includeSubFolders)
                CollectFolder(collection, path + platform::NativeSeparator());
        } else if (IsPhotoFile(path, collection.formats)) {
            collection.list.push_back(std::move(path));
        }
    }
    // A folder that cannot be opened, or fails part-way, may hide photos: the run says so.
    if (error)
        unlisted();
}

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
    Collection collection{list, includeSubFolders, goOn, formats, {}, 0, false, {}};
    CollectFolder(collection, folder);
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
