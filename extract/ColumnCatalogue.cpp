#include "extract/ColumnCatalogue.h"

#include "extract/DateFormat.h"
#include "extract/Translatable.h"
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

// A heading is also the column's label in the window's list, which shows it in the user's language;
// the heading line of a file keeps the English, which files and scripts rely on.
const std::vector<Column> catalogue{
    {"date", TRANSLATABLE("Columns", "Date"), Q::Quoted, DatePart},
    {"time", TRANSLATABLE("Columns", "Time"), Q::Quoted, TimePart},
    {"datetime", TRANSLATABLE("Columns", "Date and time"), Q::Quoted, FormattedDateTime},
    {"camera", TRANSLATABLE("Columns", "Camera manufacturer and model"), Q::Bare,
     TextOf<&PhotoValues::GetMakeAndModel>},
    {"make", TRANSLATABLE("Columns", "Camera manufacturer"), Q::Bare, TextOf<&PhotoValues::GetMake>},
    {"model", TRANSLATABLE("Columns", "Camera model"), Q::Bare, TextOf<&PhotoValues::GetModel>},
    {"lens", TRANSLATABLE("Columns", "Lens model"), Q::Quoted, TextOf<&PhotoValues::GetLensModel>},
    {"dimensions", TRANSLATABLE("Columns", "Width x height"), Q::Bare, TextOf<&PhotoValues::GetDimensions>},
    {"filesize", TRANSLATABLE("Columns", "Size of image file"), Q::Number, FieldOf<&PhotoValues::GetFileSize>},
    {"exposure", TRANSLATABLE("Columns", "Exposure (1/sec)"), Q::Quoted, TextOf<&PhotoValues::GetExposureTime>},
    {"aperture", TRANSLATABLE("Columns", "Aperture (F-number)"), Q::Number, FieldOf<&PhotoValues::GetFNumber>},
    {"iso", TRANSLATABLE("Columns", "ISO"), Q::Number, FieldOf<&PhotoValues::GetISOSpeed>},
    {"flash", TRANSLATABLE("Columns", "Was flash used?"), Q::Quoted, TextOf<&PhotoValues::GetFlash>},
    {"distance", TRANSLATABLE("Columns", "Distance"), Q::Number, FieldOf<&PhotoValues::GetSubjectDistance>},
    {"focal", TRANSLATABLE("Columns", "Focal length"), Q::Number, FieldOf<&PhotoValues::GetFocalLength>},
    {"comment", TRANSLATABLE("Columns", "User comment"), Q::Quoted, TextOf<&PhotoValues::GetComment>},
    {"lat", TRANSLATABLE("Columns", "GPS latitude"), Q::Number, FieldOf<&PhotoValues::GetLatitude>},
    {"lon", TRANSLATABLE("Columns", "GPS longitude"), Q::Number, FieldOf<&PhotoValues::GetLongitude>},
    {"alt", TRANSLATABLE("Columns", "GPS altitude"), Q::Number, FieldOf<&PhotoValues::GetGPSAltitude>},
    {"gpstime", TRANSLATABLE("Columns", "GPS date/time"), Q::Quoted, TextOf<&PhotoValues::GetGPSDateTime>},
    {"direction", TRANSLATABLE("Columns", "GPS Direction"), Q::Number, FieldOf<&PhotoValues::GetGPSImgDirection>},
    {"headline", TRANSLATABLE("Columns", "IPTC Headline"), Q::Quoted, TextOf<&PhotoValues::GetHeadline>},
    {"description", TRANSLATABLE("Columns", "IPTC Description"), Q::Quoted, TextOf<&PhotoValues::GetCaption>},
    {"keywords", TRANSLATABLE("Columns", "IPTC Keywords"), Q::Quoted, TextOf<&PhotoValues::GetKeywords>},
    {"xpkeywords", TRANSLATABLE("Columns", "XP Keywords"), Q::Quoted, TextOf<&PhotoValues::GetXPKeywords>},
    {"xpcomment", TRANSLATABLE("Columns", "XP Comments"), Q::Quoted, TextOf<&PhotoValues::GetXPComment>},
    {"xpauthor", TRANSLATABLE("Columns", "XP Author"), Q::Quoted, TextOf<&PhotoValues::GetXPAuthor>},
    {"xptitle", TRANSLATABLE("Columns", "XP Title"), Q::Quoted, TextOf<&PhotoValues::GetXPTitle>},
    {"xpsubject", TRANSLATABLE("Columns", "XP Subject"), Q::Quoted, TextOf<&PhotoValues::GetXPSubject>},
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
