#include "readers/ExifValue.h"

#include "readers/ByteOrder.h"
#include "metadata/NumberText.h"
#include "metadata/TextEncoding.h"

#include <algorithm>
#include <cstdint>

namespace {

bool IsType(std::uint16_t type, std::initializer_list<ExifType> types)
{
    return std::any_of(types.begin(), types.end(),
                       [type](ExifType t) { return static_cast<std::uint16_t>(t) == type; });
}

// The text of a character field: up to its first NUL, in UTF-8.
std::string TextOf(std::string_view bytes)
{
    return Utf8FromUnstated(bytes.substr(0, bytes.find('\0')));
}

std::int64_t SignExtend(std::uint32_t value, std::size_t size)
{
    const unsigned bits = static_cast<unsigned>(8 * size);
    const std::uint32_t sign = std::uint32_t{1} << (bits - 1);
    return static_cast<std::int64_t>(value ^ sign) - static_cast<std::int64_t>(sign);
}

TagValue IntegerOf(std::uint16_t type, std::string_view bytes, bool bigEndian)
{
    if (IsType(type, {ExifType::Ascii})) {
        const std::string text = TextOf(bytes);
        return text.empty() ? TagValue() : TagValue::Integer(ReadLeadingInt(text));
    }
    const std::size_t size = ExifTypeSize(type);
    if (!IsType(type, {ExifType::Byte, ExifType::Short, ExifType::Long, ExifType::SignedByte, ExifType::SignedShort,
                       ExifType::SignedLong}) ||
        bytes.size() < size)
        return {};
    const std::uint32_t value = ReadNumber(bytes, 0, static_cast<int>(size), bigEndian);
    const bool isSigned = IsType(type, {ExifType::SignedByte, ExifType::SignedShort, ExifType::SignedLong});
    return TagValue::Integer(isSigned ? SignExtend(value, size) : std::int64_t{value});
}

TagValue RationalsOf(std::uint16_t type, std::string_view bytes, bool bigEndian, std::size_t wanted)
{
    if (!IsType(type, {ExifType::Rational, ExifType::SignedRational}) || bytes.size() < 8 * wanted)
        return {};
    const bool isSigned = IsType(type, {ExifType::SignedRational});
    const auto number = [&](std::size_t at) {
        const std::uint32_t value = ReadNumber(bytes, at, 4, bigEndian);
        return isSigned ? SignExtend(value, 4) : std::int64_t{value};
    };
    TagValue value;
    for (std::size_t i = 0; i < wanted; ++i)
        value.AddRational({number(8 * i), number(8 * i + 4)});
    return value;
}

}  // namespace

std::size_t ExifTypeSize(std::uint16_t type)
{
    switch (static_cast<ExifType>(type)) {
    case ExifType::Byte:
    case ExifType::Ascii:
    case ExifType::SignedByte:
    case ExifType::Undefined:
        return 1;
    case ExifType::Short:
    case ExifType::SignedShort:
        return 2;
    case ExifType::Long:
    case ExifType::SignedLong:
        return 4;
    case ExifType::Rational:
    case ExifType::SignedRational:
        return 8;
    }
    return 0;
}

TagValue ExifValue(ValueKind kind, std::uint16_t type, std::uint32_t count, std::string_view bytes, bool bigEndian)
{
    const std::size_t size = ExifTypeSize(type);
    if (size == 0 || count == 0)
        return {};
    bytes = bytes.substr(0, std::min<std::uint64_t>(std::uint64_t{count} * size, bytes.size()));
    if (bytes.empty())
        return {};
    const bool characters = IsType(type, {ExifType::Ascii, ExifType::Byte, ExifType::Undefined});
    switch (kind) {
    case ValueKind::Text:
        return characters ? TagValue::Text(TextOf(bytes)) : TagValue();
    case ValueKind::Utf16Text:
        if (IsType(type, {ExifType::Ascii}))
            return TagValue::Text(TextOf(bytes));
        return characters ? TagValue::Text(Utf8FromUtf16Le(bytes)) : TagValue();
    case ValueKind::Integer:
        return IntegerOf(type, bytes, bigEndian);
    case ValueKind::Rational:
        return RationalsOf(type, bytes, bigEndian, 1);
    case ValueKind::Triple:
        return RationalsOf(type, bytes, bigEndian, 3);
    }
    return {};
}
