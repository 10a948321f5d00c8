#include "metadata/CFotoHarvest.h"

#include "support/ScriptedTagSource.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

class ValueFormat : public ::testing::Test {
protected:
    // Reads one photo whose tags are `tags`.
    CFotoHarvest& Read(PhotoTags tags, ReadOutcome outcome = ReadOutcome::Read)
    {
        const std::string path = folder.Touch("p.jpg", "1234567");
        source.Set("p.jpg", std::move(tags), outcome);
        reader.ReadImage(path);
        return reader;
    }

    TempFolder folder;
    ScriptedTagSource source;
    CFotoHarvest reader{source};
};

GpsCoordinate Coordinate(float degrees, float minutes, float seconds, std::string reference)
{
    return GpsCoordinate{degrees, minutes, seconds, std::move(reference)};
}

}  // namespace

TEST_F(ValueFormat, DateFallsBackToTheFileTimeAndKeepsIt)
{
    CFotoHarvest& photo = Read(PhotoTags{});
    const std::string fileDate = photo.GetDateTime();
    ASSERT_EQ(fileDate.size(), 19u);
    EXPECT_EQ(fileDate[4], ':');
    EXPECT_EQ(fileDate[10], ' ');
    EXPECT_EQ(photo.GetDateTime(), fileDate);

    PhotoTags dated;
    dated.dateTime = "2001:02:03 04:05:06";
    EXPECT_EQ(Read(dated).GetDateTime(), "2001:02:03 04:05:06");
}

TEST_F(ValueFormat, JoinedTextsKeepTheirBlank)
{
    PhotoTags tags;
    EXPECT_EQ(Read(tags).GetMakeAndModel(), " ");
    EXPECT_EQ(Read(tags).GetGPSDateTime(), " ");
    tags.make = "Canon";
    tags.gpsDateStamp = "2020:01:02";
    tags.gpsTimeStamp = "10:11:12";
    EXPECT_EQ(Read(tags).GetMakeAndModel(), "Canon ");
    EXPECT_EQ(Read(tags).GetGPSDateTime(), "2020:01:02 10:11:12");
}

TEST_F(ValueFormat, QuarterTurnsSwapTheDimensions)
{
    PhotoTags tags;
    tags.width = 4000;
    tags.height = 3000;
    for (const char* kept : {"", "0", "1", "2", "3", "4", "9"}) {
        tags.orientation = kept;
        EXPECT_EQ(Read(tags).GetDimensions(), "4000x3000") << kept;
    }
    for (const char* turned : {"5", "6", "7", "8", " 6"}) {
        tags.orientation = turned;
        EXPECT_EQ(Read(tags).GetDimensions(), "3000x4000") << turned;
    }
}

TEST_F(ValueFormat, FileSizeIsTheFullSizeAndEmptyWhenTheStatusIsUnknown)
{
    EXPECT_EQ(Read(PhotoTags{}).GetFileSize(), "7");
    reader.ClearValues();
    reader.ReadImage(folder.Text() + "gone.jpg");
    EXPECT_EQ(reader.GetFileSize(), "");
    EXPECT_EQ(reader.GetDateTime(), "");
}

TEST_F(ValueFormat, FileSizeBeyondTwoGigabytesIsPrintedWhole)
{
    const std::string path = folder.Touch("big.jpg", "");
    std::filesystem::resize_file(path, 3000000000ull);  // sparse: takes no disk space
    reader.ReadImage(path);
    EXPECT_EQ(reader.GetFileSize(), "3000000000");
}

TEST_F(ValueFormat, NumberPartsAreCutBeforeTheUnit)
{
    PhotoTags tags;
    tags.focalLength = "35 mm";
    tags.subjectDistance = "1.5 m";
    tags.gpsImgDirection = "271.500000";
    CFotoHarvest& photo = Read(tags);
    EXPECT_EQ(photo.GetFocalLength(), "35");
    EXPECT_EQ(photo.GetSubjectDistance(), "1.5");
    EXPECT_EQ(photo.GetGPSImgDirection(), "271");
    tags.focalLength = " 35 mm";
    tags.gpsImgDirection = ".5";
    EXPECT_EQ(Read(tags).GetFocalLength(), " 35 mm");
    EXPECT_EQ(Read(tags).GetGPSImgDirection(), ".5");
}

TEST_F(ValueFormat, LensModelIsUnknownOnlyWhenEmpty)
{
    PhotoTags tags;
    EXPECT_EQ(Read(tags).GetLensModel(), "Unknown");
    tags.lensModel = " ";
    EXPECT_EQ(Read(tags).GetLensModel(), " ");
}

TEST_F(ValueFormat, SlotsAreEmptyAfterClearValues)
{
    PhotoTags tags;
    tags.xpTitle = "Title";
    tags.make = "Make";
    tags.latitude = Coordinate(10, 0, 0, "N");
    Read(tags);
    reader.ClearValues();
    EXPECT_EQ(reader.GetXPTitle(), "");
    EXPECT_EQ(reader.GetMake(), "");
    EXPECT_EQ(reader.GetLatitude(), "");
}

TEST_F(ValueFormat, UnreadablePhotoHasNoTagsButItsFileStatus)
{
    CFotoHarvest& photo = Read(PhotoTags{}, ReadOutcome::Crashed);
    EXPECT_EQ(photo.LastOutcome(), ReadOutcome::Crashed);
    EXPECT_EQ(photo.GetDimensions(), "0x0");
    EXPECT_EQ(photo.GetFileSize(), "7");
    EXPECT_EQ(photo.GetDateTime().size(), 19u);
}

TEST(DecimalDegrees, SignedBySouthAndWestOnly)
{
    EXPECT_EQ(FormatDecimalDegrees(Coordinate(48, 51, 23.76f, "N")), "48.856602");
    EXPECT_EQ(FormatDecimalDegrees(Coordinate(48, 51, 23.76f, "S")), "-48.856602");
    EXPECT_EQ(FormatDecimalDegrees(Coordinate(48, 51, 23.76f, "s")), "48.856602");
    EXPECT_EQ(FormatDecimalDegrees(Coordinate(2, 21, 0, "W")), "-2.350000");
    EXPECT_EQ(FormatDecimalDegrees(Coordinate(2, 21, 0, "")), "2.350000");
}

TEST(DecimalDegrees, PositionsNearTheEquatorAndPrimeMeridianArePrinted)
{
    EXPECT_EQ(FormatDecimalDegrees(Coordinate(0, 0, 30, "N")), "0.008333");
    EXPECT_EQ(FormatDecimalDegrees(Coordinate(0, 0, 18.36f, "W")), "-0.005100");
    EXPECT_EQ(FormatDecimalDegrees(Coordinate(0, 0, 0, "N")), "");
}

TEST(DecimalDegrees, ValuesThatAreNotNumbersPrintNothing)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(FormatDecimalDegrees(Coordinate(nan, 0, 0, "N")), "");
    EXPECT_EQ(FormatDecimalDegrees(Coordinate(10, inf, 0, "N")), "");
}

TEST_F(ValueFormat, AltitudeIsSignedByItsReference)
{
    PhotoTags tags;
    tags.gpsAltitude = "123.400000";
    EXPECT_EQ(Read(tags).GetGPSAltitude(), "123.40");
    tags.gpsAltitude = "12345.678000";
    EXPECT_EQ(Read(tags).GetGPSAltitude(), "12345.68");
    tags.gpsAltitude = "5.000000";
    tags.gpsAltitudeRef = "\x01";
    EXPECT_EQ(Read(tags).GetGPSAltitude(), "-5.00");
    tags.gpsAltitudeRef = "1";
    EXPECT_EQ(Read(tags).GetGPSAltitude(), "-5.00");
    tags.gpsAltitudeRef = "0";
    EXPECT_EQ(Read(tags).GetGPSAltitude(), "5.00");
}

TEST_F(ValueFormat, AltitudeAtOrBelowOneCentimetreIsEmpty)
{
    PhotoTags tags;
    tags.gpsAltitudeRef = "\x01";
    tags.gpsAltitude = "0.005000";
    EXPECT_EQ(Read(tags).GetGPSAltitude(), "");
    tags.gpsAltitude = "0.020000";
    EXPECT_EQ(Read(tags).GetGPSAltitude(), "-0.02");
    tags.gpsAltitude = "";
    EXPECT_EQ(Read(tags).GetGPSAltitude(), "");
    tags.gpsAltitude = "nan";
    EXPECT_EQ(Read(tags).GetGPSAltitude(), "");
}
