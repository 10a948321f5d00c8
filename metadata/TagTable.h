#pragma once
// The tags the program knows, one row each: where every reader finds the tag and what kind of
// value it holds. Reading, the messages between the processes and the value slots all follow
// from this table; the formatting (PhotoValues) turns the values into the column texts.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

enum class Tag : std::uint8_t {
    DateTime,
    DateTimeOriginal,
    SubSecTimeOriginal,
    Make,
    Model,
    Orientation,
    XPTitle,
    XPComment,
    XPAuthor,
    XPKeywords,
    XPSubject,
    ExposureTime,
    FNumber,
    ISOSpeed,
    Flash,
    SubjectDistance,
    FocalLength,
    LensModel,
    GPSLatitudeRef,
    GPSLatitude,
    GPSLongitudeRef,
    GPSLongitude,
    GPSAltitudeRef,
    GPSAltitude,
    GPSTimeStamp,
    GPSImgDirection,
    GPSDateStamp,
    Headline,
    Caption,
    Keywords,
    Comment,
    XmpHeadline,
    XmpDescription,
    XmpSubject,
    XmpDateTimeOriginal,
    XmpCreateDate,
    IptcDateCreated,
    XmpPhotoshopDateCreated,
    VideoDate,
    PngCreationTime,
};
inline constexpr std::size_t TagCount = static_cast<std::size_t>(Tag::PngCreationTime) + 1;

// Where a tag is stored in a photo.
enum class TagDirectory : std::uint8_t {
    Image,    // TIFF's first directory (Exif IFD0)
    Exif,     // the Exif directory
    Gps,      // the GPS directory
    Iptc,     // IPTC record 2
    Comment,  // the JPEG comment segment
    Xmp,      // the XMP packet
    PngText,  // a PNG text chunk, by its keyword
    Video,    // a video container's own tags, as libavformat names them
};

// What a tag's value is once read. Texts always travel as UTF-8.
enum class ValueKind : std::uint8_t {
    Text,       // ASCII in Exif; converted to UTF-8 on reading
    Utf16Text,  // Windows' XP tags: UTF-16LE in a BYTE array, read as UTF-8 text
    Integer,    // BYTE, SHORT or LONG; the first value counts
    Rational,   // one (signed or unsigned) rational
    Triple,     // three rationals: degrees, minutes, seconds or hours, minutes, seconds
};

struct TagInfo {
    Tag tag;
    std::string_view name;  // the Exif name, which is also FreeImage's key; for XMP, libexiv2's key;
                            // for PNG, the keyword
    TagDirectory directory;
    std::uint16_t number;  // the tag number in its directory; the dataset number for IPTC; 0 for XMP
    ValueKind kind;
};

const std::array<TagInfo, TagCount>& TagTable();

inline const TagInfo& InfoOf(Tag tag)
{
    return TagTable()[static_cast<std::size_t>(tag)];
}

// The tags that give one column, in the order they are taken: the first that is not empty. A tag
// that no column takes from several places stands alone.
std::span<const Tag> PreferenceOf(Tag tag);

// The tag stored under `number` in `directory`, if the program knows it.
std::optional<Tag> TagAt(TagDirectory directory, std::uint16_t number);
// The tag a directory holds under `name` (FreeImage's key), if the program knows it.
std::optional<Tag> TagNamed(TagDirectory directory, std::string_view name);
