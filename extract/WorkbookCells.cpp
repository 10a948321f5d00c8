#include "extract/WorkbookCells.h"

#include "extract/PhotoCollection.h"
#include "extract/WorkbookWriter.h"
#include "metadata/TextEncoding.h"

#include <algorithm>
#include <charconv>

namespace {

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Days from 1 January 1970 to the date (the proleptic Gregorian calendar).
long long DaysFromEpoch(int year, int month, int day)
{
    const int y = month <= 2 ? year - 1 : year;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yearOfEra = y - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// The code point of the UTF-8 character of `length` bytes at the start of the text.
char32_t CodePoint(std::string_view text, std::size_t length)
{
    if (length == 1)
        return static_cast<unsigned char>(text[0]);
    char32_t point = static_cast<unsigned char>(text[0]) & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i)
        point = (point << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    return point;
}

bool IsWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || c >= 0x1F300;
}

std::string ShortestNumber(double value)
{
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, result.ptr);
}

}  // namespace

DatePart DatePartOf(const Column& column)
{
    if (column.name == "date")
        return DatePart::Date;
    if (column.name == "time")
        return DatePart::Time;
    return DatePart::DateAndTime;
}

std::optional<double> DateSerial(const DateTimeParts& moment, DatePart part)
{
    if (moment.year < 1900 || (moment.year == 1900 && moment.month < 3) || moment.year > 9999 || moment.month < 1 ||
        moment.month > 12 || moment.day < 1 || moment.day > DaysInMonth(moment.year, moment.month))
        return std::nullopt;
    double fraction = 0.0;
    if (!moment.fraction.empty() &&
        std::all_of(moment.fraction.begin(), moment.fraction.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const std::string decimal = "0." + moment.fraction.substr(0, 9);
        std::from_chars(decimal.data(), decimal.data() + decimal.size(), fraction);
    }
    // Each part on its own: the time taken back out of the sum would lose the last second's digits.
    const double time = (moment.hour * 3600.0 + moment.minute * 60.0 + moment.second + fraction) / 86400.0;
    constexpr long long serialOf1970 = 25569;
    const auto day = static_cast<double>(DaysFromEpoch(moment.year, moment.month, moment.day) + serialOf1970);
    switch (part) {
    case DatePart::Date:
        return day;
    case DatePart::Time:
        return time;
    case DatePart::DateAndTime:
        break;
    }
    return day + time;
}

std::string DateNumberFormat(const DateLayout& layout, DatePart part, int decimals)
{
    const bool shortNames = std::all_of(layout.monthNames.begin(), layout.monthNames.end(),
                                        [](const std::string& name) { return DisplayWidth(name) <= 3; });
    const std::string month = shortNames ? "mmm" : "mmmm";
    // The separators are escaped: a bare "/" shows the reader's own date separator.
    static constexpr std::string_view numeric[] = {"yyyy\\:mm\\:dd",
                                                   "",
                                                   "",
                                                   "yyyy\\-mm\\-dd",
                                                   "dd\\-mm\\-yyyy",
                                                   "dd\\/mm\\/yyyy",
                                                   "mm\\/dd\\/yyyy",
                                                   "dd\\.mm\\.yyyy",
                                                   "yyyy\\/mm\\/dd"};
    std::string date;
    if (layout.dateFormat == 1)
        date = "dd " + month + " yyyy";
    else if (layout.dateFormat == 2)
        date = month + " dd yyyy";
    else if (layout.dateFormat >= 0 && layout.dateFormat < static_cast<int>(std::size(numeric)))
        date = numeric[layout.dateFormat];
    else
        date = numeric[0];
    std::string time = "hh:mm:ss";
    if (decimals > 0)
        time += '.' + std::string(static_cast<std::size_t>(std::min(decimals, MaxSecondDecimals)), '0');
    switch (part) {
    case DatePart::Date:
        return date;
    case DatePart::Time:
        return time;
    case DatePart::DateAndTime:
        break;
    }
    return date + ' ' + time;
}

std::string CellText(std::string_view given)
{
    const std::string utf8 = Utf8FromUnstated(given);
    std::string_view text = utf8;
    std::string cell;
    cell.reserve(utf8.size());
    std::size_t units = 0;
    while (!text.empty()) {
        const std::size_t length = std::max<std::size_t>(Utf8CharacterLength(text), 1);
        // A character beyond U+FFFF is two UTF-16 units.
        units += length == 4 ? 2 : 1;
        if (units > MaxCellCharacters)
            break;
        const auto c = static_cast<unsigned char>(text.front());
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
            cell += "\xEF\xBF\xBD";
        else
            cell.append(text.substr(0, length));
        text.remove_prefix(length);
    }
    return cell;
}

std::size_t DisplayWidth(std::string_view text)
{
    std::size_t widest = 0;
    std::size_t width = 0;
    while (!text.empty()) {
        const std::size_t length = std::max<std::size_t>(Utf8CharacterLength(text), 1);
        if (text.front() == '\n') {
            width = 0;
        } else {
            width += IsWide(CodePoint(text, length)) ? 2 : 1;
            widest = std::max(widest, width);
        }
        text.remove_prefix(length);
    }
    return widest;
}

std::string FileLink(std::string_view absolutePath)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string link = "file://";
    // A Windows path ("C:\x") becomes "file:///C:/x".
    const bool windowsPath = !absolutePath.empty() && absolutePath.front() != '/';
    if (windowsPath)
        link += '/';
    for (const char c : absolutePath) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
            std::string_view("-._~/:").find(c) != std::string_view::npos) {
            link += c;
        } else if (c == '\\' && windowsPath) {
            link += '/';
        } else {
            link += '%';
            link += hex[byte >> 4];
            link += hex[byte & 0xF];
        }
    }
    return link;
}

std::string MapLink(double latitude, double longitude)
{
    // No "#": a spreadsheet takes what follows it for a place inside the linked document.
    return "https://www.openstreetmap.org/?mlat=" + ShortestNumber(latitude) + "&mlon=" + ShortestNumber(longitude) +
           "&zoom=15";
}

bool IsWorkbookPath(const std::string& path)
{
    std::string extension = ExtensionOf(FileNameOf(path));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return extension == "xlsx";
}
