#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A tag that can be asked for by its key, as the reader process names it.
struct KnownTag {
    std::string group;  // "Exif Photo", "IPTC Application2", "XMP dc"
    std::string label;  // "Lens Serial Number"
    std::string key;    // "Exif.Photo.LensSerialNumber"
    std::string description;
};

// The tags libexiv2 knows, as the reader program `program` lists them (fotoharvester-reader
// --list-tags): only the reader links libexiv2. Sorted by key.
struct KnownTagList {
    std::vector<KnownTag> tags;
    std::string problem;  // why there is no list, when there is none

    // The tag of `key`, if libexiv2 knows it.
    const KnownTag* Find(std::string_view key) const;
};
KnownTagList ListKnownTags(const std::string& program);

// The list in the form the reader writes it: one tag a line, its four fields separated by TABs;
// lines of another form are left out.
std::vector<KnownTag> ParseKnownTags(std::string_view text);

// The keys of `keys` that `list` does not hold, in order.
std::vector<std::string> UnknownKeys(const KnownTagList& list, const std::vector<std::string>& keys);
