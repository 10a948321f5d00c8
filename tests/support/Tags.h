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
    if (value.type() == TagValue::Type::None)
        *out << "(none)";
    else if (value.type() == TagValue::Type::Text)
        *out << '"' << value.text() << '"';
    else if (value.type() == TagValue::Type::Integer)
        *out << value.integer();
    for (std::size_t i = 0; i < value.rationalCount(); ++i)  // none but in rationals
        *out << (i ? " " : "") << value.rational(i).numerator << '/' << value.rational(i).denominator;
}
