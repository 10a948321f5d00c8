#pragma once

#include "readers/TiffFile.h"

#include <optional>
#include <string>
#include <string_view>

// The text of the first text chunk of a PNG file under `keyword`: a tEXt chunk, or an iTXt chunk
// that is not compressed (a compressed one is left out: the texts read this way are short, and
// their writers store them plain). Empty when the file is not a PNG file or has no such chunk.
// The chunks are walked by their lengths, each checked against the file, up to the end chunk; a
// chunk of that keyword longer than 1 KiB is no text the program reads.
std::optional<std::string> PngTextNamed(const TiffFile::ReadAt& read, std::string_view keyword);
