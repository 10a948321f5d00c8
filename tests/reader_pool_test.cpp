#include "metadata/ReaderPool.h"
#include "metadata/TagWire.h"
#include "support/Tags.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

ReaderPool::Options FakeReaders(int readers, int stallLimitMs = 5000)
{
    ReaderPool::Options options;
    options.program = FAKE_READER_PATH;
    options.readers = readers;
    options.stallLimit = std::chrono::milliseconds(stallLimitMs);
    return options;
}

// Reads the whole list through the pool and gives each photo's make and the keys its reading
// answered, or why it was not read.
std::vector<std::string> ReadAll(ReaderPool& pool, const std::vector<std::string>& paths)
{
    std::vector<std::string> makes;
    pool.Begin(paths, nullptr);
    for (const auto& path : paths) {
        const TagReading reading = pool.Read(path);
        makes.push_back(reading.outcome == ReadOutcome::Read ? reading.tags[Tag::Make].text()
                                                             : std::string(OutcomeReason(reading.outcome)));
        for (const KeyedValue& value : reading.keyed)
            makes.back() += " " + value.text;
    }
    pool.End();
    return makes;
}

const std::string crashed(OutcomeReason(ReadOutcome::Crashed));
const std::string timedOut(OutcomeReason(ReadOutcome::TimedOut));
const std::string noReader(OutcomeReason(ReadOutcome::NoReader));

}  // namespace

TEST(TagWire, ReadingSurvivesTheRoundTrip)
{
    TagReading reading{ReadOutcome::Read, {}};
    reading.tags.width = 4000;
    reading.tags.height = -3;
    reading.tags[Tag::GPSLatitude] = Triple({48, 1}, {-51, 1}, {4294967295, 0});
    reading.tags[Tag::XPTitle] = Text(std::string("a\0b\xE6\x97\xA5", 6));
    reading.tags[Tag::Orientation] = Number(-6);
    reading.tags[Tag::ExposureTime] = Fraction(1, 160);
    reading.keyed = {{"5", 5.0}, {"-1.25", -1.25}, {"1.25", std::nullopt}, {"", std::nullopt}, {"a\nb", std::nullopt}};
    const auto decoded = tagwire::DecodeReading(tagwire::EncodeReading(reading));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, reading);
}

TEST(TagWire, TruncatedOrOverlongPayloadsAreRejected)
{
    const std::string payload = tagwire::EncodeReading(TagReading{ReadOutcome::NotOpened, {}});
    EXPECT_TRUE(tagwire::DecodeReading(payload));
    std::string badOutcome = payload;
    badOutcome[0] = 9;
    // A reader never sends text that is not UTF-8, nor calls a number what is none; one that does
    // is broken. It sends no more values by key than a request can ask for.
    const std::string latin1 = tagwire::EncodeReading({ReadOutcome::Read, TagsWith({{Tag::Make, Text("Cr\xE8me")}})});
    for (const std::string& broken :
         {payload.substr(0, payload.size() - 1), payload + "x", std::string(), badOutcome, latin1})
        EXPECT_FALSE(tagwire::DecodeReading(broken)) << broken.size() << " bytes";
    for (const KeyedValue& broken : {KeyedValue{"Cr\xE8me", std::nullopt}, KeyedValue{"5 stars", 5.0},
                                     KeyedValue{"+5", 5.0}, KeyedValue{"1e3", 1000.0}})
        EXPECT_FALSE(tagwire::DecodeReading(tagwire::EncodeReading({ReadOutcome::Read, {}, {broken}}))) << broken.text;
    EXPECT_TRUE(tagwire::DecodeReading(
        tagwire::EncodeReading({ReadOutcome::Read, {}, std::vector<KeyedValue>(tagwire::MaxKeys)})));
    EXPECT_FALSE(tagwire::DecodeReading(
        tagwire::EncodeReading({ReadOutcome::Read, {}, std::vector<KeyedValue>(tagwire::MaxKeys + 1)})));
}

TEST(TagWire, MessagesAreTakenWholeOneAtATime)
{
    const std::vector<std::string> keys{"Xmp.xmp.Rating", "Exif.Photo.LensSerialNumber"};
    const std::string request = tagwire::Frame(tagwire::Kind::Read, tagwire::RequestBody(7, keys, "/a/b.jpg"));
    std::string buffer =
        request + tagwire::Frame(tagwire::Kind::Progress, tagwire::ProgressBody(1)) + request.substr(0, 6);
    tagwire::Message message;
    ASSERT_EQ(tagwire::TakeMessage(buffer, message), tagwire::Taken::Message);
    std::uint32_t flags = 0;
    std::vector<std::string> decodedKeys;
    std::string path;
    // A key no program would send (a blank, or beyond the bounds) marks a broken request.
    for (const auto& broken : {std::vector<std::string>{"Xmp.a b"}, std::vector<std::string>{""},
                               std::vector<std::string>{std::string(tagwire::MaxKeyLength + 1, 'k')},
                               std::vector<std::string>(tagwire::MaxKeys + 1, "Xmp.xmp.Rating")})
        EXPECT_FALSE(tagwire::DecodeRequest(tagwire::RequestBody(0, broken, "/a"), flags, decodedKeys, path));
    ASSERT_EQ(tagwire::TakeMessage(buffer, message), tagwire::Taken::Message);
    EXPECT_EQ(message.kind, tagwire::Kind::Progress);
    EXPECT_EQ(tagwire::TakeMessage(buffer, message), tagwire::Taken::Incomplete);
    EXPECT_EQ(buffer, request.substr(0, 6));

    for (const std::string& broken :
         {std::string("\x01\x00\x00\x00\x09x", 6), std::string("\x00\x00\x00\x05\x04", 5)}) {
        buffer = broken;
        EXPECT_EQ(tagwire::TakeMessage(buffer, message), tagwire::Taken::Broken);
    }
}

TEST(ReaderPool, AnswersInListOrderWithOneOrManyReaders)
{
    const std::vector<std::string> names{"a.jpg", "slow1.jpg", "b.jpg", "c.jpg", "slow2.jpg",
                                         "d.jpg", "e.jpg",     "f.jpg", "g.jpg"};
    for (int readers : {1, 2, 3}) {
        ReaderPool pool(FakeReaders(readers));
        EXPECT_EQ(ReadAll(pool, names), names) << readers << " readers";
        EXPECT_EQ(pool.ReadersStarted(), readers);
    }
}

TEST(ReaderPool, AFailureCostsOnlyThatPhotoAndStartsOnlyTheReadersNeeded)
{
    // One reader, so that the readers started can be counted: a photo that fails is read once more
    // by the reader that replaces the failed one, first and with the second library; the photos
    // after it go on in the same reader, unless it fails again.
    struct Case {
        std::vector<std::string> paths;
        std::vector<std::string> expected;
        int readersStarted;
    };
    const Case cases[] = {
        // A crash among others.
        {{"a.jpg", "b.jpg", "crash.jpg", "c.jpg", "d.jpg"}, {"a.jpg", "b.jpg", crashed, "c.jpg", "d.jpg"}, 3},
        // A crash first in a fresh reader.
        {{"crash.jpg", "a.jpg", "b.jpg"}, {crashed, "a.jpg", "b.jpg"}, 3},
        // Two crashes in a row.
        {{"a.jpg", "crash1.jpg", "crash2.jpg", "b.jpg"}, {"a.jpg", crashed, crashed, "b.jpg"}, 5},
        // A crash that the second library reads.
        {{"a.jpg", "fallback.jpg", "b.jpg"}, {"a.jpg", "fallback.jpg", "b.jpg"}, 2},
        // A photo felled by an earlier one's damage is read again and kept.
        {{"a.jpg", "poison.jpg", "b.jpg", "c.jpg"}, {"a.jpg", "poison.jpg", "b.jpg", "c.jpg"}, 2},
        // Nonsense and a silent end.
        {{"garbage.jpg", "a.jpg", "quit.jpg", "b.jpg"}, {crashed, "a.jpg", crashed, "b.jpg"}, 5},
        // A stuck photo.
        {{"a.jpg", "hang.jpg", "b.jpg"}, {"a.jpg", timedOut, "b.jpg"}, 3},
        // A slow photo that keeps reading.
        {{"a.jpg", "steady.jpg", "b.jpg"}, {"a.jpg", "steady.jpg", "b.jpg"}, 1},
    };
    for (const Case& row : cases) {
        ReaderPool pool(FakeReaders(1, 300));
        EXPECT_EQ(ReadAll(pool, row.paths), row.expected);
        EXPECT_EQ(pool.ReadersStarted(), row.readersStarted) << "row " << &row - cases;
    }
}

// The tags asked for by key go with every request, to the reader that replaces a failed one too.
TEST(ReaderPool, KeysGoWithEveryRequest)
{
    ReaderPool pool(FakeReaders(1));
    pool.AskForKeys({"Xmp.xmp.Rating", "Exif.Image.Artist"});
    EXPECT_EQ(ReadAll(pool, {"a.jpg", "fallback.jpg"}),
              (std::vector<std::string>{"a.jpg Xmp.xmp.Rating Exif.Image.Artist",
                                        "fallback.jpg Xmp.xmp.Rating Exif.Image.Artist"}));
}

TEST(ReaderPool, AStuckReaderIsStoppedWhileTheCallerIsKeptAlive)
{
    ReaderPool pool(FakeReaders(1, 300));
    const std::vector<std::string> paths{"a.jpg", "hang.jpg", "b.jpg"};
    int keptAlive = 0;
    pool.Begin(paths, [&keptAlive] { ++keptAlive; });
    const auto started = std::chrono::steady_clock::now();
    // What each photo then gives is the failure table's row of the same photos.
    for (const std::string& path : paths)
        pool.Read(path);
    pool.End();
    // Stuck twice: once among the others, once alone.
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(600));
    EXPECT_GE(keptAlive, 10);  // every 20 ms or so while waiting
}

// A read outside the announced order, and a batch abandoned part-way, leave the next reads as they
// would be in a fresh pool.
TEST(ReaderPool, ReadsOutsideTheAnnouncedOrderAndAnAbandonedBatchDoNotLeakIntoTheNextOnes)
{
    ReaderPool pool(FakeReaders(2));
    EXPECT_EQ(pool.Read("/x/single.jpg").tags[Tag::Make].text(), "single.jpg");
    const std::vector<std::string> first{"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"};
    pool.Begin(first, nullptr);
    EXPECT_EQ(pool.Read(first[0]).tags[Tag::Make].text(), "a.jpg");
    EXPECT_EQ(pool.Read("/x/other.jpg").tags[Tag::Make].text(), "other.jpg");
    pool.End();  // as after Abort: the rest was read ahead and must be dropped
    EXPECT_EQ(ReadAll(pool, {"x.jpg", "y.jpg"}), (std::vector<std::string>{"x.jpg", "y.jpg"}));
}

TEST(ReaderPool, AReaderThatCannotStartOrAnswerIsNamedBeforeAnyPhoto)
{
    const std::string folder = std::filesystem::path(FAKE_READER_PATH).parent_path().string();
    const std::string silent = "it did not answer as a photo reader";
    struct Case {
        std::string program;
        std::string reason;  // empty: the reader works
        std::string photo;   // what then becomes of each photo
    };
    const Case cases[] = {
        {FAKE_READER_PATH, "", "a.jpg"},
        {"/nonexistent/fotoharvester-reader", "No such file or directory", noReader},
        {"fake_reader", "not an absolute path", noReader},
        {folder, "Permission denied", noReader},
        {"/bin/false", silent, crashed},
        {"/bin/cat", silent, crashed},  // says Hello back
    };
    for (const Case& row : cases) {
        ReaderPool::Options options = FakeReaders(1);
        options.program = row.program;
        ReaderPool pool(options);
        const auto started = std::chrono::steady_clock::now();
        const auto problem = pool.CheckReaders();
        EXPECT_EQ(problem ? problem->reason : "", row.reason) << row.program;
        EXPECT_EQ(problem ? problem->program : row.program, row.program);
        // Photos fail at once rather than after a time limit; a reader that answered serves them.
        EXPECT_EQ(ReadAll(pool, {"a.jpg"}), std::vector<std::string>{row.photo}) << row.program;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
        // A program that starts but does not answer is started again for the photo, and once more
        // for the photo alone.
        EXPECT_EQ(pool.ReadersStarted(), !problem ? 1 : row.photo == crashed ? 3 : 0) << row.program;
    }
}
