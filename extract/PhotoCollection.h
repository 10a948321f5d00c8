#pragma once

#include "metadata/PhotoFormats.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

using PhotoList = std::vector<std::string>;

// A photo or a folder that could not be read, and why, in a few words.
struct Unread {
    std::string path;
    std::string reason;

    bool operator==(const Unread&) const = default;
};

// The path in clean form, as written rather than as resolved: no doubled separators, no "." steps,
// each ".." step taken away with the name before it. A path whose ".." steps would then lead
// elsewhere (a ".." after a symbolic link goes back from the link's target) stays as written.
std::string CleanPath(const std::string& path);
// The text after the last folder separator ("/", and on Windows "\" too); the whole path when it
// holds none.
std::string FileNameOf(std::string_view path);
// The text after the last "." anywhere in the path (folders included), or "".
std::string ExtensionOf(std::string_view path);
// Whether the extension, upper-cased, is JPG, JPE, JPEG, TIF or TIFF, or, for all formats, one of
// the other photo formats (PhotoFormats.h).
bool IsPhotoFile(std::string_view path, PhotoFormats formats = PhotoFormats::JpegAndTiff);
// Appends the photos of `folder` (which ends in a separator) and, when asked, of every folder below
// it, however deep: each sub-folder is opened through its parent, at a cost that grows with the
// depth rather than its cube. Each real folder is visited once, so links that loop back are
// harmless. `goOn` is called every few hundred entries, so that a window stays responsive while a
// large library is listed, and the listing stops, part-way, when it answers false. Returns the
// folders that could not be listed (access denied, a read error part-way), each ending in a
// separator: their photos are missing from the list.
std::vector<Unread> CollectPhotoFiles(PhotoList& list, const std::string& folder, bool includeSubFolders,
                                      const std::function<bool()>& goOn = {},
                                      PhotoFormats formats = PhotoFormats::JpegAndTiff);

// Byte order: no case folding, no locale, no natural number order.
void SortPhotoList(PhotoList& list);

// Whether `path` names the same file as one of the listed photos (through a link or a second
// hard link).
bool IsListedPhoto(const PhotoList& list, const std::string& path);

// Whether two listed paths share a file name (case-sensitive).
bool HasDuplicateFileNames(const PhotoList& list);
// Every file name that two or more listed paths share, once each, in byte order.
std::vector<std::string> DuplicateFileNames(const PhotoList& list);
