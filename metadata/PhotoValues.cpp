#include "metadata/PhotoValues.h"

#include "metadata/NumberText.h"
#include "platform/FileSystem.h"

#include <array>
#include <cmath>
#include <numeric>
#include <string_view>
#include <utility>

namespace {

// A rational's value; empty for a zero denominator, which stores no number.
std::optional<double> ValueOf(const Rational& rational)
{
    if (rational.denominator == 0)
        return std::nullopt;
    return static_cast<double>(rational.numerator) / static_cast<double>(rational.denominator);
}

std::optional<double> FirstRational(const TagValue& value)
{
    return value.rationalCount() > 0 ? ValueOf(value.rational(0)) : std::nullopt;
}

std::string TrimBlanks(const std::string& text)
{
    // Cameras pad Make and Model to a fixed width with blanks; other white space is kept.
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// "%.1f" without a trailing ".0", as photographers write seconds: 2, 2.5, 30.
std::string Seconds(double seconds)
{
    std::string text = FormatFixed(seconds, 1);
    if (text.ends_with(".0"))
        text.resize(text.size() - 2);
    return text;
}

struct FlashWords {
    std::int64_t value;
    std::string_view words;
};

// The flash values cameras write, in the words the column has always used.
constexpr std::array<FlashWords, 22> flashWords{{
    {0x00, "Flash did not fire"},
    {0x01, "Flash fired"},
    {0x05, "Strobe return light not detected"},
    {0x07, "Strobe return light detected"},
    {0x09, "Flash fired, compulsory flash mode"},
    {0x0D, "Flash fired, compulsory flash mode, return light not detected"},
    {0x0F, "Flash fired, compulsory flash mode, return light detected"},
    {0x10, "Flash did not fire, compulsory flash mode"},
    {0x18, "Flash did not fire, auto mode"},
    {0x19, "Flash fired, auto mode"},
    {0x1D, "Flash fired, auto mode, return light not detected"},
    {0x1F, "Flash fired, auto mode, return light detected"},
    {0x20, "No flash function"},
    {0x41, "Flash fired, red-eye reduction mode"},
    {0x45, "Flash fired, red-eye reduction mode, return light not detected"},
    {0x47, "Flash fired, red-eye reduction mode, return light detected"},
    {0x49, "Flash fired, compulsory flash mode, red-eye reduction mode"},
    {0x4D, "Flash fired, compulsory flash mode, red-eye reduction mode, return light not detected"},
    {0x4F, "Flash fired, compulsory flash mode, red-eye reduction mode, return light detected"},
    {0x59, "Flash fired, auto mode, red-eye reduction mode"},
    {0x5D, "Flash fired, auto mode, return light not detected, red-eye reduction mode"},
    {0x5F, "Flash fired, auto mode, return light detected, red-eye reduction mode"},
}};

// A quotient of a rational as the coordinate keeps it: a zero denominator gives infinity or NaN,
// which the formatting leaves out.
double Quotient(const Rational& rational)
{
    return static_cast<double>(rational.numerator) / static_cast<double>(rational.denominator);
}

std::string TwoDigits(std::int64_t number)
{
    return (number >= 0 && number < 10 ? "0" : "") + std::to_string(number);
}

}  // namespace

PhotoValues::PhotoValues(TagSource& source) : m_source(source) {}

void PhotoValues::ReadImage(const std::string& path)
{
    // A file whose status cannot be read gets no size and no date, never the previous photo's.
    if (const auto status = platform::ReadFileStatus(path)) {
        m_fileSize = status->size;
        m_fileDate = status->fileTime;
    } else {
        m_fileSize.reset();
        m_fileDate.clear();
    }

    TagReading reading = m_source.Read(path);
    m_lastOutcome = reading.outcome;
    m_tags = reading.outcome == ReadOutcome::Read ? std::move(reading.tags) : PhotoTags{};
    m_keyed = reading.outcome == ReadOutcome::Read ? std::move(reading.keyed) : std::vector<KeyedValue>{};
    // The file's time stands for the capture date of a photo that was read and names none; a
    // photo no reader could read has a date nobody knows.
    if (reading.outcome != ReadOutcome::Read)
        m_fileDate.clear();
}

void PhotoValues::ClearValues()
{
    // Dimensions, size and file date stay: the next ReadImage sets them.
    const auto width = m_tags.width;
    const auto height = m_tags.height;
    m_tags = PhotoTags{};
    m_keyed.clear();
    m_tags.width = width;
    m_tags.height = height;
}

std::string PhotoValues::GetMake() const
{
    return TrimBlanks(Text(Tag::Make));
}

std::string PhotoValues::GetModel() const
{
    return TrimBlanks(Text(Tag::Model));
}

std::string PhotoValues::GetExposureTime() const
{
    const TagValue& value = Value(Tag::ExposureTime);
    const std::optional<double> seconds = FirstRational(value);
    if (!seconds || !(*seconds > 0))
        return {};
    if (*seconds >= 1)
        return Seconds(*seconds) + " sec";
    // Short times as the fraction a camera shows: the stored one when it is 1/N, else the nearest
    // 1/N, as exiftool rounds; between a quarter and a whole second a fraction would mislead
    // (0.6 s is not 1/2 s), so those are written as decimals.
    const Rational& stored = value.rational(0);
    const std::int64_t common = std::gcd(stored.numerator, stored.denominator);
    if (stored.numerator / common == 1)
        return "1/" + std::to_string(stored.denominator / common) + " sec";
    if (*seconds <= 0.25001)
        return "1/" + std::to_string(static_cast<std::int64_t>(0.5 + 1 / *seconds)) + " sec";
    return Seconds(*seconds) + " sec";
}

Field PhotoValues::GetFNumber() const
{
    const std::optional<double> number = FirstRational(Value(Tag::FNumber));
    if (!number)
        return {};
    // The number is the aperture; the text writes it as photographers do.
    Field field = Field::Fixed(*number, 1);
    field.text.insert(0, 1, 'F');
    return field;
}

Field PhotoValues::GetISOSpeed() const
{
    const TagValue& value = Value(Tag::ISOSpeed);
    if (value.type() != TagValue::Type::Integer)
        return {};
    return Field::Number(static_cast<double>(value.integer()), std::to_string(value.integer()));
}

std::string PhotoValues::GetFlash() const
{
    const TagValue& value = Value(Tag::Flash);
    if (value.type() != TagValue::Type::Integer)
        return {};
    for (const FlashWords& entry : flashWords)
        if (entry.value == value.integer())
            return std::string(entry.words);
    return "Unknown (" + std::to_string(value.integer()) + ")";
}

std::string PhotoValues::FirstText(Tag tag) const
{
    for (const Tag preferred : PreferenceOf(tag))
        if (!Text(preferred).empty())
            return Text(preferred);
    return {};
}

std::string PhotoValues::GetDateTime() const
{
    std::string date = FirstText(Tag::DateTimeOriginal);
    return date.empty() ? m_fileDate : date;
}

std::string PhotoValues::GetSubSecTimeOriginal() const
{
    // Only the digits count: cameras pad the field with blanks.
    const std::string& text = Text(Tag::SubSecTimeOriginal);
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto end = text.find_first_not_of("0123456789", first);
    return text.substr(first, end == std::string::npos ? std::string::npos : end - first);
}

std::optional<DateTimeParts> PhotoValues::CaptureMoment() const
{
    // "YYYY:MM:DD HH:MM:SS", each part all digits.
    const std::string date = GetDateTime();
    static constexpr std::string_view layout = "dddd:dd:dd dd:dd:dd";
    if (date.size() != layout.size())
        return std::nullopt;
    for (std::size_t i = 0; i < layout.size(); ++i)
        if (layout[i] == 'd' ? (date[i] < '0' || date[i] > '9') : date[i] != layout[i])
            return std::nullopt;
    const auto number = [&date](std::size_t at, std::size_t digits) { return ReadLeadingInt(date.substr(at, digits)); };
    DateTimeParts moment{number(0, 4),  number(5, 2),  number(8, 2),           number(11, 2),
                         number(14, 2), number(17, 2), GetSubSecTimeOriginal()};
    // A date no calendar has ("2021:00:00", a damaged "2021:13:45") stays a text; a leap second
    // is a time.
    if (moment.month < 1 || moment.month > 12 || moment.day < 1 || moment.day > 31 || moment.hour > 23 ||
        moment.minute > 59 || moment.second > 60)
        return std::nullopt;
    return moment;
}

std::string PhotoValues::GetMakeAndModel() const
{
    return GetMake() + ' ' + GetModel();
}

std::string PhotoValues::GetDimensions() const
{
    // Orientations 5 to 8 are quarter turns, so the picture as shown is turned on its side.
    const std::int64_t orientation = Value(Tag::Orientation).integer();
    const bool quarterTurn = orientation >= 5 && orientation <= 8;
    const auto shownWidth = quarterTurn ? m_tags.height : m_tags.width;
    const auto shownHeight = quarterTurn ? m_tags.width : m_tags.height;
    return std::to_string(shownWidth) + 'x' + std::to_string(shownHeight);
}

Field PhotoValues::GetFileSize() const
{
    if (!m_fileSize)
        return {};
    return Field::Number(static_cast<double>(*m_fileSize), std::to_string(*m_fileSize));
}

Field PhotoValues::GetFocalLength() const
{
    const std::optional<double> millimetres = FirstRational(Value(Tag::FocalLength));
    return millimetres ? Field::Fixed(*millimetres, 1) : Field();
}

Field PhotoValues::GetSubjectDistance() const
{
    const TagValue& value = Value(Tag::SubjectDistance);
    if (value.rationalCount() == 0)
        return {};
    // Exif writes an unknown distance as 0 and infinity as a numerator of all ones.
    if (value.rational(0).numerator == 0xFFFFFFFF)
        return Field::Text("Infinity");
    const std::optional<double> metres = ValueOf(value.rational(0));
    if (!metres || *metres == 0)
        return {};
    return Field::Fixed(*metres, 3);
}

Field PhotoValues::GetGPSImgDirection() const
{
    // The whole degrees, cut rather than rounded: 271.5 is 271.
    const std::optional<double> degrees = FirstRational(Value(Tag::GPSImgDirection));
    if (!degrees)
        return {};
    const Field fixed = Field::Fixed(*degrees, 6);
    if (fixed.type != Field::Type::Number)
        return fixed;
    return Field::Number(std::trunc(fixed.number), fixed.text.substr(0, fixed.text.find('.')));
}

std::string PhotoValues::GetLensModel() const
{
    const std::string& lens = Text(Tag::LensModel);
    return lens.empty() ? std::string("Unknown") : lens;
}

GpsCoordinate PhotoValues::Coordinate(Tag position, Tag reference) const
{
    GpsCoordinate coordinate;
    const TagValue& value = Value(position);
    if (value.rationalCount() == 3) {
        coordinate.degrees = Quotient(value.rational(0));
        coordinate.minutes = Quotient(value.rational(1));
        coordinate.seconds = Quotient(value.rational(2));
    }
    coordinate.reference = Text(reference);
    return coordinate;
}

std::optional<double> PhotoValues::Latitude() const
{
    return DecimalDegrees(Coordinate(Tag::GPSLatitude, Tag::GPSLatitudeRef));
}

std::optional<double> PhotoValues::Longitude() const
{
    return DecimalDegrees(Coordinate(Tag::GPSLongitude, Tag::GPSLongitudeRef));
}

std::optional<double> PhotoValues::Altitude() const
{
    const std::optional<double> metres = FirstRational(Value(Tag::GPSAltitude));
    // A centimetre or less is what a receiver without a fix writes, whatever the reference says.
    if (!metres || !std::isfinite(*metres) || !(*metres > 0.01))
        return std::nullopt;
    return Value(Tag::GPSAltitudeRef).integer() == 1 ? -*metres : *metres;  // 1: below sea level
}

Field PhotoValues::GetLatitude() const
{
    return FormatDecimalDegrees(Coordinate(Tag::GPSLatitude, Tag::GPSLatitudeRef));
}

Field PhotoValues::GetLongitude() const
{
    return FormatDecimalDegrees(Coordinate(Tag::GPSLongitude, Tag::GPSLongitudeRef));
}

Field PhotoValues::GetGPSAltitude() const
{
    const std::optional<double> altitude = Altitude();
    return altitude ? Field::Fixed(*altitude, 2) : Field();
}

Field PhotoValues::Keyed(std::size_t slot) const
{
    if (slot >= m_keyed.size())
        return {};
    const KeyedValue& value = m_keyed[slot];
    return value.number ? Field::Number(*value.number, value.text) : Field::Text(value.text);
}

std::string PhotoValues::GetGPSDateTime() const
{
    std::string time;
    const TagValue& stamp = Value(Tag::GPSTimeStamp);
    if (stamp.rationalCount() == 3) {
        // Hours, minutes and seconds, each of which may be a fraction; a part without a
        // denominator counts as nothing.
        double seconds = 0;
        for (std::size_t i = 0; i < 3; ++i)
            seconds += ValueOf(stamp.rational(i)).value_or(0) * (i == 0 ? 3600 : i == 1 ? 60 : 1);
        // A damaged stamp can name any number of hours; beyond a few thousand years it is no time.
        if (!(std::abs(seconds) < 1e11))
            return Text(Tag::GPSDateStamp) + ' ';
        const auto hours = static_cast<std::int64_t>(seconds / 3600);
        const auto minutes = static_cast<std::int64_t>(seconds / 60) - hours * 60;
        seconds -= static_cast<double>(hours * 3600 + minutes * 60);
        // Two digits for each part before the point, as clocks and exiftool write a time.
        std::string secondsText = FormatFixed(seconds, 2);
        if (secondsText.find('.') == 1)
            secondsText.insert(0, 1, '0');
        time = TwoDigits(hours) + ':' + TwoDigits(minutes) + ':' + secondsText;
    }
    return Text(Tag::GPSDateStamp) + ' ' + time;
}

std::optional<double> DecimalDegrees(const GpsCoordinate& coordinate)
{
    // A photo without the tag holds three zeros. Positions near the equator or the prime meridian
    // are real and are printed.
    if (coordinate.degrees == 0.0 && coordinate.minutes == 0.0 && coordinate.seconds == 0.0)
        return std::nullopt;
    double value = coordinate.degrees + (coordinate.minutes + coordinate.seconds / 60.0) / 60.0;
    if (coordinate.reference == "S" || coordinate.reference == "W")
        value = -value;
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

Field FormatDecimalDegrees(const GpsCoordinate& coordinate)
{
    const std::optional<double> degrees = DecimalDegrees(coordinate);
    return degrees ? Field::Fixed(*degrees, 6) : Field();
}
