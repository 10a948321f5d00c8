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
    {200, "Date", Q::Quoted, DatePart},
    {215, "Time", Q::Quoted, TimePart},
    {204, "Date and time", Q::Quoted, FormattedDateTime},
    {205, "Camera manufacturer and model", Q::Bare, Plain<&PhotoValues::GetMakeAndModel>},
    {202, "Camera manufacturer", Q::Bare, Plain<&PhotoValues::GetMake>},
    {203, "Camera model", Q::Bare, Plain<&PhotoValues::GetModel>},
    {231, "Lens model", Q::Quoted, Plain<&PhotoValues::GetLensModel>},
    {207, "Width x height", Q::Bare, Plain<&PhotoValues::GetDimensions>},
    {201, "Size of image file", Q::Number, Plain<&PhotoValues::GetFileSize>},
    {212, "Exposure (1/sec)", Q::Quoted, Plain<&PhotoValues::GetExposureTime>},
    {213, "Aperture (F-number)", Q::Number, Plain<&PhotoValues::GetFNumber>},
    {216, "ISO", Q::Number, Plain<&PhotoValues::GetISOSpeed>},
    {210, "Was flash used?", Q::Quoted, Plain<&PhotoValues::GetFlash>},
    {214, "Distance", Q::Number, Plain<&PhotoValues::GetSubjectDistance>},
    {211, "Focal length", Q::Number, Plain<&PhotoValues::GetFocalLength>},
    {222, "User comment", Q::Quoted, Plain<&PhotoValues::GetComment>},
    {223, "GPS latitude", Q::Number, Plain<&PhotoValues::GetLatitude>},
    {224, "GPS longitude", Q::Number, Plain<&PhotoValues::GetLongitude>},
    {225, "GPS altitude", Q::Number, Plain<&PhotoValues::GetGPSAltitude>},
    {226, "GPS date/time", Q::Quoted, Plain<&PhotoValues::GetGPSDateTime>},
    {227, "GPS Direction", Q::Number, Plain<&PhotoValues::GetGPSImgDirection>},
    {228, "IPTC Headline", Q::Quoted, Plain<&PhotoValues::GetHeadline>},
    {229, "IPTC Description", Q::Quoted, Plain<&PhotoValues::GetCaption>},
    {230, "IPTC Keywords", Q::Quoted, Plain<&PhotoValues::GetKeywords>},
    {232, "XP Keywords", Q::Quoted, Plain<&PhotoValues::GetXPKeywords>},
    {233, "XP Comments", Q::Quoted, Plain<&PhotoValues::GetXPComment>},
    {234, "XP Author", Q::Quoted, Plain<&PhotoValues::GetXPAuthor>},
    {235, "XP Title", Q::Quoted, Plain<&PhotoValues::GetXPTitle>},
    {236, "XP Subject", Q::Quoted, Plain<&PhotoValues::GetXPSubject>},
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
