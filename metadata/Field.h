#pragma once

#include <cstdint>
#include <string>

// A moment as a photo states it: the local time to the second, and the fraction of a second where
// the photo gives one.
struct DateTimeParts {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    std::string fraction;  // the digits after the point ("25" for .25); "" for none

    bool operator==(const DateTimeParts&) const = default;
};

// One photo's value in one column. It carries its text as the delimited file writes it and what
// kind of value it is, so that every output (the file, the map, a workbook) writes it in its own
// form and none has to read a text back to learn what it was.
struct Field {
    enum class Type : std::uint8_t { Empty, Text, Number, DateTime };

    Type type = Type::Empty;
    std::string text;
    double number = 0.0;   // a Number's value: exactly what its text shows
    DateTimeParts moment;  // a DateTime's date and time, whatever part of it the text shows

    // A text; Empty when it is "".
    static Field Text(std::string text);
    static Field Number(double number, std::string text);
    static Field DateTime(const DateTimeParts& moment, std::string text);
    // The number with `decimals` decimals, as printf's "%.Nf" writes it in the C locale; the
    // number is the one that text shows, so that every output gives the same value.
    static Field Fixed(double value, int decimals);

    bool operator==(const Field&) const = default;
};
