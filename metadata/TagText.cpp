#include "metadata/TagText.h"

#include <cstdint>

namespace {

constexpr char32_t ReplacementCharacter = 0xFFFD;

bool IsHighSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char32_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string Utf8FromUtf16Le(std::string_view bytes)
{
    const std::size_t count = (bytes.size() + 1) / 2;
    const auto unitAt = [bytes](std::size_t k) {
        const auto low = static_cast<std::uint8_t>(bytes[2 * k]);
        const auto high = 2 * k + 1 < bytes.size() ? static_cast<std::uint8_t>(bytes[2 * k + 1]) : 0u;
        return static_cast<char32_t>(low | (high << 8));
    };

    std::string out;
    out.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        const char32_t unit = unitAt(k);
        if (unit == 0)
            continue;
        if (IsHighSurrogate(unit) && k + 1 < count && IsLowSurrogate(unitAt(k + 1))) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (unitAt(k + 1) - 0xDC00));
            ++k;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendUtf8(out, ReplacementCharacter);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}
