// The JPEG head the reader hands to FreeImage in place of the whole file.

#include "readers/Exiv2TagReader.h"
#include "readers/FreeImageTagReader.h"
#include "readers/JpegHeader.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

namespace {

const std::filesystem::path photos = FH_TEST_PHOTOS;

std::string FileBytes(const std::string& name)
{
    std::ifstream in(photos / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Repeated(const std::string& part, std::size_t count)
{
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        out += part;
    return out;
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

// Where the segment whose marker stands at `at` ends, as its length field gives it.
std::size_t SegmentEnd(const std::string& jpeg, std::size_t at)
{
    return at + 2 + (static_cast<unsigned char>(jpeg[at + 2]) << 8 | static_cast<unsigned char>(jpeg[at + 3]));
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
    // Only the Exif block changes, in place: every byte around it is the file's own.
    const std::size_t exifAt = file.find("\xFF\xE1");
    ASSERT_NE(exifAt, std::string::npos);
    const std::size_t exifEnd = SegmentEnd(file, exifAt);
    EXPECT_EQ(header->substr(0, exifAt + 4), file.substr(0, exifAt + 4));
    EXPECT_EQ(header->substr(exifEnd, header->size() - 2 - exifEnd),
              file.substr(exifEnd, header->size() - 2 - exifEnd));
    EXPECT_EQ(ReadJpegHeaderWithoutThumbnail((photos / "with-thumbnail.jpg").string()).bytes, header);
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

TEST(JpegHeader, AnythingElseIsLeftToFreeImage)
{
    for (const std::string& file : {FileBytes("not-an-image.jpg"), FileBytes("with-thumbnail.jpg").substr(0, 300),
                                    std::string("\xFF\xD8\xFF\xE1\x00\x01", 6), std::string()}) {
        const JpegHead head = JpegHeaderWithoutThumbnail(file);
        EXPECT_FALSE(head.bytes || head.tooLarge) << file.size() << " bytes";
    }
    EXPECT_FALSE(ReadJpegHeaderWithoutThumbnail("/nonexistent/photo.jpg").bytes);
}

// Fill bytes are followed and left out; a head beyond its limit is refused without being kept; of
// any number of comment and application segments, FreeImage is given no empty one and no more than
// it can take in a time that grows with their number rather than its square.
TEST(JpegHeader, AHeadBeyondItsLimitIsRefusedAndFreeImageGetsNoMoreSegmentsThanItCanTake)
{
    const std::string soi("\xFF\xD8", 2);
    const std::string sos("\xFF\xDA\x00\x03\x01", 5);
    const std::string eoi("\xFF\xD9", 2);
    const std::string tinyComment("\xFF\xFE\x00\x02", 4);
    const std::string oneByteComment("\xFF\xFE\x00\x03\x63", 5);
    const std::string fullComment = std::string("\xFF\xFE\xFF\xFF", 4) + std::string(65533, 'c');
    const std::size_t fullComments = JpegHeadLimit / fullComment.size();
    struct Case {
        const char* what;
        std::string file;
        std::optional<std::string> head;  // none: too large
    };
    const Case cases[] = {
        {"fill bytes and a standalone marker, then a scan",
         soi + std::string("\xFF\xFF\xFF\xFE\x00\x04ok\xFF\xD0", 10) + sos + "entropy-coded data",
         soi + std::string("\xFF\xFE\x00\x04ok\xFF\xD0", 8) + sos + eoi},
        {"fill bytes past the limit, then a scan", soi + std::string(JpegHeadLimit + 4096, '\xFF') + sos, {}},
        {"fill bytes to the end of the file", soi + std::string(JpegHeadLimit + 4096, '\xFF'), {}},
        {"70,000 empty comments", soi + Repeated(tinyComment, 70000) + sos, soi + sos + eoi},
        {"70,000 one-byte comments", soi + Repeated(oneByteComment, 70000) + sos,
         soi + Repeated(oneByteComment, JpegKeptSegmentLimit) + sos + eoi},
        {"large segments past the limit", soi + Repeated(fullComment, fullComments + 1) + sos, {}},
        {"large segments up to the limit", soi + Repeated(fullComment, fullComments) + sos,
         soi + Repeated(fullComment, fullComments) + sos + eoi},
    };
    for (const Case& row : cases) {
        const JpegHead head = JpegHeaderWithoutThumbnail(row.file);
        EXPECT_EQ(head.tooLarge, !row.head) << row.what;
        EXPECT_TRUE(head.bytes == row.head) << row.what;
        EXPECT_EQ(head.length, row.head ? row.file.find(sos) + sos.size() : 0) << row.what;
    }
}

// The bytes this process has read so far, through any library: the "rchar:" that opens
// /proc/self/io (Linux).
std::uint64_t BytesRead()
{
    std::ifstream io("/proc/self/io");
    std::string rchar;
    std::uint64_t value = 0;
    io >> rchar >> value;
    return value;
}

// A photo costs the bytes its metadata needs, whatever stands between its segments or after them:
// both libraries read a photo of many segments, and neither reads on through a hole of a gigabyte.
TEST(JpegHeader, WorstCaseHeadsAreReadByBothLibrariesFromTheHeadAlone)
{
    const std::string photo = FileBytes("camera-full.jpg");
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("fh-worst-head-" + std::to_string(::getpid()) + ".jpg");
    struct Case {
        const char* what;
        std::string inserted;  // after the start marker
        std::uint64_t hole;    // bytes of nothing after that
        ReadOutcome outcome;   // the same from both libraries
    };
    const Case cases[] = {
        {"70,000 empty comments", Repeated(std::string("\xFF\xFE\x00\x02", 4), 70000), 0, ReadOutcome::Read},
        {"70,000 one-byte comments", Repeated(std::string("\xFF\xFE\x00\x03\x63", 5), 70000), 0, ReadOutcome::Read},
        {"a gigabyte of nothing before the segments", "", std::uint64_t{1} << 30, ReadOutcome::NotOpened},
        {"a gigabyte of nothing after the first segment", photo.substr(2, SegmentEnd(photo, 2) - 2),
         std::uint64_t{1} << 30, ReadOutcome::NotOpened},
    };
    FreeImageTagReader freeImage;
    Exiv2TagReader exiv2;
    const TagValue make = freeImage.Read((photos / "camera-full.jpg").string()).tags[Tag::Make];
    ASSERT_FALSE(make.empty());
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << photo.substr(0, 2) << row.inserted;
            out.seekp(static_cast<std::streamoff>(2 + row.inserted.size() + row.hole));
            out << photo.substr(2);
        }
        for (const auto& [library, reader] : {std::pair<const char*, TagSource*>{"FreeImage", &freeImage},
                                              std::pair<const char*, TagSource*>{"libexiv2", &exiv2}}) {
            const std::uint64_t before = BytesRead();
            const TagReading reading = reader->Read(path.string());
            EXPECT_LT(BytesRead() - before, 4 * JpegHeadLimit) << library;
            EXPECT_EQ(reading.outcome, row.outcome) << library;
            if (row.outcome == ReadOutcome::Read) {
                EXPECT_EQ(reading.tags[Tag::Make], make) << library;
            }
        }
    }
    std::filesystem::remove(path);
}
