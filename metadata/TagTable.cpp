#include "metadata/TagTable.h"

#include <algorithm>

namespace {

using D = TagDirectory;
using K = ValueKind;

constexpr std::array<TagInfo, TagCount> table{{
    {Tag::DateTime, "DateTime", D::Image, 0x0132, K::Text},
    {Tag::DateTimeOriginal, "DateTimeOriginal", D::Exif, 0x9003, K::Text},
    {Tag::SubSecTimeOriginal, "SubSecTimeOriginal", D::Exif, 0x9291, K::Text},
    {Tag::Make, "Make", D::Image, 0x010F, K::Text},
    {Tag::Model, "Model", D::Image, 0x0110, K::Text},
    {Tag::Orientation, "Orientation", D::Image, 0x0112, K::Integer},
    {Tag::XPTitle, "XPTitle", D::Image, 0x9C9B, K::Utf16Text},
    {Tag::XPComment, "XPComment", D::Image, 0x9C9C, K::Utf16Text},
    {Tag::XPAuthor, "XPAuthor", D::Image, 0x9C9D, K::Utf16Text},
    {Tag::XPKeywords, "XPKeywords", D::Image, 0x9C9E, K::Utf16Text},
    {Tag::XPSubject, "XPSubject", D::Image, 0x9C9F, K::Utf16Text},
    {Tag::ExposureTime, "ExposureTime", D::Exif, 0x829A, K::Rational},
    {Tag::FNumber, "FNumber", D::Exif, 0x829D, K::Rational},
    {Tag::ISOSpeed, "ISOSpeedRatings", D::Exif, 0x8827, K::Integer},
    {Tag::Flash, "Flash", D::Exif, 0x9209, K::Integer},
    {Tag::SubjectDistance, "SubjectDistance", D::Exif, 0x9206, K::Rational},
    {Tag::FocalLength, "FocalLength", D::Exif, 0x920A, K::Rational},
    {Tag::LensModel, "LensModel", D::Exif, 0xA434, K::Text},
    {Tag::GPSLatitudeRef, "GPSLatitudeRef", D::Gps, 0x0001, K::Text},
    {Tag::GPSLatitude, "GPSLatitude", D::Gps, 0x0002, K::Triple},
    {Tag::GPSLongitudeRef, "GPSLongitudeRef", D::Gps, 0x0003, K::Text},
    {Tag::GPSLongitude, "GPSLongitude", D::Gps, 0x0004, K::Triple},
    {Tag::GPSAltitudeRef, "GPSAltitudeRef", D::Gps, 0x0005, K::Integer},
    {Tag::GPSAltitude, "GPSAltitude", D::Gps, 0x0006, K::Rational},
    {Tag::GPSTimeStamp, "GPSTimeStamp", D::Gps, 0x0007, K::Triple},
    {Tag::GPSImgDirection, "GPSImgDirection", D::Gps, 0x0011, K::Rational},
    {Tag::GPSDateStamp, "GPSDateStamp", D::Gps, 0x001D, K::Text},
    {Tag::Headline, "Headline", D::Iptc, 105, K::Text},
    {Tag::Caption, "Caption-Abstract", D::Iptc, 120, K::Text},
    {Tag::Keywords, "Keywords", D::Iptc, 25, K::Text},
    {Tag::Comment, "Comment", D::Comment, 0, K::Text},
    // What photo catalogues and phones write in XMP; the formatting takes these only where the
    // photo has no IPTC or Exif value.
    {Tag::XmpHeadline, "Xmp.photoshop.Headline", D::Xmp, 0, K::Text},
    {Tag::XmpDescription, "Xmp.dc.description", D::Xmp, 0, K::Text},
    {Tag::XmpSubject, "Xmp.dc.subject", D::Xmp, 0, K::Text},
    {Tag::XmpDateTimeOriginal, "Xmp.exif.DateTimeOriginal", D::Xmp, 0, K::Text},
    {Tag::XmpCreateDate, "Xmp.xmp.CreateDate", D::Xmp, 0, K::Text},
    // The capture date where news agencies, scanners, catalogues and image editors write it: IPTC's
    // date (with its time, 2:60, read with it), Photoshop's XMP date and PNG's text. Each is read
    // into the Exif layout.
    {Tag::IptcDateCreated, "DateCreated", D::Iptc, 55, K::Text},
    {Tag::XmpPhotoshopDateCreated, "Xmp.photoshop.DateCreated", D::Xmp, 0, K::Text},
    // The moment a video was taken as local wall-clock time "YYYY:MM:DD HH:MM:SS": the phone's
    // own (com.apple.quicktime.creationdate, as written), else the container's creation time
    // (creation_time, UTC) turned into the computer's local time by the reader.
    {Tag::VideoDate, "creation_time", D::Video, 0, K::Text},
    {Tag::PngCreationTime, "Creation Time", D::PngText, 0, K::Text},
}};

constexpr bool RowsAreInTagOrder()
{
    for (std::size_t i = 0; i < table.size(); ++i)
        if (static_cast<std::size_t>(table[i].tag) != i)
            return false;
    return true;
}
static_assert(RowsAreInTagOrder(), "row i of the tag table describes tag i");

// Where photo catalogues and phones write in XMP what the photo has no IPTC or Exif value for.
constexpr Tag headline[] = {Tag::Headline, Tag::XmpHeadline};
constexpr Tag caption[] = {Tag::Caption, Tag::XmpDescription};
constexpr Tag keywords[] = {Tag::Keywords, Tag::XmpSubject};
// The moment the picture was taken, in the order its sources are trusted.
constexpr Tag date[] = {
    Tag::DateTimeOriginal,         // Exif: taken
    Tag::DateTime,                 // Exif: last changed
    Tag::XmpDateTimeOriginal,      // XMP: taken
    Tag::XmpCreateDate,            // XMP: created
    Tag::IptcDateCreated,          // IPTC
    Tag::XmpPhotoshopDateCreated,  // Photoshop's XMP
    Tag::VideoDate,                // a video's container
    Tag::PngCreationTime,          // PNG's text
};
constexpr std::span<const Tag> preferences[] = {headline, caption, keywords, date};

}  // namespace

std::span<const Tag> PreferenceOf(Tag tag)
{
    for (const std::span<const Tag> preference : preferences)
        if (std::find(preference.begin(), preference.end(), tag) != preference.end())
            return preference;
    return {&table[static_cast<std::size_t>(tag)].tag, 1};
}

const std::array<TagInfo, TagCount>& TagTable()
{
    return table;
}

std::optional<Tag> TagAt(TagDirectory directory, std::uint16_t number)
{
    const auto row = std::find_if(table.begin(), table.end(), [&](const TagInfo& info) {
        return info.directory == directory && info.number == number;
    });
    return row == table.end() ? std::nullopt : std::optional<Tag>(row->tag);
}

std::optional<Tag> TagNamed(TagDirectory directory, std::string_view name)
{
    const auto row = std::find_if(table.begin(), table.end(), [&](const TagInfo& info) {
        return info.directory == directory && info.name == name;
    });
    return row == table.end() ? std::nullopt : std::optional<Tag>(row->tag);
}
