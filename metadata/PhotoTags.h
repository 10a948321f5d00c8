#pragma once

#include "metadata/TagTable.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>

// A fraction as a photo stores it. Both the unsigned and the signed rationals of Exif fit.
struct Rational {
    std::int64_t numerator = 0;
    std::int64_t denominator = 0;

    bool operator==(const Rational&) const = default;
};

// One tag's value as the photo holds it: a text (UTF-8), a whole number or up to three rationals.
// A tag the photo lacks holds nothing.
class TagValue {
public:
    enum class Type : std::uint8_t { None, Text, Integer, Rationals };
    static constexpr std::size_t MaxRationals = 3;

    TagValue() = default;
    static TagValue Text(std::string text);
    static TagValue Integer(std::int64_t number);
    static TagValue Rationals(std::initializer_list<Rational> rationals);

    Type type() const { return m_type; }
    bool empty() const { return m_type == Type::None; }
    // The text; "" unless the value is a text.
    const std::string& text() const { return m_text; }
    // The number; 0 unless the value is a whole number.
    std::int64_t integer() const { return m_type == Type::Integer ? m_integer : 0; }
    std::size_t rationalCount() const { return m_type == Type::Rationals ? m_count : 0; }
    const Rational& rational(std::size_t i) const { return m_rationals[i]; }

    // Appends a rational, at most MaxRationals; the value becomes a rational value.
    void AddRational(Rational rational);

    bool operator==(const TagValue&) const = default;

private:
    Type m_type = Type::None;
    std::uint8_t m_count = 0;
    std::int64_t m_integer = 0;
    std::array<Rational, MaxRationals> m_rationals{};
    std::string m_text;
};

// What one reading of a photo yields: its pixel dimensions and the value of every tag the program
// knows (TagTable).
struct PhotoTags {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::array<TagValue, TagCount> values;

    const TagValue& operator[](Tag tag) const { return values[static_cast<std::size_t>(tag)]; }
    TagValue& operator[](Tag tag) { return values[static_cast<std::size_t>(tag)]; }
    // Whether a tag that the column of `tag` takes before it (PreferenceOf) holds a value: then
    // `tag` need not be read.
    bool PreferredGiven(Tag tag) const;

    bool operator==(const PhotoTags&) const = default;
};
