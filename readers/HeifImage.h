#pragma once

#include "readers/TiffFile.h"

#include <cstdint>
#include <optional>
#include <utility>

// The width and height of a HEIF or AVIF photo's primary image, from the image spatial extent
// property ('ispe') that the file associates with its primary item, as exiftool reports it. Empty
// when the file is not a HEIF file or does not say; every box is checked against the file.
std::optional<std::pair<std::uint32_t, std::uint32_t>> HeifPrimaryImageSize(const TiffFile::ReadAt& read);
