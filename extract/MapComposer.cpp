#include "extract/MapComposer.h"

#include "metadata/TextEncoding.h"

#include <charconv>
#include <cmath>

namespace {

// A coordinate as JSON takes it: a plain decimal number (JSON allows no "+", no leading point and
// no leading zeros), within the bound. Empty when the text is none.
std::optional<std::string_view> Coordinate(std::string_view text, double bound)
{
    if (!IsPlainNumber(text) || text.front() == '+' || text.front() == '.' || text.back() == '.')
        return std::nullopt;
    const std::string_view digits = text.front() == '-' ? text.substr(1) : text;
    if (digits.front() == '.' || (digits.size() > 1 && digits[0] == '0' && digits[1] != '.'))
        return std::nullopt;
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || !std::isfinite(value) || std::fabs(value) > bound)
        return std::nullopt;
    return text;
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
                                                const ColumnValues& values, std::string_view latitude,
                                                std::string_view longitude, std::string_view altitude) const
{
    const auto north = Coordinate(latitude, 90.0);
    const auto east = Coordinate(longitude, 180.0);
    if (!north || !east)
        return std::nullopt;
    std::string feature = "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":[";
    feature.append(*east).append(",").append(*north);
    if (const auto height = Coordinate(altitude, 1e7))
        feature.append(",").append(*height);
    feature += "]},\"properties\":{\"Filename\":" + JsonString(name);
    for (int column = 0; column < ColumnCount; ++column) {
        if (!ticked[column])
            continue;
        feature += ',' + JsonString(ColumnCatalogue()[column].heading) + ':' + JsonString(values[column]);
    }
    feature += "}}";
    return feature;
}
