#pragma once

#include "readers/TiffFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

// What the program takes from a HEIF or AVIF file's own structure rather than from libexiv2.
struct HeifContent {
    // The width and height of the primary image, from the image spatial extent property ('ispe')
    // the file associates with its primary item, as exiftool reports it.
    std::optional<std::pair<std::uint32_t, std::uint32_t>> primarySize;
    // The Exif item's TIFF block, from its byte-order mark on.
    std::optional<std::string> exif;
    // The XMP packet: the item of MIME type application/rdf+xml.
    std::optional<std::string> xmp;
};

// Empty when the file is not a HEIF file. Every box, item location and length is checked against
// the file; what does not fit is left out.
std::optional<HeifContent> ReadHeif(const TiffFile::ReadAt& read);

// Boxes nested deeper than any real file nests them (a dozen levels at most): whether an ISO base
// media file (HEIF, AVIF, CR3) holds such boxes where libexiv2 would walk into them. libexiv2
// copies each box before it walks the boxes inside, a cost in memory that grows with the square of
// their depth: 20,000 levels in a file of 240 KB take 2.2 GB. Such a file is not given to it.
bool BoxesNestTooDeeply(const TiffFile::ReadAt& read);
