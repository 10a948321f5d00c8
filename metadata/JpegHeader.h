#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

// The head of a JPEG file, from its start to its first scan, with the link to the Exif thumbnail
// removed. FreeImage decodes that thumbnail even when it is asked for no pixels, which is about
// half of its cost per photo; the tags, dimensions and comments all stand before the first scan.
// Empty when the file cannot be read or is not a JPEG whose markers can be followed: the caller
// then loads the file as it is.
std::optional<std::string> ReadJpegHeaderWithoutThumbnail(const std::string& path);
std::optional<std::string> ReadJpegHeaderWithoutThumbnail(std::FILE* file);

// The same for a file already in memory (the whole file or its head).
std::optional<std::string> JpegHeaderWithoutThumbnail(std::string_view file);

// The Photoshop image resources of a JPEG head (the content of its APP13 "Photoshop 3.0" segments,
// joined in order, as a large resource block may be split over several). Empty when there are none.
std::string ImageResourcesOf(std::string_view head);
