#pragma once

#include "metadata/PhotoTags.h"

#include <cstddef>
#include <string_view>

// Takes the headline, description, keywords and dates of an XMP packet into `tags` (the XMP rows
// of the tag table): texts as UTF-8, the language-default description, keywords joined with ";",
// dates in the Exif layout (DateText.h; a date without a time is the date at midnight). Called once
// the photo's other tags are read: a value that a column would not take, because the photo has
// one it prefers (PreferenceOf), is not read. A packet that is not well-formed XML gives nothing.
// A packet larger than XmpPacketLimit is not read: parsing costs about ten times its size in
// memory, and no photo's packet comes near it.
void ReadXmpPacket(std::string_view packet, PhotoTags& tags);

// Takes the values of a sidecar file's XMP packet over those of the photo's own XMP: each value the
// sidecar holds takes the place of the same value from the photo. A value the photo holds where a
// column prefers it to XMP (IPTC's texts, the Exif dates) stays first.
void ReadSidecarPacket(std::string_view packet, PhotoTags& tags);

constexpr std::size_t XmpPacketLimit = 16u << 20;
