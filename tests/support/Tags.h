#pragma once

#include "metadata/PhotoTags.h"

#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>

// Short ways to write the tag values of a test photo.
inline TagValue Text(std::string text)
{
    return TagValue::Text(std::move(text));
}

inline TagValue Number(std::int64_t number)
{
    return TagValue::Integer(number);
}

inline TagValue Fraction(std::int64_t numerator, std::int64_t denominator)
{
    return TagValue::Rationals({{numerator, denominator}});
}

// Degrees, minutes and seconds (or hours, minutes and seconds), each a fraction over 1 unless
// given as a pair.
inline TagValue Triple(Rational first, Rational second, Rational third)
{
    return TagValue::Rationals({first, second, third});
}

inline PhotoTags TagsWith(std::initializer_list<std::pair<Tag, TagValue>> values)
{
    PhotoTags tags;
    for (const auto& [tag, value] : values)
        tags[tag] = value;
    return tags;
}

// How a value shows in a failed expectation.
inline void PrintTo(const TagValue& value, std::ostream* out)
{
    switch (value.type()) {
    case TagValue::Type::None:
        *out << "(none)";
        break;
    case TagValue::Type::Text:
        *out << '"' << value.text() << '"';
        break;
    case TagValue::Type::Integer:
        *out << value.integer();
        break;
    case TagValue::Type::Rationals:
        for (std::size_t i = 0; i < value.rationalCount(); ++i)
            *out << (i ? " " : "") << value.rational(i).numerator << '/' << value.rational(i).denominator;
        break;
    }
}
