// The JPEG head the reader hands to FreeImage in place of the whole file.

#include "metadata/FreeImageTagReader.h"
#include "metadata/JpegHeader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

std::string FileBytes(const std::string& name)
{
    std::ifstream in(std::string(FH_TEST_PHOTOS) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The offset of the link after the first Exif directory, read the way a TIFF reader reads it.
std::size_t ThumbnailLinkOffset(const std::string& jpeg)
{
    const std::size_t tiff = jpeg.find(std::string("Exif\0\0", 6)) + 6;
    const bool big = jpeg.compare(tiff, 2, "MM") == 0;
    auto number = [&](std::size_t at, int size) {
        std::size_t value = 0;
        for (int i = 0; i < size; ++i)
            value = (value << 8) | static_cast<unsigned char>(jpeg[at + (big ? i : size - 1 - i)]);
        return value;
    };
    const std::size_t first = tiff + number(tiff + 4, 4);
    return first + 2 + 12 * number(first, 2);
}

}  // namespace

TEST(JpegHeader, UnlinksTheThumbnailAndStopsAtTheFirstScan)
{
    const std::string file = FileBytes("with-thumbnail.jpg");
    ASSERT_GT(file.size(), 1000u);
    const std::size_t link = ThumbnailLinkOffset(file);
    ASSERT_NE(file.substr(link, 4), std::string(4, '\0')) << "the photo should carry a thumbnail";

    const auto header = JpegHeaderWithoutThumbnail(file);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->substr(link, 4), std::string(4, '\0'));
    EXPECT_LT(header->size(), file.size());
    EXPECT_EQ(header->substr(header->size() - 2), "\xFF\xD9");
    // Everything else up to the scan is the file's own bytes.
    std::string expected = file.substr(0, header->size() - 2);
    expected.replace(link, 4, std::string(4, '\0'));
    EXPECT_EQ(header->substr(0, header->size() - 2), expected);
    EXPECT_EQ(ReadJpegHeaderWithoutThumbnail(std::string(FH_TEST_PHOTOS) + "/with-thumbnail.jpg"), header);
}

TEST(JpegHeader, ReadingWithoutTheThumbnailKeepsEveryTag)
{
    FreeImageTagReader reader;
    const TagReading reading = reader.Read(std::string(FH_TEST_PHOTOS) + "/with-thumbnail.jpg");
    ASSERT_EQ(reading.outcome, ReadOutcome::Read);
    EXPECT_EQ(reading.tags.width, 160);
    EXPECT_EQ(reading.tags.height, 120);
    EXPECT_EQ(reading.tags[Tag::Make].text(), "Olympus");
    EXPECT_EQ(reading.tags[Tag::Model].text(), "E-M10");
    EXPECT_EQ(reading.tags[Tag::DateTimeOriginal].text(), "2016:06:07 08:09:10");
    EXPECT_EQ(reading.tags[Tag::ISOSpeed].integer(), 800);
}

TEST(JpegHeader, ADirectoryThatDoesNotFitIsLeftAsItIs)
{
    const std::string file = FileBytes("crash-ifd-count.jpg");
    const auto header = JpegHeaderWithoutThumbnail(file);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->substr(0, header->size() - 2), file.substr(0, header->size() - 2));
}

TEST(JpegHeader, FollowsFillBytesAndStandaloneMarkers)
{
    const std::string jpeg = std::string("\xFF\xD8", 2) + std::string("\xFF\xFF\xFE\x00\x04ok", 7) + "\xFF\xD0" +
                             std::string("\xFF\xDA\x00\x03\x01", 5) + "entropy-coded data";
    const auto header = JpegHeaderWithoutThumbnail(jpeg);
    ASSERT_TRUE(header);
    EXPECT_EQ(*header, jpeg.substr(0, jpeg.size() - 18) + "\xFF\xD9");
}

TEST(JpegHeader, AnythingElseIsLeftToFreeImage)
{
    EXPECT_FALSE(JpegHeaderWithoutThumbnail(FileBytes("not-an-image.jpg")));
    EXPECT_FALSE(JpegHeaderWithoutThumbnail(FileBytes("with-thumbnail.jpg").substr(0, 300)));
    EXPECT_FALSE(JpegHeaderWithoutThumbnail(std::string("\xFF\xD8\xFF\xE1\x00\x01", 6)));
    EXPECT_FALSE(JpegHeaderWithoutThumbnail(""));
    EXPECT_FALSE(ReadJpegHeaderWithoutThumbnail("/nonexistent/photo.jpg"));
}
