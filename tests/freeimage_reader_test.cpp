// Reads the photos of tests/photos/make-photos.sh through FreeImage. The expected texts are the
// values written there; where FreeImage words a value its own way ("1/250 sec" where exiftool
// says "1/250"), the expectation is FreeImage 3.18's wording, because that is what the output
// file has always carried.

#include "metadata/FreeImageTagReader.h"
#include "metadata/TagText.h"
#include "metadata/TagWire.h"
#include "metadata/TiffIptc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string PhotoPath(const std::string& name)
{
    return std::string(FH_TEST_PHOTOS) + "/" + name;
}

class FreeImageReaderTest : public ::testing::Test {
protected:
    // The tags of a photo that must open.
    PhotoTags Read(const std::string& name)
    {
        const std::string path = PhotoPath(name);
        EXPECT_TRUE(std::filesystem::exists(path))
            << path << " is missing; the CTest fixture test_photos (make-photos.sh) writes it";
        TagReading reading = m_reader.Read(path);
        EXPECT_EQ(reading.outcome, ReadOutcome::Read) << name;
        return reading.tags;
    }

    FreeImageTagReader m_reader;
};

TEST_F(FreeImageReaderTest, ExifValuesKeepFreeImagesWording)
{
    const PhotoTags camera = Read("camera-full.jpg");
    EXPECT_EQ(camera.exposureTime, "1/250 sec");  // exiftool: 1/250
    EXPECT_EQ(camera.fNumber, "F5.6");            // 5.6
    EXPECT_EQ(camera.isoSpeed, "400");
    EXPECT_EQ(camera.flash, "Flash did not fire, compulsory flash mode");  // Off, Did not fire (16)
    EXPECT_EQ(camera.focalLength, "50.0 mm");      // 50.0 mm
    EXPECT_EQ(camera.subjectDistance, "3.500 meters");  // 3.5 m
    EXPECT_EQ(camera.lensModel, " EF50mm f/1.8 STM ");

    const PhotoTags other = Read("gps-south-west.jpg");
    EXPECT_EQ(other.exposureTime, "2 sec");
    EXPECT_EQ(other.fNumber, "F11.0");
    EXPECT_EQ(other.flash, "Flash fired");
    EXPECT_EQ(other.focalLength, "18.5 mm");
    EXPECT_EQ(other.subjectDistance, "");
    EXPECT_EQ(other.lensModel, "");
}

TEST_F(FreeImageReaderTest, OnlyMakeAndModelLoseTheirSurroundingBlanks)
{
    const PhotoTags tags = Read("camera-full.jpg");
    EXPECT_EQ(tags.make, "Canon");               // written "  Canon  "
    EXPECT_EQ(tags.model, "EOS 5D Mark IV\t");   // written " EOS 5D Mark IV\t ": tabs stay
    EXPECT_EQ(tags.lensModel, " EF50mm f/1.8 STM ");
    EXPECT_EQ(tags.headline, "  Paris headline ");
}

TEST_F(FreeImageReaderTest, ATagWithoutCharactersIsEmpty)
{
    const PhotoTags tags = Read("count-zero.jpg");
    EXPECT_EQ(tags.make, "");
    EXPECT_EQ(tags.model, "M6");
}

TEST_F(FreeImageReaderTest, DateTimeOriginalWinsOverDateTime)
{
    EXPECT_EQ(Read("camera-full.jpg").dateTime, "2021:07:14 09:30:15");
    EXPECT_EQ(Read("date-both.jpg").dateTime, "2017:01:02 03:04:05");
    EXPECT_EQ(Read("date-modified-only.jpg").dateTime, "2018:03:04 05:06:07");
    EXPECT_EQ(Read("date-none.jpg").dateTime, "");
    EXPECT_EQ(Read("date-none.jpg").make, "Pentax");
}

TEST_F(FreeImageReaderTest, KnownKeysCountOnlyInTheirOwnModel)
{
    const PhotoTags tags = Read("wrong-model.jpg");
    // FreeImage files IFD0's DateTimeOriginal (2015) under the main model, where only DateTime
    // counts; it sorts after DateTime there, so taking it would replace the right date.
    EXPECT_EQ(tags.dateTime, "2016:06:06 06:06:06");
    EXPECT_EQ(tags.comment, "");  // an Exif UserComment is not the JPEG comment
    EXPECT_EQ(tags.caption, "iptc caption");
}

TEST_F(FreeImageReaderTest, XpTextsAreDecodedFromUtf16)
{
    const PhotoTags tags = Read("camera-full.jpg");
    EXPECT_EQ(tags.xpTitle, "Hello");
    EXPECT_EQ(tags.xpAuthor, "José");
    EXPECT_EQ(tags.xpSubject, "日本");
    EXPECT_EQ(tags.xpComment, "smile 😀");
    EXPECT_EQ(tags.xpKeywords, "cat;dog");
}

TEST_F(FreeImageReaderTest, DamagedXpTextsStillComeOutAsUtf8)
{
    const PhotoTags tags = Read("xp-malformed.jpg");
    EXPECT_EQ(tags.xpKeywords, "A\uFFFDB");          // lone high surrogate
    EXPECT_EQ(tags.xpAuthor, "A\uFFFD\uFFFD");       // low surrogate, then a high one at the end
    EXPECT_EQ(tags.xpTitle, "AéB");                  // odd last byte 0x42
    EXPECT_EQ(tags.xpSubject, "AB");                 // U+0000 inside
    EXPECT_EQ(tags.xpComment, "Hi!");                // typed ASCII: plain text, not UTF-16
}

TEST_F(FreeImageReaderTest, OrientationIsTheNumberNotFreeImagesWords)
{
    for (int n = 1; n <= 8; ++n) {
        const PhotoTags tags = Read("orientation-" + std::to_string(n) + ".jpg");
        EXPECT_EQ(tags.orientation, std::to_string(n));
        // Turning the picture is the formatting's business; the reader keeps the stored size.
        EXPECT_EQ(tags.width, 8);
        EXPECT_EQ(tags.height, 6);
    }
    EXPECT_EQ(Read("orientation-65535.jpg").orientation, "-1");  // read as a signed SHORT
}

TEST_F(FreeImageReaderTest, GpsPositionNorthEastBelowSeaLevel)
{
    const PhotoTags tags = Read("camera-full.jpg");
    EXPECT_FLOAT_EQ(tags.latitude.degrees, 48.0f);
    EXPECT_FLOAT_EQ(tags.latitude.minutes, 51.0f);
    EXPECT_FLOAT_EQ(tags.latitude.seconds, 23.76f);
    EXPECT_EQ(tags.latitude.reference, "N");
    EXPECT_FLOAT_EQ(tags.longitude.degrees, 2.0f);
    EXPECT_FLOAT_EQ(tags.longitude.minutes, 17.0f);
    EXPECT_FLOAT_EQ(tags.longitude.seconds, 40.2f);
    EXPECT_EQ(tags.longitude.reference, "E");
    EXPECT_EQ(tags.gpsAltitude, "123.400000");  // stored 617/5
    EXPECT_EQ(tags.gpsAltitudeRef, "\x01");
    EXPECT_EQ(tags.gpsImgDirection, "271.500000");
    EXPECT_EQ(tags.gpsDateStamp, "2021:07:14");
    EXPECT_EQ(tags.gpsTimeStamp, "7:30:15.00");  // exiftool: 07:30:15
}

TEST_F(FreeImageReaderTest, GpsPositionSouthWestAboveSeaLevel)
{
    const PhotoTags tags = Read("gps-south-west.jpg");
    EXPECT_FLOAT_EQ(tags.latitude.degrees, 22.0f);
    EXPECT_FLOAT_EQ(tags.latitude.minutes, 54.0f);
    EXPECT_FLOAT_EQ(tags.latitude.seconds, 24.48f);
    EXPECT_EQ(tags.latitude.reference, "S");
    EXPECT_FLOAT_EQ(tags.longitude.degrees, 43.0f);
    EXPECT_FLOAT_EQ(tags.longitude.minutes, 10.0f);
    EXPECT_FLOAT_EQ(tags.longitude.seconds, 22.44f);
    EXPECT_EQ(tags.longitude.reference, "W");
    EXPECT_EQ(tags.gpsAltitude, "760.000000");
    EXPECT_EQ(tags.gpsAltitudeRef, "");  // the byte 0
    EXPECT_EQ(tags.gpsImgDirection, "0.250000");
    EXPECT_EQ(tags.gpsDateStamp, "1999:12:31");
    EXPECT_EQ(tags.gpsTimeStamp, "23:59:58.00");
}

TEST_F(FreeImageReaderTest, ZeroDenominators)
{
    const PhotoTags tags = Read("gps-zero-denominator.jpg");
    EXPECT_EQ(tags.gpsAltitude, "0");      // 5/0
    EXPECT_EQ(tags.gpsImgDirection, "0");  // 1/0
    EXPECT_FLOAT_EQ(tags.latitude.degrees, 10.0f);
    EXPECT_FLOAT_EQ(tags.latitude.minutes, 20.0f);
    EXPECT_TRUE(std::isinf(tags.latitude.seconds)) << tags.latitude.seconds;  // 7/0
    EXPECT_FLOAT_EQ(tags.longitude.degrees, 40.0f);
    EXPECT_TRUE(std::isnan(tags.longitude.minutes)) << tags.longitude.minutes;  // 0/0
    EXPECT_FLOAT_EQ(tags.longitude.seconds, 30.0f);
}

TEST_F(FreeImageReaderTest, CoordinatesThatAreNotThreeRationalsReadAsZero)
{
    const PhotoTags tags = Read("gps-malformed.jpg");
    const GpsCoordinate south{0.0f, 0.0f, 0.0f, "S"};  // two rationals only
    const GpsCoordinate west{0.0f, 0.0f, 0.0f, "W"};   // typed SRATIONAL
    EXPECT_EQ(tags.latitude, south);
    EXPECT_EQ(tags.longitude, west);
    EXPECT_EQ(tags.gpsAltitude, "");  // typed LONG
}

TEST_F(FreeImageReaderTest, IptcAndJpegComment)
{
    const PhotoTags tags = Read("camera-full.jpg");
    EXPECT_EQ(tags.headline, "  Paris headline ");
    EXPECT_EQ(tags.caption, "Eiffel tower caption");
    EXPECT_EQ(tags.keywords, "alpha;beta;gamma delta");  // exiftool: alpha, beta, gamma delta
    EXPECT_EQ(tags.comment, "A JPEG comment");
}

TEST_F(FreeImageReaderTest, TiffPhoto)
{
    testing::internal::CaptureStderr();
    const PhotoTags tags = Read("tagged.tif");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "libtiff's messages must be silenced";
    EXPECT_EQ(tags.width, 8);
    EXPECT_EQ(tags.height, 6);
    EXPECT_EQ(tags.make, "Nikon");
    EXPECT_EQ(tags.model, "D750");
    EXPECT_EQ(tags.dateTime, "2019:05:06 07:08:00");
    EXPECT_EQ(tags.fNumber, "F8.0");
    EXPECT_EQ(tags.isoSpeed, "200");
    EXPECT_EQ(tags.flash, "Flash fired");
    EXPECT_EQ(tags.xpTitle, "Tiff title");
    EXPECT_EQ(tags.headline, "tiff headline");
}

TEST_F(FreeImageReaderTest, TiffWithAnEmptyMainModel)
{
    // Walking FreeImage's empty main model of this photo crashes this test.
    PhotoTags expected;
    expected.width = 8;
    expected.height = 6;
    EXPECT_EQ(Read("icc-only.tif"), expected);
}

TEST_F(FreeImageReaderTest, PhotoWithoutMetadataAfterOneWithEverything)
{
    Read("camera-full.jpg");
    PhotoTags expected;
    expected.width = 8;
    expected.height = 6;
    EXPECT_EQ(Read("no-metadata.jpg"), expected);
}

TEST_F(FreeImageReaderTest, FilesFreeImageCannotOpen)
{
    const PhotoTags none;
    for (const char* name : {"not-an-image.jpg", "jpeg-with-unknown-extension.xyz", "no-such-photo.jpg"}) {
        const TagReading reading = m_reader.Read(PhotoPath(name));
        EXPECT_EQ(reading.outcome, ReadOutcome::NotOpened) << name;
        EXPECT_EQ(reading.tags, none) << name;
    }
    EXPECT_TRUE(std::filesystem::exists(PhotoPath("jpeg-with-unknown-extension.xyz")));
}

TEST_F(FreeImageReaderTest, APhotoInMemoryReadsAsItsFileDoes)
{
    // The fuzz targets read photos from memory; what they find must hold for the files too.
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(FH_TEST_PHOTOS)) {
        const std::string name = entry.path().filename().string();
        if (name.find("crash") != std::string::npos)
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        // Compared as encoded, because a coordinate of 0/0 is NaN and never equals itself.
        EXPECT_EQ(tagwire::EncodeReading(m_reader.ReadMemory(name, bytes)),
                  tagwire::EncodeReading(m_reader.Read(entry.path().string())))
            << name;
        ++compared;
    }
    EXPECT_GT(compared, 20);
}

TEST_F(FreeImageReaderTest, NothingInMemoryIsNoPhoto)
{
    EXPECT_EQ(m_reader.ReadMemory("empty.jpg", {}).outcome, ReadOutcome::NotOpened);
    EXPECT_EQ(m_reader.ReadMemory("empty.tif", {}).outcome, ReadOutcome::NotOpened);
    EXPECT_EQ(m_reader.ReadMemory("photo.xyz", "\xFF\xD8\xFF\xD9").outcome, ReadOutcome::NotOpened);
}

TEST_F(FreeImageReaderTest, PipesFoldersAndDevicesNamedLikePhotosAreNotOpened)
{
    // Opening a pipe with no writer would wait for ever.
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("fh-special-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "folder.jpg");
    ASSERT_EQ(::mkfifo((folder / "pipe.jpg").c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/zero", folder / "endless.jpg");
    for (const char* name : {"pipe.jpg", "folder.jpg", "endless.jpg"})
        EXPECT_EQ(m_reader.Read((folder / name).string()).outcome, ReadOutcome::NotOpened) << name;
    std::filesystem::remove_all(folder);
}

TEST(Utf8FromUtf16Le, EncodesEachUtf8Length)
{
    using namespace std::string_view_literals;
    EXPECT_EQ(Utf8FromUtf16Le("\x7F\x00"sv), "\x7F");
    EXPECT_EQ(Utf8FromUtf16Le("\x80\x00"sv), "\xC2\x80");
    EXPECT_EQ(Utf8FromUtf16Le("\xFF\x07"sv), "\xDF\xBF");
    EXPECT_EQ(Utf8FromUtf16Le("\x00\x08"sv), "\xE0\xA0\x80");
    EXPECT_EQ(Utf8FromUtf16Le("\xFF\xFF"sv), "\xEF\xBF\xBF");
    EXPECT_EQ(Utf8FromUtf16Le("\x00\xD8\x00\xDC"sv), "\xF0\x90\x80\x80");  // U+10000
    EXPECT_EQ(Utf8FromUtf16Le("\xFF\xDB\xFF\xDF"sv), "\xF4\x8F\xBF\xBF");  // U+10FFFF
}

TEST(Utf8FromUtf16Le, ToleratesDamage)
{
    using namespace std::string_view_literals;
    EXPECT_EQ(Utf8FromUtf16Le(""sv), "");
    EXPECT_EQ(Utf8FromUtf16Le("\x00\x00"sv), "");
    EXPECT_EQ(Utf8FromUtf16Le("\xE9"sv), "é");                      // odd byte alone
    EXPECT_EQ(Utf8FromUtf16Le("\x3D\xD8"sv), "\uFFFD");              // high surrogate at the end
    EXPECT_EQ(Utf8FromUtf16Le("\x3D\xD8\x3D\xD8\x00\xDE"sv), "\uFFFD😀");  // high, then a pair
    EXPECT_EQ(Utf8FromUtf16Le("\x3D\xD8\x00\x00\x00\xDE"sv), "\uFFFD\uFFFD");  // pair split by U+0000
}

}  // namespace

// The IPTC block check reads the file's bytes itself, so a photo that FreeImage would read past
// its buffer can be checked in this process.
TEST(TiffIptcBlock, DatasetsClaimingMoreThanTheBlockHoldsAreFound)
{
    const auto bytes = [](const std::string& name) {
        std::ifstream in(PhotoPath(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_FALSE(TiffIptcFitsItsBlockInMemory(bytes("crash-iptc-length.tif")));
    EXPECT_FALSE(TiffIptcFitsItsBlock(PhotoPath("crash-iptc-length.tif")));
    EXPECT_TRUE(TiffIptcFitsItsBlockInMemory(bytes("tagged.tif")));
    EXPECT_TRUE(TiffIptcFitsItsBlock(PhotoPath("tagged.tif")));
    EXPECT_TRUE(TiffIptcFitsItsBlock(PhotoPath("icc-only.tif")));
    EXPECT_TRUE(TiffIptcFitsItsBlock(PhotoPath("camera-full.jpg")));
    EXPECT_TRUE(TiffIptcFitsItsBlockInMemory(std::string_view(bytes("tagged.tif")).substr(0, 7)));
}
