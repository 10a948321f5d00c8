#include "extract/DateFormat.h"

#include "metadata/NumberText.h"

#include <algorithm>

std::string FormatDate(const std::string& date, int dateFormat,
                       const std::array<std::string, ExtractionSettings::MonthCount>& monthNames)
{
    if (date.size() < 18)
        return {};
    // Fields are cut by position; the separators between them are not checked. A damaged date
    // with other than plain ASCII among its fields would be cut inside a character and leave
    // invalid UTF-8 in the file: it has no layout but its own.
    constexpr std::size_t fieldsEnd = 11;
    const bool plainFields = std::all_of(date.begin(), date.begin() + fieldsEnd,
                                         [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!plainFields)
        return dateFormat == 0 ? date : std::string();
    const std::string year = date.substr(0, 4);
    const std::string month = date.substr(5, 2);
    const std::string day = date.substr(8, 2);
    const std::string time = date.substr(11);
    const int monthNumber = ReadLeadingInt(month);
    if (monthNumber <= 0)
        return {};

    auto monthName = [&]() -> const std::string* {
        return monthNumber <= ExtractionSettings::MonthCount ? &monthNames[monthNumber - 1] : nullptr;
    };
    auto joined = [&](const std::string& a, const std::string& b, const std::string& c, char separator) {
        return a + separator + b + separator + c + ' ' + time;
    };

    switch (dateFormat) {
    case 0:
        return date;
    case 1:
        if (const std::string* name = monthName())
            return day + ' ' + *name + ' ' + year + ' ' + time;
        return {};
    case 2:
        if (const std::string* name = monthName())
            return *name + ' ' + day + ' ' + year + ' ' + time;
        return {};
    case 3:
        return joined(year, month, day, '-');
    case 4:
        return joined(day, month, year, '-');
    case 5:
        return joined(day, month, year, '/');
    case 6:
        return joined(month, day, year, '/');
    case 7:
        return joined(day, month, year, '.');
    case 8:
        return joined(year, month, day, '/');
    default:
        return {};
    }
}

std::string WithSubSeconds(const std::string& date, const std::string& subSecondDigits)
{
    constexpr std::size_t wholeDateLength = 19;
    if (subSecondDigits.empty() || date.size() != wholeDateLength)
        return date;
    return date + '.' + subSecondDigits;
}
