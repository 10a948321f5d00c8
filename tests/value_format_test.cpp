// The value operations: how each column's text comes from the typed values of a photo.

#include "metadata/PhotoValues.h"

#include "support/ScriptedTagSource.h"
#include "support/Tags.h"
#include "support/TextOf.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <functional>
#include <limits>

#include <utime.h>

namespace {

class ValueFormat : public ::testing::Test {
protected:
    // Reads one photo whose tags are `tags`.
    PhotoValues& Read(PhotoTags tags, ReadOutcome outcome = ReadOutcome::Read)
    {
        const std::string path = folder.Touch("p.jpg", "1234567");
        source.Set("p.jpg", std::move(tags), outcome);
        reader.ReadImage(path);
        return reader;
    }

    TempFolder folder;
    ScriptedTagSource source;
    PhotoValues reader{source};
};

struct Case {
    PhotoTags tags;
    std::string (*operation)(const PhotoValues&);
    std::string expected;
};

}  // namespace

TEST_F(ValueFormat, EachColumnTextFromTheStoredValue)
{
    using C = PhotoValues;
    const Case cases[] = {
        // Exposure: the stored 1/N as it stands, other fractions to the nearest 1/N as exiftool
        // rounds them, a quarter of a second and longer as decimals.
        {TagsWith({{Tag::ExposureTime, Fraction(1, 3)}}), TextOf<&C::GetExposureTime>, "1/3 sec"},
        {TagsWith({{Tag::ExposureTime, Fraction(6, 10)}}), TextOf<&C::GetExposureTime>, "0.6 sec"},
        {TagsWith({{Tag::ExposureTime, Fraction(2, 1)}}), TextOf<&C::GetExposureTime>, "2 sec"},
        {TagsWith({{Tag::ExposureTime, Fraction(0, 0)}}), TextOf<&C::GetExposureTime>, ""},
        {TagsWith({{Tag::FNumber, Fraction(11, 1)}}), TextOf<&C::GetFNumber>, "F11.0"},
        {TagsWith({{Tag::FNumber, Fraction(1, 0)}}), TextOf<&C::GetFNumber>, ""},
        {TagsWith({{Tag::Flash, Number(16)}}), TextOf<&C::GetFlash>, "Flash did not fire, compulsory flash mode"},
        // Distance: 0 and 0/0 mean unknown, all ones infinity.
        {TagsWith({{Tag::SubjectDistance, Fraction(35, 10)}}), TextOf<&C::GetSubjectDistance>, "3.500"},
        {TagsWith({{Tag::SubjectDistance, Fraction(0, 0)}}), TextOf<&C::GetSubjectDistance>, ""},
        {TagsWith({{Tag::SubjectDistance, Fraction(0xFFFFFFFF, 1)}}), TextOf<&C::GetSubjectDistance>, "Infinity"},
        {TagsWith({{Tag::FocalLength, Fraction(50, 1)}}), TextOf<&C::GetFocalLength>, "50.0"},
        {TagsWith({{Tag::GPSImgDirection, Fraction(1, 0)}}), TextOf<&C::GetGPSImgDirection>, ""},
        // Altitude in double precision, not float.
        {TagsWith({{Tag::GPSAltitude, Fraction(100000044, 1000)}}), TextOf<&C::GetGPSAltitude>, "100000.04"},
        {TagsWith({{Tag::GPSAltitude, Fraction(5, 0)}}), TextOf<&C::GetGPSAltitude>, ""},
        // Two rationals are no position.
        {TagsWith({{Tag::GPSLatitude, TagValue::Rationals({{10, 1}, {20, 1}})}}), TextOf<&C::GetLatitude>, ""},
        {TagsWith({{Tag::GPSLatitude, Triple({10, 1}, {20, 1}, {7, 0})}}), TextOf<&C::GetLatitude>, ""},
        // GPS date and time, two digits to each part of the time, as exiftool writes it.
        {TagsWith({{Tag::GPSDateStamp, Text("2021:07:14")}, {Tag::GPSTimeStamp, Triple({7, 1}, {3, 1}, {724, 100})}}),
         TextOf<&C::GetGPSDateTime>, "2021:07:14 07:03:07.24"},
        {TagsWith({{Tag::GPSTimeStamp, Triple({23, 1}, {59, 1}, {5850, 100})}}), TextOf<&C::GetGPSDateTime>,
         " 23:59:58.50"},
        {PhotoTags{}, TextOf<&C::GetGPSDateTime>, " "},
        // A damaged GPS time.
        {TagsWith({{Tag::GPSTimeStamp, Triple({std::numeric_limits<std::int64_t>::max(), 1}, {0, 1}, {0, 1})}}),
         TextOf<&C::GetGPSDateTime>, " "},
        // Texts: cameras pad Make and Model with blanks, which go; other texts are kept whole.
        {TagsWith({{Tag::Model, Text(" EOS\t ")}}), TextOf<&C::GetModel>, "EOS\t"},
        {TagsWith({{Tag::LensModel, Text(" ")}}), TextOf<&C::GetLensModel>, " "},
        // A video's date after Photoshop's, which a sidecar may give it.
        {TagsWith({{Tag::VideoDate, Text("2023:04:05 06:07:08")},
                   {Tag::XmpPhotoshopDateCreated, Text("2018:03:04 00:00:00")}}),
         TextOf<&C::GetDateTime>, "2018:03:04 00:00:00"},
        {TagsWith({{Tag::SubSecTimeOriginal, Text(" 25 ")}}), TextOf<&C::GetSubSecTimeOriginal>, "25"},
        // Headline and description from XMP where the photo has no IPTC text, never over it.
        {TagsWith({{Tag::XmpDescription, Text("x")}, {Tag::Caption, Text("")}}), TextOf<&C::GetCaption>, "x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.operation(Read(c.tags)), c.expected) << "row " << &c - cases;
}

// A number carries the value its text shows, so that the map and a workbook give the number the
// delimited file gives; a number column's text that is no number stays a text.
TEST_F(ValueFormat, NumbersCarryTheValueTheirTextShows)
{
    using C = PhotoValues;
    using T = Field::Type;
    const struct {
        PhotoTags tags;
        Field (C::*operation)() const;
        T type;
        double number;
    } cases[] = {
        {TagsWith({{Tag::SubjectDistance, Fraction(35, 10)}}), &C::GetSubjectDistance, T::Number, 3.5},
        {TagsWith({{Tag::SubjectDistance, Fraction(0xFFFFFFFF, 1)}}), &C::GetSubjectDistance, T::Text, 0},
        {TagsWith({{Tag::GPSImgDirection, Fraction(2715, 10)}}), &C::GetGPSImgDirection, T::Number, 271},
        {PhotoTags{}, &C::GetFocalLength, T::Empty, 0},
    };
    for (const auto& c : cases) {
        const Field field = (Read(c.tags).*c.operation)();
        EXPECT_EQ(field.type, c.type) << "row " << &c - cases;
        EXPECT_EQ(field.number, c.number) << "row " << &c - cases;
    }
}

// The capture date as numbers, for outputs that write real dates; none for a date no calendar has.
TEST_F(ValueFormat, CaptureMomentOnlyForAWholeDate)
{
    for (const char* date : {"2021:13:14 09:30:15", "2021:07:14T09:30:15", "2021:07:14 09:30", "0000:00:00 00:00:00"})
        EXPECT_EQ(Read(TagsWith({{Tag::DateTimeOriginal, Text(date)}})).CaptureMoment(), std::nullopt) << date;
}

// A copy made today that kept its modification time (cp -p, rsync -t, camera import tools) has
// that older time as its date, not the moment it was copied.
TEST_F(ValueFormat, DateFallsBackToTheOlderOfTheFileTimes)
{
    std::tm local{};
    ::strptime("2001:02:03 04:05:06", "%Y:%m:%d %H:%M:%S", &local);
    local.tm_isdst = -1;
    const std::string path = folder.Touch("p.jpg", "1234567");
    const ::utimbuf times{std::mktime(&local), std::mktime(&local)};
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
    source.Set("p.jpg", PhotoTags{});
    reader.ReadImage(path);
    EXPECT_EQ(reader.GetDateTime(), "2001:02:03 04:05:06");
}

TEST_F(ValueFormat, FileSizeIsTheFullSizeAndEmptyWhenTheStatusIsUnknown)
{
    const std::string path = folder.Touch("big.jpg", "");
    std::filesystem::resize_file(path, 3000000000ull);  // sparse: takes no disk space
    reader.ReadImage(path);
    EXPECT_EQ(reader.GetFileSize().text, "3000000000");
    reader.ReadImage(folder.Text() + "gone.jpg");
    EXPECT_EQ(reader.GetFileSize().text, "");
    EXPECT_EQ(reader.GetDateTime(), "");
}

TEST_F(ValueFormat, SlotsAreEmptyAfterClearValuesAndForAnUnreadablePhoto)
{
    PhotoTags tags = TagsWith({{Tag::XPTitle, Text("Title")},
                               {Tag::Make, Text("Make")},
                               {Tag::GPSLatitude, Triple({10, 1}, {0, 1}, {0, 1})}});
    tags.width = 8;
    tags.height = 6;
    Read(tags).ClearValues();
    EXPECT_EQ(reader.GetXPTitle(), "");
    EXPECT_EQ(reader.GetMake(), "");
    EXPECT_EQ(reader.GetLatitude().text, "");
    EXPECT_EQ(reader.GetDimensions(), "8x6");

    PhotoValues& photo = Read(tags, ReadOutcome::Crashed);
    EXPECT_EQ(photo.GetMake(), "");
    EXPECT_EQ(photo.GetDimensions(), "0x0");
    EXPECT_EQ(photo.GetFileSize().text, "7");
    EXPECT_EQ(photo.GetDateTime(), "") << "the file's time is no capture date of a photo not read";
}

TEST(DecimalDegrees, SignedBySouthAndWestOnlyAndEmptyWithoutANumber)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<GpsCoordinate, const char*> cases[] = {
        {{48, 51, 23.76, "s"}, "48.856600"},
        {{2, 21, 0, ""}, "2.350000"},
        {{0, 0, 18.36, "W"}, "-0.005100"},  // near the prime meridian: real, printed
        {{nan, 0, 0, "N"}, ""},
        {{10, inf, 0, "N"}, ""},
    };
    for (const auto& [coordinate, expected] : cases)
        EXPECT_EQ(FormatDecimalDegrees(coordinate).text, expected) << coordinate.degrees << " " << coordinate.reference;
}
