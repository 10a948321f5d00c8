#include "extract/ColumnCatalogue.h"

#include "extract/DateFormat.h"
#include "metadata/PhotoValues.h"
#include "metadata/TagWire.h"

#include <utility>

namespace {

using Q = Column::Quoting;

std::string FormattedText(const PhotoValues& photo, const DateLayout& layout)
{
    const std::string date = photo.GetDateTime();
    return FormatDate(layout.subSeconds ? WithSubSeconds(date, photo.GetSubSecTimeOriginal()) : date, layout.dateFormat,
                      layout.monthNames);
}

// A capture date column: the text its layout gives, and the photo's date and time as numbers
// where the photo states a whole one, whatever part of it the column shows.
Field DateField(const PhotoValues& photo, const DateLayout& layout, std::string text)
{
    const std::optional<DateTimeParts> moment = photo.CaptureMoment();
    if (!moment)
        return Field::Text(std::move(text));
    DateTimeParts shown = *moment;
    if (!layout.subSeconds)
        shown.fraction.clear();
    return Field::DateTime(shown, std::move(text));
}

Field FormattedDateTime(const PhotoValues& photo, const DateLayout& layout, std::size_t)
{
    return DateField(photo, layout, FormattedText(photo, layout));
}

// The date and time parts split at the last blank, so that a date holding blanks of its own
// ("07 May 2000") stays whole.
Field DatePart(const PhotoValues& photo, const DateLayout& layout, std::size_t)
{
    const std::string text = FormattedText(photo, layout);
    const auto blank = text.rfind(' ');
    return DateField(photo, layout, blank == std::string::npos ? std::string() : text.substr(0, blank));
}

Field TimePart(const PhotoValues& photo, const DateLayout& layout, std::size_t)
{
    const std::string text = FormattedText(photo, layout);
    const auto blank = text.rfind(' ');
    return DateField(photo, layout, blank == std::string::npos ? text : text.substr(blank + 1));
}

template <std::string (PhotoValues::*Operation)() const>
Field TextOf(const PhotoValues& photo, const DateLayout&, std::size_t)
{
    return Field::Text((photo.*Operation)());
}

template <Field (PhotoValues::*Operation)() const>
Field FieldOf(const PhotoValues& photo, const DateLayout&, std::size_t)
{
    return (photo.*Operation)();
}

Field KeyedField(const PhotoValues& photo, const DateLayout&, std::size_t slot)
{
    return photo.Keyed(slot);
}

const std::vector<Column> catalogue{
    {"date", "Date", Q::Quoted, DatePart},
    {"time", "Time", Q::Quoted, TimePart},
    {"datetime", "Date and time", Q::Quoted, FormattedDateTime},
    {"camera", "Camera manufacturer and model", Q::Bare, TextOf<&PhotoValues::GetMakeAndModel>},
    {"make", "Camera manufacturer", Q::Bare, TextOf<&PhotoValues::GetMake>},
    {"model", "Camera model", Q::Bare, TextOf<&PhotoValues::GetModel>},
    {"lens", "Lens model", Q::Quoted, TextOf<&PhotoValues::GetLensModel>},
    {"dimensions", "Width x height", Q::Bare, TextOf<&PhotoValues::GetDimensions>},
    {"filesize", "Size of image file", Q::Number, FieldOf<&PhotoValues::GetFileSize>},
    {"exposure", "Exposure (1/sec)", Q::Quoted, TextOf<&PhotoValues::GetExposureTime>},
    {"aperture", "Aperture (F-number)", Q::Number, FieldOf<&PhotoValues::GetFNumber>},
    {"iso", "ISO", Q::Number, FieldOf<&PhotoValues::GetISOSpeed>},
    {"flash", "Was flash used?", Q::Quoted, TextOf<&PhotoValues::GetFlash>},
    {"distance", "Distance", Q::Number, FieldOf<&PhotoValues::GetSubjectDistance>},
    {"focal", "Focal length", Q::Number, FieldOf<&PhotoValues::GetFocalLength>},
    {"comment", "User comment", Q::Quoted, TextOf<&PhotoValues::GetComment>},
    {"lat", "GPS latitude", Q::Number, FieldOf<&PhotoValues::GetLatitude>},
    {"lon", "GPS longitude", Q::Number, FieldOf<&PhotoValues::GetLongitude>},
    {"alt", "GPS altitude", Q::Number, FieldOf<&PhotoValues::GetGPSAltitude>},
    {"gpstime", "GPS date/time", Q::Quoted, TextOf<&PhotoValues::GetGPSDateTime>},
    {"direction", "GPS Direction", Q::Number, FieldOf<&PhotoValues::GetGPSImgDirection>},
    {"headline", "IPTC Headline", Q::Quoted, TextOf<&PhotoValues::GetHeadline>},
    {"description", "IPTC Description", Q::Quoted, TextOf<&PhotoValues::GetCaption>},
    {"keywords", "IPTC Keywords", Q::Quoted, TextOf<&PhotoValues::GetKeywords>},
    {"xpkeywords", "XP Keywords", Q::Quoted, TextOf<&PhotoValues::GetXPKeywords>},
    {"xpcomment", "XP Comments", Q::Quoted, TextOf<&PhotoValues::GetXPComment>},
    {"xpauthor", "XP Author", Q::Quoted, TextOf<&PhotoValues::GetXPAuthor>},
    {"xptitle", "XP Title", Q::Quoted, TextOf<&PhotoValues::GetXPTitle>},
    {"xpsubject", "XP Subject", Q::Quoted, TextOf<&PhotoValues::GetXPSubject>},
};

}  // namespace

const std::vector<Column>& ColumnCatalogue()
{
    return catalogue;
}

Column TagColumn(const std::string& key, std::size_t slot)
{
    return {key, key, Q::Quoted, KeyedField, slot};
}

bool IsTagKey(std::string_view text)
{
    if (!tagwire::IsSendableKey(text) || text.find(',') != std::string_view::npos)
        return false;
    for (const std::string_view family : {"Exif.", "Iptc.", "Xmp."}) {
        if (!text.starts_with(family))
            continue;
        // A group and a name, neither empty.
        const std::string_view rest = text.substr(family.size());
        const auto dot = rest.find('.');
        return dot != std::string_view::npos && dot > 0 && dot + 1 < rest.size();
    }
    return false;
}

std::vector<Column> ChosenColumns(const ExtractionSettings& settings)
{
    std::vector<Column> columns;
    for (int column = 0; column < ColumnCount(); ++column)
        if (settings.IsColumnTicked(column))
            columns.push_back(catalogue[static_cast<std::size_t>(column)]);
    const std::vector<std::string> keys = settings.ExtraTagKeys();
    std::size_t slot = 0;
    for (std::size_t tag = 0; tag < keys.size(); ++tag)
        if (settings.IsColumnTicked(ColumnCount() + static_cast<int>(tag)))
            columns.push_back(TagColumn(keys[tag], slot++));
    return columns;
}

std::vector<std::string> KeysOf(const std::vector<Column>& columns)
{
    std::vector<std::string> keys;
    for (const Column& column : columns)
        if (column.value == KeyedField)
            keys.push_back(column.name);
    return keys;
}
