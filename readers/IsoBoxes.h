#pragma once

#include "readers/TiffFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The boxes of an ISO base media file, the structure that HEIF and AVIF photos, Canon's CR3 raw
// files and the JPEG XL container share: each box a size, a four-letter type and its content,
// boxes nested in the content of others.
struct IsoBox {
    std::string type;
    std::uint64_t start = 0;  // of the content, after the header
    std::uint64_t end = 0;
};

// The boxes between `from` and `to`, in order, as far as they are well-formed: a box that claims
// more than its enclosing box holds ends the list, and so does the 1025th box (a file holds few
// boxes at each level; a damaged one could claim millions).
std::vector<IsoBox> IsoBoxes(const TiffFile::ReadAt& read, std::uint64_t from, std::uint64_t to);

// The first box of `type`; null when there is none.
const IsoBox* FindIsoBox(const std::vector<IsoBox>& boxes, std::string_view type);

// A box's content; empty when it is larger than `limit` or lies beyond the file.
std::optional<std::string> IsoBoxContent(const TiffFile::ReadAt& read, const IsoBox& box, std::uint64_t limit);
