#include "extract/MapComposer.h"

#include "metadata/TextEncoding.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

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

// A number as a JSON number, so that a map program can sort and style by it; any other field as a
// string; null when the photo has none: an empty field, or the lone blank of a joined pair of
// which neither is known.
std::string PropertyValue(const Field& field)
{
    if (field.text.find_first_not_of(' ') == std::string::npos)
        return "null";
    if (field.type == Field::Type::Number)
        if (const auto number = JsonNumber(field.number, std::numeric_limits<double>::max()))
            return *number;
    return JsonString(field.text);
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

std::optional<std::string> MapComposer::Feature(std::string_view name, const std::vector<Column>& columns,
                                                const Fields& fields, std::optional<double> latitude,
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
    for (std::size_t column = 0; column < columns.size() && column < fields.size(); ++column)
        feature += ',' + JsonString(columns[column].heading) + ':' + PropertyValue(fields[column]);
    feature += "}}";
    return feature;
}
