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
