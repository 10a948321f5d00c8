#include "metadata/TagWire.h"

#include <array>
#include <bit>
#include <cstring>

namespace tagwire {

namespace {

// The text fields of PhotoTags in wire order.
constexpr std::array textFields{
    &PhotoTags::dateTime,     &PhotoTags::fNumber,      &PhotoTags::exposureTime,    &PhotoTags::isoSpeed,
    &PhotoTags::make,         &PhotoTags::model,        &PhotoTags::flash,           &PhotoTags::focalLength,
    &PhotoTags::subjectDistance, &PhotoTags::comment,   &PhotoTags::gpsAltitude,     &PhotoTags::gpsTimeStamp,
    &PhotoTags::gpsImgDirection, &PhotoTags::gpsDateStamp, &PhotoTags::headline,     &PhotoTags::caption,
    &PhotoTags::keywords,     &PhotoTags::lensModel,    &PhotoTags::xpKeywords,      &PhotoTags::xpAuthor,
    &PhotoTags::xpComment,    &PhotoTags::xpSubject,    &PhotoTags::xpTitle,         &PhotoTags::gpsAltitudeRef,
    &PhotoTags::orientation,
};

void PutU32(std::string& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutText(std::string& out, const std::string& text)
{
    PutU32(out, static_cast<std::uint32_t>(text.size()));
    out += text;
}

void PutCoordinate(std::string& out, const GpsCoordinate& coordinate)
{
    PutU32(out, std::bit_cast<std::uint32_t>(coordinate.degrees));
    PutU32(out, std::bit_cast<std::uint32_t>(coordinate.minutes));
    PutU32(out, std::bit_cast<std::uint32_t>(coordinate.seconds));
    PutText(out, coordinate.reference);
}

class Cursor {
public:
    explicit Cursor(std::string_view data) : m_data(data) {}

    bool U32(std::uint32_t& value)
    {
        if (m_data.size() < 4)
            return false;
        value = PayloadSize(m_data);
        m_data.remove_prefix(4);
        return true;
    }
    bool Float(float& value)
    {
        std::uint32_t bits = 0;
        if (!U32(bits))
            return false;
        value = std::bit_cast<float>(bits);
        return true;
    }
    bool Int(std::int32_t& value)
    {
        std::uint32_t bits = 0;
        if (!U32(bits))
            return false;
        value = static_cast<std::int32_t>(bits);
        return true;
    }
    bool Text(std::string& text)
    {
        std::uint32_t size = 0;
        if (!U32(size) || m_data.size() < size)
            return false;
        text.assign(m_data.substr(0, size));
        m_data.remove_prefix(size);
        return true;
    }
    bool Coordinate(GpsCoordinate& coordinate)
    {
        return Float(coordinate.degrees) && Float(coordinate.minutes) && Float(coordinate.seconds) &&
               Text(coordinate.reference);
    }
    bool AtEnd() const { return m_data.empty(); }

private:
    std::string_view m_data;
};

}  // namespace

std::string Frame(Kind kind, std::string_view body)
{
    std::string message;
    message.reserve(HeaderSize + body.size());
    PutU32(message, static_cast<std::uint32_t>(body.size()));
    message += static_cast<char>(kind);
    message += body;
    return message;
}

Taken TakeMessage(std::string& buffer, Message& message)
{
    if (buffer.size() < HeaderSize)
        return Taken::Incomplete;
    const std::uint32_t size = PayloadSize(buffer);
    const auto kind = static_cast<std::uint8_t>(buffer[4]);
    if (size > MaxMessageSize || kind < static_cast<std::uint8_t>(Kind::Hello) ||
        kind > static_cast<std::uint8_t>(Kind::Progress))
        return Taken::Broken;
    if (buffer.size() - HeaderSize < size)
        return Taken::Incomplete;
    message.kind = static_cast<Kind>(kind);
    message.body.assign(buffer, HeaderSize, size);
    buffer.erase(0, HeaderSize + size);
    return Taken::Message;
}

std::string RequestBody(std::uint32_t flags, std::string_view path)
{
    std::string body;
    body.reserve(4 + path.size());
    PutU32(body, flags);
    body += path;
    return body;
}

bool DecodeRequest(std::string_view body, std::uint32_t& flags, std::string& path)
{
    if (body.size() < 4)
        return false;
    flags = PayloadSize(body);
    path.assign(body.substr(4));
    return true;
}

std::string ProgressBody(std::uint64_t bytes)
{
    std::string body;
    PutU32(body, static_cast<std::uint32_t>(bytes));
    PutU32(body, static_cast<std::uint32_t>(bytes >> 32));
    return body;
}

std::uint32_t PayloadSize(std::string_view bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return value;
}

std::string EncodeReading(const TagReading& reading)
{
    std::string out;
    out.reserve(256);
    PutU32(out, static_cast<std::uint32_t>(reading.outcome));
    PutU32(out, static_cast<std::uint32_t>(reading.tags.width));
    PutU32(out, static_cast<std::uint32_t>(reading.tags.height));
    PutCoordinate(out, reading.tags.latitude);
    PutCoordinate(out, reading.tags.longitude);
    for (auto field : textFields)
        PutText(out, reading.tags.*field);
    return out;
}

std::optional<TagReading> DecodeReading(std::string_view payload)
{
    Cursor cursor(payload);
    TagReading reading;
    std::uint32_t outcome = 0;
    if (!cursor.U32(outcome) || outcome > static_cast<std::uint32_t>(LastReadOutcome))
        return std::nullopt;
    reading.outcome = static_cast<ReadOutcome>(outcome);
    if (!cursor.Int(reading.tags.width) || !cursor.Int(reading.tags.height) ||
        !cursor.Coordinate(reading.tags.latitude) || !cursor.Coordinate(reading.tags.longitude))
        return std::nullopt;
    for (auto field : textFields)
        if (!cursor.Text(reading.tags.*field))
            return std::nullopt;
    if (!cursor.AtEnd())
        return std::nullopt;
    return reading;
}

}  // namespace tagwire
