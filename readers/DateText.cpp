#include "readers/DateText.h"

#include <array>

namespace {

bool Digits(std::string_view text, std::size_t at, std::size_t count)
{
    if (at + count > text.size())
        return false;
    for (std::size_t i = at; i < at + count; ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

int Number(std::string_view text, std::size_t at, std::size_t count)
{
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

std::string TwoDigits(int value)
{
    return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

// The Exif layout of a date whose month and day are real ones, at "HH:MM:SS".
std::optional<std::string> Layout(std::string_view year, int month, int day, std::string_view time)
{
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return std::nullopt;
    return std::string(year) + ':' + TwoDigits(month) + ':' + TwoDigits(day) + ' ' + std::string(time);
}

// "HH:MM" or "HH:MM:SS" at `at`, as "HH:MM:SS"; empty when there is none.
std::optional<std::string> TimeAt(std::string_view text, std::size_t at)
{
    if (!Digits(text, at, 2) || at + 2 >= text.size() || text[at + 2] != ':' || !Digits(text, at + 3, 2))
        return std::nullopt;
    const bool seconds = at + 5 < text.size() && text[at + 5] == ':' && Digits(text, at + 6, 2);
    return std::string(text.substr(at, 2)) + ':' + std::string(text.substr(at + 3, 2)) + ':' +
           (seconds ? std::string(text.substr(at + 6, 2)) : "00");
}

}  // namespace

std::optional<std::string> DateFromIso8601(std::string_view text)
{
    // A year alone, or a year and a month: the first day, as exiftool lays them out.
    if (text.size() == 4 && Digits(text, 0, 4))
        return Layout(text, 1, 1, "00:00:00");
    if (text.size() == 7 && Digits(text, 0, 4) && (text[4] == '-' || text[4] == ':') && Digits(text, 5, 2))
        return Layout(text.substr(0, 4), Number(text, 5, 2), 1, "00:00:00");
    // YYYY-MM-DD (or YYYY:MM:DD), then nothing, or "T" or a blank and the time.
    if (!Digits(text, 0, 4) || text.size() < 10 || (text[4] != '-' && text[4] != ':') || text[7] != text[4] ||
        !Digits(text, 5, 2) || !Digits(text, 8, 2))
        return std::nullopt;
    std::optional<std::string> time = "00:00:00";
    if (text.size() > 10 && (text[10] == 'T' || text[10] == ' '))
        time = TimeAt(text, 11);
    else if (text.size() > 10 && text[10] != 'Z' && text[10] != '+' && text[10] != '-')
        return std::nullopt;
    if (!time)
        return std::nullopt;
    return Layout(text.substr(0, 4), Number(text, 5, 2), Number(text, 8, 2), *time);
}

std::optional<std::string> DateFromIptc(std::string_view date, std::string_view time)
{
    if (date.size() != 8 || !Digits(date, 0, 8))
        return std::nullopt;
    std::string clock = "00:00:00";
    if (time.size() >= 6 && Digits(time, 0, 6))
        clock = std::string(time.substr(0, 2)) + ':' + std::string(time.substr(2, 2)) + ':' +
                std::string(time.substr(4, 2));
    return Layout(date.substr(0, 4), Number(date, 4, 2), Number(date, 6, 2), clock);
}

std::optional<std::string> DateFromPngText(std::string_view text)
{
    static constexpr std::array<std::string_view, 12> months{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // An optional "Wed, ", then the day of one or two digits, the month's name and the year.
    std::size_t at = text.find(", ");
    at = at == std::string_view::npos ? 0 : at + 2;
    const std::size_t dayDigits = Digits(text, at, 2) ? 2 : 1;
    if (!Digits(text, at, dayDigits) || at + dayDigits + 10 > text.size() || text[at + dayDigits] != ' ')
        return DateFromIso8601(text);
    const int day = Number(text, at, dayDigits);
    const std::string_view monthName = text.substr(at + dayDigits + 1, 3);
    int month = 0;
    for (std::size_t i = 0; i < months.size(); ++i)
        if (months[i] == monthName)
            month = static_cast<int>(i) + 1;
    const std::size_t year = at + dayDigits + 5;
    if (month == 0 || text[year - 1] != ' ' || !Digits(text, year, 4) || year + 4 >= text.size() ||
        text[year + 4] != ' ')
        return DateFromIso8601(text);
    const std::optional<std::string> time = TimeAt(text, year + 5);
    if (!time)
        return std::nullopt;
    return Layout(text.substr(year, 4), month, day, *time);
}
