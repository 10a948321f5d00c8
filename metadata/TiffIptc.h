#pragma once

#include <string>
#include <string_view>

// Whether every IPTC dataset of a TIFF lies inside the IPTC block that holds it. FreeImage 3.18
// copies a dataset by the length the dataset claims, without bounding it by the block, so a
// damaged length hands out whatever follows the block in memory as the value (a headline with
// stray bytes at its end). Such a photo's IPTC values are better left empty.
// A file without an IPTC block, or one that is no classic TIFF, passes: there is nothing to check.
bool TiffIptcFitsItsBlock(const std::string& path);
bool TiffIptcFitsItsBlockInMemory(std::string_view file);
