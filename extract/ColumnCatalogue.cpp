#include "extract/ColumnCatalogue.h"

#include "extract/DateFormat.h"
#include "metadata/PhotoValues.h"

namespace {

using Q = Column::Quoting;

std::string FormattedDateTime(PhotoValues& reader, const DateLayout& layout)
{
    const std::string date = reader.GetDateTime();
    return FormatDate(layout.subSeconds ? WithSubSeconds(date, reader.GetSubSecTimeOriginal()) : date,
                      layout.dateFormat, layout.monthNames);
}

// The date and time parts split at the last blank, so that a date holding blanks of its own
// ("07 May 2000") stays whole.
std::string DatePart(PhotoValues& reader, const DateLayout& layout)
{
    const std::string text = FormattedDateTime(reader, layout);
    const auto blank = text.rfind(' ');
    return blank == std::string::npos ? std::string() : text.substr(0, blank);
}

std::string TimePart(PhotoValues& reader, const DateLayout& layout)
{
    const std::string text = FormattedDateTime(reader, layout);
    const auto blank = text.rfind(' ');
    return blank == std::string::npos ? text : text.substr(blank + 1);
}

template <std::string (PhotoValues::*Operation)() const>
std::string Plain(PhotoValues& reader, const DateLayout&)
{
    return (reader.*Operation)();
}

const std::array<Column, ColumnCount> catalogue{{
    {"Date", Q::Quoted, DatePart},
    {"Time", Q::Quoted, TimePart},
    {"Date and time", Q::Quoted, FormattedDateTime},
    {"Camera manufacturer and model", Q::Bare, Plain<&PhotoValues::GetMakeAndModel>},
    {"Camera manufacturer", Q::Bare, Plain<&PhotoValues::GetMake>},
    {"Camera model", Q::Bare, Plain<&PhotoValues::GetModel>},
    {"Lens model", Q::Quoted, Plain<&PhotoValues::GetLensModel>},
    {"Width x height", Q::Bare, Plain<&PhotoValues::GetDimensions>},
    {"Size of image file", Q::Number, Plain<&PhotoValues::GetFileSize>},
    {"Exposure (1/sec)", Q::Quoted, Plain<&PhotoValues::GetExposureTime>},
    {"Aperture (F-number)", Q::Number, Plain<&PhotoValues::GetFNumber>},
    {"ISO", Q::Number, Plain<&PhotoValues::GetISOSpeed>},
    {"Was flash used?", Q::Quoted, Plain<&PhotoValues::GetFlash>},
    {"Distance", Q::Number, Plain<&PhotoValues::GetSubjectDistance>},
    {"Focal length", Q::Number, Plain<&PhotoValues::GetFocalLength>},
    {"User comment", Q::Quoted, Plain<&PhotoValues::GetComment>},
    {"GPS latitude", Q::Number, Plain<&PhotoValues::GetLatitude>},
    {"GPS longitude", Q::Number, Plain<&PhotoValues::GetLongitude>},
    {"GPS altitude", Q::Number, Plain<&PhotoValues::GetGPSAltitude>},
    {"GPS date/time", Q::Quoted, Plain<&PhotoValues::GetGPSDateTime>},
    {"GPS Direction", Q::Number, Plain<&PhotoValues::GetGPSImgDirection>},
    {"IPTC Headline", Q::Quoted, Plain<&PhotoValues::GetHeadline>},
    {"IPTC Description", Q::Quoted, Plain<&PhotoValues::GetCaption>},
    {"IPTC Keywords", Q::Quoted, Plain<&PhotoValues::GetKeywords>},
    {"XP Keywords", Q::Quoted, Plain<&PhotoValues::GetXPKeywords>},
    {"XP Comments", Q::Quoted, Plain<&PhotoValues::GetXPComment>},
    {"XP Author", Q::Quoted, Plain<&PhotoValues::GetXPAuthor>},
    {"XP Title", Q::Quoted, Plain<&PhotoValues::GetXPTitle>},
    {"XP Subject", Q::Quoted, Plain<&PhotoValues::GetXPSubject>},
}};

}  // namespace

const std::array<Column, ColumnCount>& ColumnCatalogue()
{
    return catalogue;
}

ColumnSelection SelectionFromFlags(std::string_view flags)
{
    ColumnSelection selection;
    for (int column = 0; column < ColumnCount && static_cast<std::size_t>(column) < flags.size(); ++column)
        selection[column] = flags[column] == '1';
    return selection;
}

std::string FlagsFromSelection(const ColumnSelection& selection)
{
    std::string flags(ColumnCount, '0');
    for (int column = 0; column < ColumnCount; ++column)
        if (selection[column])
            flags[column] = '1';
    return flags;
}
