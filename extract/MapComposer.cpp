#include "extract/MapComposer.h"

#include "metadata/TextEncoding.h"

#include <charconv>
#include <cmath>

namespace {

// A number as JSON takes it: a plain decimal number (JSON allows no "+", no leading point and no
// leading zeros). Empty when the text is none.
std::optional<std::string_view> JsonNumber(std::string_view text)
{
    if (!IsPlainNumber(text) || text.front() == '+' || text.front() == '.' || text.back() == '.')
        return std::nullopt;
    const std::string_view digits = text.front() == '-' ? text.substr(1) : text;
    if (digits.front() == '.' || (digits.size() > 1 && digits[0] == '0' && digits[1] != '.'))
        return std::nullopt;
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || !std::isfinite(value))
        return std::nullopt;
    return text;
}

// A number as JSON takes it, in the fewest digits that read back as the same double; nothing when
// there is none, or it lies beyond the bound.
std::optional<std::string> JsonNumber(std::optional<double> value, double bound)
{
    if (!value || !std::isfinite(*value) || std::fabs(*value) > bound)
        return std::nullopt;
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, *value);
    return std::string(digits, result.ptr);
}

// The text as a JSON string, quotes included.
std::string JsonString(std::string_view given)
{
    // A file name is bytes to the system; it is read into UTF-8 as the records read it.
    const std::string utf8 = Utf8FromUnstated(given);
    std::string_view text = utf8;
    std::string json = "\"";
    while (!text.empty()) {
        const std::size_t length = Utf8CharacterLength(text);
        const char c = text.front();
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            static constexpr char hex[] = "0123456789abcdef";
            json += "\\u00";
            json += hex[(c >> 4) & 0xF];
            json += hex[c & 0xF];
        } else {
            json.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    json += '"';
    return json;
}

// A number column's value as a JSON number, so that a map program can sort and style by it; a
// text, or a number column's text that is no plain number ("F7.1"), as a string; null when the
// photo has none: an empty value, or the lone blank of a joined pair of which neither is known.
std::string PropertyValue(const Column& column, std::string_view value)
{
    if (value.find_first_not_of(' ') == std::string_view::npos)
        return "null";
    if (column.quoting == Column::Quoting::Number)
        if (const auto number = JsonNumber(value))
            return std::string(*number);
    return JsonString(value);
}

}  // namespace

std::string_view MapComposer::Opening()
{
    return "{\"type\":\"FeatureCollection\",\"features\":[\n";
}

std::string_view MapComposer::Closing()
{
    return "\n]}\n";
}

std::string_view MapComposer::Between()
{
    return ",\n";
}

std::optional<std::string> MapComposer::Feature(std::string_view name, const ColumnSelection& ticked,
                                                const ColumnValues& values, std::optional<double> latitude,
                                                std::optional<double> longitude, std::optional<double> altitude) const
{
    const auto north = JsonNumber(latitude, 90.0);
    const auto east = JsonNumber(longitude, 180.0);
    if (!north || !east)
        return std::nullopt;
    std::string feature = "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":[";
    feature.append(*east).append(",").append(*north);
    if (const auto height = JsonNumber(altitude, 1e7))
        feature.append(",").append(*height);
    feature += "]},\"properties\":{\"Filename\":" + JsonString(name);
    for (int column = 0; column < ColumnCount; ++column) {
        if (!ticked[column])
            continue;
        const Column& definition = ColumnCatalogue()[column];
        feature += ',' + JsonString(definition.heading) + ':' + PropertyValue(definition, values[column]);
    }
    feature += "}}";
    return feature;
}
