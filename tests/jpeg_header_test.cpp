// The JPEG head the reader hands to FreeImage in place of the whole file.

#include "readers/FreeImageTagReader.h"
#include "readers/JpegHeader.h"

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

TEST(JpegHeader, UnlinksTheThumbnailKeepsOnlyWantedEntriesAndStopsAtTheFirstScan)
{
    const std::string file = FileBytes("with-thumbnail.jpg");
    ASSERT_GT(file.size(), 1000u);
    const std::size_t link = ThumbnailLinkOffset(file);
    ASSERT_NE(file.substr(link, 4), std::string(4, '\0')) << "the photo should carry a thumbnail";

    const auto header = JpegHeaderWithoutThumbnail(file).bytes;
    ASSERT_TRUE(header);
    EXPECT_EQ(header->substr(ThumbnailLinkOffset(*header), 4), std::string(4, '\0'));
    // The first directory loses the resolution entries, which no column takes.
    EXPECT_LT(ThumbnailLinkOffset(*header), link);
    EXPECT_LT(header->size(), file.size());
    EXPECT_EQ(header->substr(header->size() - 2), "\xFF\xD9");
    // Only the Exif block changes, in place: every byte around it is the file's own.
    const std::size_t exifAt = file.find("\xFF\xE1");
    ASSERT_NE(exifAt, std::string::npos);
    const std::size_t exifEnd =
        exifAt + 2 + (static_cast<unsigned char>(file[exifAt + 2]) << 8) + static_cast<unsigned char>(file[exifAt + 3]);
    EXPECT_EQ(header->substr(0, exifAt + 4), file.substr(0, exifAt + 4));
    EXPECT_EQ(header->substr(exifEnd, header->size() - 2 - exifEnd),
              file.substr(exifEnd, header->size() - 2 - exifEnd));
    EXPECT_EQ(ReadJpegHeaderWithoutThumbnail(std::string(FH_TEST_PHOTOS) + "/with-thumbnail.jpg").bytes, header);
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

// Damaged directories are not trimmed, as trimming one of them could drop another's entries.
TEST(JpegHeader, DamagedDirectoriesAreLeftAsTheyAre)
{
    const std::string pointer("\x87\x69\x00\x04\x00\x00\x00\x01", 8);  // the Exif directory's entry
    const std::string photo = FileBytes("with-thumbnail.jpg");
    ASSERT_NE(photo.find(pointer), std::string::npos);
    std::string exifIsFirst = photo;  // the Exif directory is the first one again
    exifIsFirst.replace(exifIsFirst.find(pointer) + 8, 4, std::string("\0\0\0\x08", 4));
    std::string twoPointers = photo;
    twoPointers.replace(twoPointers.find(pointer) + 7, 1, "\x02");
    for (const std::string& file : {FileBytes("crash-ifd-count.jpg"), exifIsFirst, twoPointers}) {
        const auto header = JpegHeaderWithoutThumbnail(file).bytes;
        ASSERT_TRUE(header);
        EXPECT_EQ(header->substr(0, header->size() - 2), file.substr(0, header->size() - 2));
    }
}

TEST(JpegHeader, FollowsFillBytesAndStandaloneMarkersLeavingTheFillBytesOut)
{
    const std::string sos("\xFF\xDA\x00\x03\x01", 5);
    const std::string jpeg = std::string("\xFF\xD8", 2) + std::string("\xFF\xFF\xFF\xFE\x00\x04ok", 8) + "\xFF\xD0" +
                             sos + "entropy-coded data";
    const auto header = JpegHeaderWithoutThumbnail(jpeg).bytes;
    ASSERT_TRUE(header);
    EXPECT_EQ(*header, std::string("\xFF\xD8\xFF\xFE\x00\x04ok\xFF\xD0", 10) + sos + "\xFF\xD9");
}

TEST(JpegHeader, AnythingElseIsLeftToFreeImage)
{
    for (const std::string& file : {FileBytes("not-an-image.jpg"), FileBytes("with-thumbnail.jpg").substr(0, 300),
                                    std::string("\xFF\xD8\xFF\xE1\x00\x01", 6), std::string()}) {
        const JpegHead head = JpegHeaderWithoutThumbnail(file);
        EXPECT_FALSE(head.bytes || head.tooLarge) << file.size() << " bytes";
    }
    EXPECT_FALSE(ReadJpegHeaderWithoutThumbnail("/nonexistent/photo.jpg").bytes);
}

TEST(JpegHeader, AHeadBeyondItsLimitsIsRefusedWithoutBeingKept)
{
    const std::string soi("\xFF\xD8", 2);
    const std::string sos("\xFF\xDA\x00\x03\x01", 5);
    const std::string tinyComment("\xFF\xFE\x00\x02", 4);
    const std::string fullComment = std::string("\xFF\xFE\xFF\xFF", 4) + std::string(65533, 'c');
    auto times = [](const std::string& part, std::size_t count) {
        std::string out;
        out.reserve(part.size() * count);
        for (std::size_t i = 0; i < count; ++i)
            out += part;
        return out;
    };
    const std::size_t fullComments = JpegHeadLimit / fullComment.size();
    struct Case {
        const char* what;
        std::string file;
        bool tooLarge;
    };
    const Case cases[] = {
        {"fill bytes past the limit, then a scan", soi + std::string(JpegHeadLimit + 4096, '\xFF') + sos, true},
        {"fill bytes to the end of the file", soi + std::string(JpegHeadLimit + 4096, '\xFF'), true},
        {"one segment too many", soi + times(tinyComment, JpegSegmentLimit) + sos, true},
        {"as many segments as allowed", soi + times(tinyComment, JpegSegmentLimit - 1) + sos, false},
        {"large segments past the limit", soi + times(fullComment, fullComments + 1) + sos, true},
        {"large segments up to the limit", soi + times(fullComment, fullComments) + sos, false},
    };
    for (const Case& row : cases) {
        const JpegHead head = JpegHeaderWithoutThumbnail(row.file);
        EXPECT_EQ(head.tooLarge, row.tooLarge) << row.what;
        EXPECT_EQ(head.bytes.has_value(), !row.tooLarge) << row.what;
        if (head.bytes) {
            EXPECT_LE(head.bytes->size(), JpegHeadLimit + 65536) << row.what;
        }
    }
}
