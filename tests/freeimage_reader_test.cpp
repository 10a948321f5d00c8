// Reads the photos of tests/photos/make-photos.sh through the FreeImage reader: the values as the
// photos store them (the column texts made of them are the formatting's tests), and the photos it
// must decline.

#include "extract/ColumnCatalogue.h"
#include "readers/DateText.h"
#include "readers/Exiv2TagReader.h"
#include "readers/FreeImageTagReader.h"
#include "readers/HeifImage.h"
#include "readers/IptcBlock.h"
#include "readers/PhotoReader.h"
#include "readers/XmpPacket.h"
#include "metadata/PhotoFormats.h"
#include "metadata/PhotoValues.h"
#include "metadata/TagWire.h"
#include "metadata/TextEncoding.h"

#include "support/ScriptedTagSource.h"
#include "support/Tags.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>

#include <sys/resource.h>

namespace {

const std::filesystem::path photos = FH_TEST_PHOTOS;

}  // namespace

// The values the comparisons with exiftool (real_photos_test) cannot settle: damaged and odd
// entries, which exiftool shows its own way, and values the formatting later drops.
TEST(FreeImageReader, ValuesAsStored)
{
    FreeImageTagReader reader;
    const struct {
        const char* photo;
        Tag tag;
        TagValue expected;
        const char* why;
    } cases[] = {
        {"count-zero.jpg", Tag::Make, TagValue(), "an entry of no values"},
        {"orientation-65535.jpg", Tag::Orientation, Number(65535), ""},
        {"wrong-model.jpg", Tag::DateTimeOriginal, TagValue(), "FreeImage files IFD0's under the main model"},
        {"wrong-model.jpg", Tag::Comment, TagValue(), "an Exif UserComment is not the JPEG comment"},
        {"xp-malformed.jpg", Tag::XPComment, Text("Hi!"), "typed ASCII: plain text, not UTF-16"},
        {"gps-zero-denominator.jpg", Tag::GPSAltitude, Fraction(5, 0), "kept for the formatting to judge"},
        {"gps-malformed.jpg", Tag::GPSLatitude, TagValue(), "two rationals are no position"},
        {"gps-malformed.jpg", Tag::GPSLatitudeRef, Text("S"), ""},
        {"gps-malformed.jpg", Tag::GPSAltitude, TagValue(), "typed LONG: not a rational"},
    };
    for (const auto& c : cases) {
        const TagReading reading = reader.Read((photos / c.photo).string());
        EXPECT_EQ(reading.outcome, ReadOutcome::Read) << c.photo;
        EXPECT_EQ(reading.tags[c.tag], c.expected) << c.photo << ": " << c.why;
    }

    testing::internal::CaptureStderr();
    EXPECT_EQ(reader.Read((photos / "tagged.tif").string()).outcome, ReadOutcome::Read);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "libtiff's messages must be silenced";
}

TEST(FreeImageReader, APhotoInMemoryReadsAsItsFileDoes)
{
    // The fuzz targets read photos from memory; what they find must hold for the files too.
    FreeImageTagReader reader;
    int compared = 0;
    std::uint64_t consumed = 0;
    reader.OnConsumed([&consumed](std::size_t bytes) { consumed += bytes; });
    for (const auto& entry : std::filesystem::directory_iterator(photos)) {
        const std::string name = entry.path().filename().string();
        if (name.find("crash") != std::string::npos)
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_EQ(reader.ReadMemory(name, bytes).tags, reader.Read(entry.path().string()).tags) << name;
        ++compared;
    }
    EXPECT_GT(compared, 30);
    EXPECT_GT(consumed, 0u) << "reading tells its progress";
}

// Structures that would drive libexiv2 or the XMP parser to gigabytes of memory are not given to
// them; structures as deep or as large as real files have are.
TEST(MemoryHungryStructures, AreRefusedBeforeALibraryParsesThem)
{
    const auto header = [](std::uint32_t size, const std::string& type) {
        return std::string{static_cast<char>(size >> 24), static_cast<char>(size >> 16), static_cast<char>(size >> 8),
                           static_cast<char>(size)} +
               type;
    };
    // Each meta box holds its version and flags and the next one.
    const auto nestedMeta = [&](std::uint32_t levels) {
        std::string file = header(20, "ftyp") + std::string("heic\0\0\0\0mif1", 12);
        for (std::uint32_t level = 0; level < levels; ++level)
            file += header(12 * (levels - level), "meta") + std::string(4, '\0');
        return file;
    };
    for (const auto& [levels, tooDeep] : {std::pair{20000u, true}, std::pair{18u, true}, std::pair{17u, false}}) {
        const std::string file = nestedMeta(levels);
        EXPECT_EQ(BoxesNestTooDeeply([&file](std::uint64_t offset, std::size_t size) -> std::optional<std::string> {
                      if (offset > file.size() || size > file.size() - offset)
                          return std::nullopt;
                      return file.substr(offset, size);
                  }),
                  tooDeep)
            << levels << " meta boxes nested";
    }
    // Read in a process that has never held more than a few dozen megabytes.
    EXPECT_EQ(Exiv2TagReader().ReadMemory(nestedMeta(20000u)).outcome, ReadOutcome::NotOpened);
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    EXPECT_LT(usage.ru_maxrss, 512 * 1024) << "kilobytes at most";

    const auto packet = [](std::size_t size) {
        const std::string head = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                                 "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
                                 "xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/' photoshop:Headline='";
        const std::string tail = "'/></rdf:RDF></x:xmpmeta>";
        return head + std::string(size - head.size() - tail.size(), 'h') + tail;
    };
    // A PNG's packet is left out before libexiv2 parses it; the rest of the photo is read.
    const auto png = [&header](const std::string& xmp) {
        const auto chunk = [&header](const std::string& type, const std::string& content) {
            return header(static_cast<std::uint32_t>(content.size()), type) + content +
                   std::string(4, '\0');  // libexiv2 checks no CRC
        };
        return std::string("\x89PNG\r\n\x1A\n", 8) +
               chunk("IHDR", std::string("\0\0\0\x08\0\0\0\x01\x08\x02\0\0\0", 13)) +
               chunk("iTXt", std::string("XML:com.adobe.xmp\0\0\0\0\0", 22) + xmp) + chunk("IEND", "");
    };
    for (const auto& [size, read] : {std::pair{std::size_t{4096}, true}, std::pair{XmpPacketLimit + 1, false}}) {
        PhotoTags tags;
        ReadXmpPacket(packet(size), tags);
        EXPECT_EQ(tags[Tag::XmpHeadline].empty(), !read) << size << " bytes of XMP";
        const TagReading reading = Exiv2TagReader().ReadMemory(png(packet(size)));
        EXPECT_EQ(reading.outcome, ReadOutcome::Read) << size << " bytes of XMP in a PNG";
        EXPECT_EQ(reading.tags.width, 8) << size << " bytes of XMP in a PNG";
        EXPECT_EQ(reading.tags[Tag::XmpHeadline].empty(), !read) << size << " bytes of XMP in a PNG";
    }
}

// A named character set, keywords joined and a dataset cut short are compared with exiftool's
// reading in real_photos_test.
TEST(IptcBlock, ReadsTextsOfNoStatedCharacterSetSkipsJunkAndStopsAtADatasetThatDoesNotFit)
{
    const auto dataset = [](int record, int number, std::string data) {
        return std::string{'\x1C', static_cast<char>(record), static_cast<char>(number),
                           static_cast<char>(data.size() >> 8), static_cast<char>(data.size() & 0xFF)} +
               data;
    };
    struct Case {
        const char* what;
        std::string block;
        std::string headline;
        std::string keywords;
    };
    const Case cases[] = {
        {"unstated UTF-8", dataset(2, 105, "Cr\xC3\xA8me"), "Crème", ""},
        {"unstated Latin-1", dataset(2, 105, "Cr\xE8me") + dataset(2, 25, "caf\xE9"), "Crème", "café"},
        {"junk between datasets", "\x00\x01" + dataset(2, 105, "h") + "zz" + dataset(2, 25, "k"), "h", "k"},
        {"long length", std::string("\x1C\x02\x69\x80\x02\x00\x03", 7) + "abc", "abc", ""},
        {"long length overrun", std::string("\x1C\x02\x69\x80\x02\x01\x00", 7) + "abc", "", ""},
    };
    for (const Case& c : cases) {
        PhotoTags tags;
        ReadIptcBlock(c.block, tags);
        EXPECT_EQ(tags[Tag::Headline].text(), c.headline) << c.what;
        EXPECT_EQ(tags[Tag::Keywords].text(), c.keywords) << c.what;
    }
}

TEST(DateText, EveryWayOfWritingADateBecomesTheExifLayout)
{
    const struct {
        const char* what;
        std::optional<std::string> date;
        const char* expected;  // null: no date
    } cases[] = {
        {"xmp date and zone", DateFromIso8601("2021-07-14Z"), "2021:07:14 00:00:00"},
        {"month 13", DateFromIso8601("2021-13-01"), nullptr},
        {"mixed separators", DateFromIso8601("2021-07:14"), nullptr},
        {"hour alone", DateFromIso8601("2021-07-14T09"), nullptr},
        {"words after the date", DateFromIso8601("2021-07-14 or so"), nullptr},
        {"iptc unknown month", DateFromIptc("20210014", "093015"), nullptr},
        {"iptc short", DateFromIptc("2021071", ""), nullptr},
        {"png rfc 1123", DateFromPngText("Wed, 14 Jul 2021 09:30:15 +0200"), "2021:07:14 09:30:15"},
        {"png one-digit day, no seconds", DateFromPngText("4 Jul 2021 09:30 GMT"), "2021:07:04 09:30:00"},
        {"png iso 8601", DateFromPngText("2021-07-14T09:30:15"), "2021:07:14 09:30:15"},
        {"png unknown month", DateFromPngText("14 Jly 2021 09:30:15"), nullptr},
        {"png words", DateFromPngText("sometime in July"), nullptr},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.date.value_or("(none)"), c.expected ? c.expected : "(none)") << c.what;
}

// A reader process serves several runs of the window: a sidecar written between two readings of a
// photo counts for the second.
TEST(Sidecars, AreLookedForAgainOnceTheFolderHasChanged)
{
    TempFolder folder;
    std::filesystem::copy_file(photos / "xmp-only.jpg", folder.Path() / "p.jpg");
    PhotoReader reader;
    EXPECT_EQ(reader.Read(folder.Text() + "p.jpg").tags[Tag::XmpSubject], Text("one;two words"));
    folder.Touch("p.xmp", R"(<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF
        xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#"><rdf:Description rdf:about=""
        xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:subject><rdf:Bag><rdf:li>beside</rdf:li></rdf:Bag>
        </dc:subject></rdf:Description></rdf:RDF></x:xmpmeta>)");
    EXPECT_EQ(reader.Read(folder.Text() + "p.jpg").tags[Tag::XmpSubject], Text("beside"));
}

TEST(TextEncoding, EveryTextBecomesValidUtf8)
{
    using namespace std::string_view_literals;
    const std::pair<std::string_view, std::string_view> utf16[] = {
        {"\x00\xD8\x00\xDC"sv, "\xF0\x90\x80\x80"},  // U+10000
        {"\xFF\xDB\xFF\xDF"sv, "\xF4\x8F\xBF\xBF"},  // U+10FFFF
        {""sv, ""},
        {"\xE9"sv, "é"},                                 // odd byte alone
        {"\x3D\xD8"sv, "\uFFFD"},                        // high surrogate at the end
        {"\x3D\xD8\x3D\xD8\x00\xDE"sv, "\uFFFD😀"},       // high, then a pair
        {"\x3D\xD8\x00\x00\x00\xDE"sv, "\uFFFD\uFFFD"},  // pair split by U+0000
    };
    for (const auto& [bytes, expected] : utf16)
        EXPECT_EQ(Utf8FromUtf16Le(bytes), expected);

    const std::pair<std::string_view, std::string_view> unstated[] = {
        {"plain", "plain"},
        {"Cr\xE8me", "Crème"},                      // Latin-1
        {"\x80 \x9F \x81", "€ Ÿ \xC2\x81"},         // Windows-1252, its gaps kept as C1 controls
        {"\xC0\xAF", "À¯"},                         // an overlong form is not UTF-8
        {"\xED\xA0\x80", "í\xC2\xA0\xE2\x82\xAC"},  // nor is a surrogate
        {"\xE6\x97", "æ—"},                         // nor half a character
    };
    for (const auto& [bytes, expected] : unstated)
        EXPECT_EQ(Utf8FromUnstated(bytes), expected);
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
}

namespace {

// The column texts PhotoValues makes of one reading, so that those of both readers can be compared.
std::vector<std::string> Texts(const TagReading& reading)
{
    ScriptedTagSource source;
    source.Set("", reading.tags, reading.outcome, reading.keyed);
    PhotoValues values(source);
    values.ReadImage(std::string());  // no file: the file date stays empty
    std::vector<std::string> texts;
    for (const Column& column : ColumnCatalogue())
        texts.push_back(column.ValueOf(values, DateLayout{}).text);
    return texts;
}

// Where the readers may differ, and why; everything else must agree.
const std::map<std::string, std::string> documentedDifferences{
    {"png-named.jpg", "a PNG under a JPEG's name: FreeImage goes by the name and cannot open it, libexiv2 "
                      "goes by the content and reads it"},
    {"tiff-mm-odd-bits.tif", "FreeImage has no image type for 3-bit samples and refuses the photo even without "
                             "its pixels; libexiv2 reads its tags"},
};

void ExpectReadersAgree(const std::filesystem::path& folder)
{
    FreeImageTagReader freeImage;
    Exiv2TagReader exiv2;
    int compared = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string path = entry.path().string();
        const std::string extension = entry.path().extension().string();
        // The photos made to crash FreeImage would take this test's process with them.
        if (!entry.is_regular_file() || !IsJpegOrTiffExtension(extension.empty() ? "" : extension.substr(1)) ||
            path.find("crash") != std::string::npos)
            continue;
        const TagReading ours = freeImage.Read(path);
        const TagReading second = exiv2.Read(path);
        if (documentedDifferences.count(entry.path().filename().string())) {
            // Still a difference, so that an entry outliving its reason hides nothing.
            EXPECT_NE(ours.outcome, ReadOutcome::Read) << path;
            EXPECT_EQ(second.outcome, ReadOutcome::Read) << path;
            continue;
        }
        EXPECT_EQ(ours.outcome == ReadOutcome::Read, second.outcome == ReadOutcome::Read) << path;
        if (ours.outcome != ReadOutcome::Read || second.outcome != ReadOutcome::Read)
            continue;
        EXPECT_EQ(Texts(ours), Texts(second)) << path;
        ++compared;
    }
    EXPECT_GT(compared, 0);
}

}  // namespace

// Each reader is the other's strongest check: FreeImage and libexiv2 parse photos independently,
// and their values go through the same conversions, so every column must come out the same.
TEST(ReadersAgree, OnTheGeneratedPhotos)
{
    ExpectReadersAgree(FH_TEST_PHOTOS);
}

TEST(ReadersAgree, OnRealCameraPhotos)
{
    if (!std::filesystem::is_directory(SHARED_PHOTOS))
        GTEST_SKIP() << "no real camera photos at " << SHARED_PHOTOS << " (see the README)";
    ExpectReadersAgree(SHARED_PHOTOS);
}
