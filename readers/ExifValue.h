#pragma once

#include "metadata/PhotoTags.h"

#include <cstdint>
#include <string_view>

// The Exif (TIFF) field types by their numbers, which FreeImage's tag types share.
enum class ExifType : std::uint16_t {
    Byte = 1,
    Ascii = 2,
    Short = 3,
    Long = 4,
    Rational = 5,
    SignedByte = 6,
    Undefined = 7,
    SignedShort = 8,
    SignedLong = 9,
    SignedRational = 10,
};

// The bytes of one value of `type`; 0 for a type the program does not read.
std::size_t ExifTypeSize(std::uint16_t type);

// A stored value as the table's kind of the tag wants it: `count` values of Exif type `type` in
// `bytes` (in big- or little-endian order). Empty when the stored type does not fit the kind (a
// text stored as numbers, a position of fewer than three rationals) or the value has no bytes.
// A count beyond the bytes at hand is cut to them: a damaged photo can claim more than it holds.
TagValue ExifValue(ValueKind kind, std::uint16_t type, std::uint32_t count, std::string_view bytes, bool bigEndian);
