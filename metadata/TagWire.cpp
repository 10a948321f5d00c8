#include "metadata/TagWire.h"

#include "metadata/NumberText.h"
#include "metadata/TextEncoding.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace tagwire {

namespace {

void PutU32(std::string& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutI64(std::string& out, std::int64_t value)
{
    const auto bits = static_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i)
        out += static_cast<char>((bits >> (8 * i)) & 0xFF);
}

// A tag's value: its type, then a text's length and bytes, a number, or a count of rationals and
// their numerators and denominators.
void PutValue(std::string& out, const TagValue& value)
{
    out += static_cast<char>(value.type());
    switch (value.type()) {
    case TagValue::Type::None:
        break;
    case TagValue::Type::Text:
        PutU32(out, static_cast<std::uint32_t>(value.text().size()));
        out += value.text();
        break;
    case TagValue::Type::Integer:
        PutI64(out, value.integer());
        break;
    case TagValue::Type::Rationals:
        out += static_cast<char>(value.rationalCount());
        for (std::size_t i = 0; i < value.rationalCount(); ++i) {
            PutI64(out, value.rational(i).numerator);
            PutI64(out, value.rational(i).denominator);
        }
        break;
    }
}

class Cursor {
public:
    explicit Cursor(std::string_view data) : m_data(data) {}

    bool Byte(std::uint8_t& value)
    {
        if (m_data.empty())
            return false;
        value = static_cast<std::uint8_t>(m_data.front());
        m_data.remove_prefix(1);
        return true;
    }
    bool U32(std::uint32_t& value)
    {
        if (m_data.size() < 4)
            return false;
        value = PayloadSize(m_data);
        m_data.remove_prefix(4);
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
    bool I64(std::int64_t& value)
    {
        if (m_data.size() < 8)
            return false;
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(m_data[i])) << (8 * i);
        value = static_cast<std::int64_t>(bits);
        m_data.remove_prefix(8);
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
    bool Value(TagValue& value)
    {
        std::uint8_t type = 0;
        if (!Byte(type))
            return false;
        switch (static_cast<TagValue::Type>(type)) {
        case TagValue::Type::None:
            value = TagValue();
            return true;
        case TagValue::Type::Text: {
            // A reader sends only UTF-8; anything else comes from a reader that is broken.
            std::string text;
            if (!Text(text) || !IsValidUtf8(text))
                return false;
            value = TagValue::Text(std::move(text));
            return true;
        }
        case TagValue::Type::Integer: {
            std::int64_t number = 0;
            if (!I64(number))
                return false;
            value = TagValue::Integer(number);
            return true;
        }
        case TagValue::Type::Rationals: {
            std::uint8_t count = 0;
            if (!Byte(count) || count == 0 || count > TagValue::MaxRationals)
                return false;
            value = TagValue();
            for (std::uint8_t i = 0; i < count; ++i) {
                Rational rational;
                if (!I64(rational.numerator) || !I64(rational.denominator))
                    return false;
                value.AddRational(rational);
            }
            return true;
        }
        }
        return false;
    }
    // A keyed value: whether the reader found it a number, then its text, which must then be a
    // plain number.
    bool Keyed(KeyedValue& value)
    {
        std::uint8_t numeric = 0;
        if (!Byte(numeric) || numeric > 1 || !Text(value.text) || !IsValidUtf8(value.text))
            return false;
        value.number.reset();
        if (numeric == 1 && !(value.number = PlainDecimal(value.text)))
            return false;
        return true;
    }
    bool AtEnd() const { return m_data.empty(); }
    std::string_view Rest() const { return m_data; }

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

bool IsSendableKey(std::string_view key)
{
    return !key.empty() && key.size() <= MaxKeyLength &&
           std::all_of(key.begin(), key.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

// The flags, the count of keys, each key's length and bytes, then the path to the end.
std::string RequestBody(std::uint32_t flags, const std::vector<std::string>& keys, std::string_view path)
{
    std::string body;
    body.reserve(8 + path.size());
    PutU32(body, flags);
    PutU32(body, static_cast<std::uint32_t>(keys.size()));
    for (const std::string& key : keys) {
        PutU32(body, static_cast<std::uint32_t>(key.size()));
        body += key;
    }
    body += path;
    return body;
}

bool DecodeRequest(std::string_view body, std::uint32_t& flags, std::vector<std::string>& keys, std::string& path)
{
    Cursor cursor(body);
    std::uint32_t count = 0;
    if (!cursor.U32(flags) || !cursor.U32(count) || count > MaxKeys)
        return false;
    keys.resize(count);
    for (std::string& key : keys)
        if (!cursor.Text(key) || !IsSendableKey(key))
            return false;
    path.assign(cursor.Rest());
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
    for (const TagValue& value : reading.tags.values)
        PutValue(out, value);
    PutU32(out, static_cast<std::uint32_t>(reading.keyed.size()));
    for (const KeyedValue& value : reading.keyed) {
        out += static_cast<char>(value.number ? 1 : 0);
        PutU32(out, static_cast<std::uint32_t>(value.text.size()));
        out += value.text;
    }
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
    if (!cursor.Int(reading.tags.width) || !cursor.Int(reading.tags.height))
        return std::nullopt;
    for (TagValue& value : reading.tags.values)
        if (!cursor.Value(value))
            return std::nullopt;
    std::uint32_t keyed = 0;
    if (!cursor.U32(keyed) || keyed > MaxKeys)
        return std::nullopt;
    reading.keyed.resize(keyed);
    for (KeyedValue& value : reading.keyed)
        if (!cursor.Keyed(value))
            return std::nullopt;
    if (!cursor.AtEnd())
        return std::nullopt;
    return reading;
}

}  // namespace tagwire
