#include "metadata/ReaderPool.h"
#include "metadata/TagWire.h"
#include "support/Tags.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

ReaderPool::Options FakeReaders(int readers, int timeLimitMs = 5000)
{
    ReaderPool::Options options;
    options.program = FAKE_READER_PATH;
    options.readers = readers;
    options.timeLimit = std::chrono::milliseconds(timeLimitMs);
    return options;
}

std::vector<std::string> Paths(std::initializer_list<const char*> names)
{
    std::vector<std::string> paths;
    for (const char* name : names)
        paths.push_back(std::string("/photos/") + name);
    return paths;
}

// Reads the whole list through the pool and gives each photo's make, or "!" for a failed read.
std::vector<std::string> ReadAll(ReaderPool& pool, const std::vector<std::string>& paths)
{
    std::vector<std::string> makes;
    pool.Begin(paths, nullptr);
    for (const auto& path : paths) {
        const TagReading reading = pool.Read(path);
        makes.push_back(reading.outcome == ReadOutcome::Read ? reading.tags[Tag::Make].text() : "!");
    }
    pool.End();
    return makes;
}

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
    const auto decoded = tagwire::DecodeReading(tagwire::EncodeReading(reading));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->outcome, ReadOutcome::Read);
    EXPECT_EQ(decoded->tags, reading.tags);
}

TEST(TagWire, TruncatedOrOverlongPayloadsAreRejected)
{
    const std::string payload = tagwire::EncodeReading(TagReading{ReadOutcome::NotOpened, {}});
    EXPECT_TRUE(tagwire::DecodeReading(payload));
    EXPECT_FALSE(tagwire::DecodeReading(payload.substr(0, payload.size() - 1)));
    EXPECT_FALSE(tagwire::DecodeReading(payload + "x"));
    EXPECT_FALSE(tagwire::DecodeReading(""));
    std::string badOutcome = payload;
    badOutcome[0] = 9;
    EXPECT_FALSE(tagwire::DecodeReading(badOutcome));
    // A reader never sends text that is not UTF-8; one that does is broken.
    TagReading latin1{ReadOutcome::Read, TagsWith({{Tag::Make, Text("Cr\xE8me")}})};
    EXPECT_FALSE(tagwire::DecodeReading(tagwire::EncodeReading(latin1)));
}

TEST(ReaderPool, AnswersInListOrderWithOneOrManyReaders)
{
    const auto paths = Paths({"a.jpg", "slow1.jpg", "b.jpg", "c.jpg", "slow2.jpg", "d.jpg", "e.jpg", "f.jpg", "g.jpg"});
    const std::vector<std::string> expected{"a.jpg", "slow1.jpg", "b.jpg", "c.jpg", "slow2.jpg",
                                            "d.jpg", "e.jpg",     "f.jpg", "g.jpg"};
    for (int readers : {1, 2, 3}) {
        ReaderPool pool(FakeReaders(readers));
        EXPECT_EQ(ReadAll(pool, paths), expected) << readers << " readers";
        EXPECT_EQ(pool.ReadersStarted(), readers);
    }
}

TEST(ReaderPool, ACrashLosesOnlyThatPhotoAndTheReaderIsReplaced)
{
    for (int readers : {1, 2}) {
        ReaderPool pool(FakeReaders(readers));
        const auto paths = Paths({"a.jpg", "crash.jpg", "b.jpg", "c.jpg", "crash2.jpg", "d.jpg"});
        EXPECT_EQ(ReadAll(pool, paths), (std::vector<std::string>{"a.jpg", "!", "b.jpg", "c.jpg", "!", "d.jpg"}))
            << readers << " readers";
        EXPECT_GT(pool.ReadersStarted(), readers);
    }
}

TEST(ReaderPool, APhotoFelledByAnEarlierOnesDamageIsReadAgainAndKept)
{
    ReaderPool pool(FakeReaders(1));
    const auto paths = Paths({"a.jpg", "poison.jpg", "b.jpg", "c.jpg"});
    EXPECT_EQ(ReadAll(pool, paths), (std::vector<std::string>{"a.jpg", "poison.jpg", "b.jpg", "c.jpg"}));
}

TEST(ReaderPool, ManyPhotosStayInOrderAcrossCrashesWithSeveralReaders)
{
    std::vector<std::string> paths;
    std::vector<std::string> expected;
    for (int i = 0; i < 300; ++i) {
        const std::string name = (i % 37 == 5 ? "crash" : i % 53 == 7 ? "poison" : "p") + std::to_string(i) + ".jpg";
        paths.push_back("/photos/" + name);
        expected.push_back(name.rfind("crash", 0) == 0 ? "!" : name);
    }
    for (int readers : {1, 2, 4}) {
        ReaderPool pool(FakeReaders(readers));
        EXPECT_EQ(ReadAll(pool, paths), expected) << readers << " readers";
    }
}

TEST(ReaderPool, NonsenseAndSilentEndsAreFailuresToo)
{
    ReaderPool pool(FakeReaders(2));
    const auto paths = Paths({"garbage.jpg", "a.jpg", "quit.jpg", "b.jpg"});
    EXPECT_EQ(ReadAll(pool, paths), (std::vector<std::string>{"!", "a.jpg", "!", "b.jpg"}));
}

TEST(ReaderPool, AHangingReaderIsKilledAfterTheTimeLimitWhileTheCallerIsKeptAlive)
{
    ReaderPool pool(FakeReaders(1, 300));
    const auto paths = Paths({"a.jpg", "hang.jpg", "b.jpg"});
    int keptAlive = 0;
    pool.Begin(paths, [&keptAlive] { ++keptAlive; });
    const auto started = std::chrono::steady_clock::now();
    auto elapsedMs = [started] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    };
    EXPECT_EQ(pool.Read(paths[0]).tags[Tag::Make].text(), "a.jpg");
    EXPECT_EQ(pool.Read(paths[1]).outcome, ReadOutcome::Crashed);
    EXPECT_EQ(pool.Read(paths[2]).tags[Tag::Make].text(), "b.jpg");
    pool.End();
    EXPECT_GE(elapsedMs(), 300);
    EXPECT_GE(keptAlive, 5);  // every 20 ms or so while waiting
}

TEST(ReaderPool, ReadsOutsideTheAnnouncedOrderStillWork)
{
    ReaderPool pool(FakeReaders(2));
    EXPECT_EQ(pool.Read("/x/single.jpg").tags[Tag::Make].text(), "single.jpg");
    const auto paths = Paths({"a.jpg", "b.jpg", "c.jpg"});
    pool.Begin(paths, nullptr);
    EXPECT_EQ(pool.Read(paths[0]).tags[Tag::Make].text(), "a.jpg");
    EXPECT_EQ(pool.Read("/x/other.jpg").tags[Tag::Make].text(), "other.jpg");
}

TEST(ReaderPool, AnAbandonedBatchDoesNotLeakIntoTheNextOne)
{
    ReaderPool pool(FakeReaders(2));
    const auto first = Paths({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"});
    pool.Begin(first, nullptr);
    EXPECT_EQ(pool.Read(first[0]).tags[Tag::Make].text(), "a.jpg");
    pool.End();  // as after Abort: the rest was read ahead and must be dropped
    EXPECT_EQ(ReadAll(pool, Paths({"x.jpg", "y.jpg"})), (std::vector<std::string>{"x.jpg", "y.jpg"}));
}

TEST(ReaderPool, AMissingReaderProgramFailsEveryPhotoWithoutWaiting)
{
    ReaderPool::Options options = FakeReaders(2);
    options.program = "/nonexistent/fotoharvester-reader";
    ReaderPool pool(options);
    const auto started = std::chrono::steady_clock::now();
    auto elapsedMs = [started] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    };
    EXPECT_EQ(ReadAll(pool, Paths({"a.jpg", "b.jpg"})), (std::vector<std::string>{"!", "!"}));
    EXPECT_LT(elapsedMs(), 3000);
}
