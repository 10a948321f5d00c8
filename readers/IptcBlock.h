#pragma once

#include "metadata/PhotoTags.h"

#include <string_view>
#include <vector>

// Takes the headline, caption, keywords and the date created with its time (record 2) out of an
// IPTC block into `tags`, the date in the Exif layout (DateText.h) and the texts as UTF-8:
// in the character set that dataset 1:90 names, else as UTF-8 when the bytes are UTF-8, else as
// Windows-1252. Repeated keywords are joined with ";". Every length is checked against the block:
// a dataset that claims more bytes than the block holds ends the reading, and what was read
// before it is kept.
void ReadIptcBlock(std::string_view block, PhotoTags& tags);

// The IPTC block among Photoshop's image resources (the content of a JPEG's APP13 segments after
// their "Photoshop 3.0" signature); empty when there is none.
std::string_view IptcInImageResources(std::string_view resources);
