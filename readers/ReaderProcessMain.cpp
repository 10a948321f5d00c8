// fotoharvester-reader: reads photos for the program in a process of its own, so that a photo
// that crashes the image library cannot take the program down. It answers each Read request on
// its input with that photo's reading as soon as the photo is read, in order, and ends at the end
// of its input (when the program finishes or is gone).
//
// Answering each photo at once, rather than a few together, costs a write per photo; in return,
// when a photo kills the reader the program knows which one it was, and loses only that one.
//
// Run with "--list-tags" it prints every tag libexiv2 knows, one a line (TagKeys.h), and ends.
//
// Run with "--fork-server" it serves the program's readers as forks of itself, made after
// FreeImage and libexiv2 have been loaded and initialised and before any photo has been read.

#include "readers/PhotoReader.h"
#include "readers/TagKeys.h"
#include "metadata/TagWire.h"
#include "platform/ChildProcess.h"
#include "platform/StandardStreams.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// No photo needs more: a camera's largest RAW file is read in a few hundred megabytes. A hostile
// structure that drives a library beyond it (boxes nested thousands deep, a packet of XMP of
// gigabytes) fails that photo, which is then counted unread, rather than taking the machine's
// memory.
constexpr std::uint64_t memoryLimit = std::uint64_t{1} << 30;

// AddressSanitizer reserves terabytes of address space for its shadow memory at start-up, which no
// limit could allow for.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool addressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool addressSanitizer = true;
#else
constexpr bool addressSanitizer = false;
#endif
#else
constexpr bool addressSanitizer = false;
#endif

// Well below the program's stall limit, so that a photo that keeps reading is never taken for a
// stuck one, and rare enough to cost nothing.
constexpr auto progressInterval = std::chrono::milliseconds(200);

// Reports Progress while a photo takes long: the bytes consumed of it so far, whenever reading
// consumes more of it and the last report is older than progressInterval. A photo that consumes
// nothing more gets no report, however busy the reader, and the program stops the reader after a
// while. The reports go out from inside the reading, on this one thread, between the replies.
class ProgressReports {
public:
    void PhotoStarted()
    {
        m_consumed = 0;
        m_reported = Clock::now();
    }
    void Consumed(std::size_t bytes)
    {
        m_consumed += bytes;
        const auto now = Clock::now();
        if (now - m_reported < progressInterval)
            return;
        m_reported = now;
        if (!platform::WriteStandardOutput(tagwire::Frame(tagwire::Kind::Progress, tagwire::ProgressBody(m_consumed))))
            std::_Exit(1);  // the program is gone; the photo in progress is of no use to anyone
    }

private:
    std::uint64_t m_consumed = 0;
    Clock::time_point m_reported;
};

}  // namespace

int main(int argc, char* argv[])
{
    platform::UseBinaryStandardStreams();
    if (argc == 2 && std::string_view(argv[1]) == "--list-tags") {
        WriteKnownTags(stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (!addressSanitizer)
        platform::LimitDataMemory(memoryLimit);
    PhotoReader reader;
    if (argc == 2 && std::string_view(argv[1]) == "--fork-server" && !platform::ServeForks())
        return 0;
    ProgressReports progress;
    reader.OnConsumed([&progress](std::size_t bytes) { progress.Consumed(bytes); });

    std::string input;
    char chunk[65536];
    for (;;) {
        const std::size_t received = platform::ReadStandardInput(chunk, sizeof chunk);
        if (received == 0)
            return 0;
        input.append(chunk, received);

        tagwire::Message message;
        for (;;) {
            const tagwire::Taken taken = tagwire::TakeMessage(input, message);
            if (taken == tagwire::Taken::Incomplete)
                break;
            if (taken == tagwire::Taken::Broken)
                return 1;
            std::string reply;
            if (message.kind == tagwire::Kind::Hello) {
                reply = tagwire::Frame(tagwire::Kind::Ready, {});
            } else {
                std::uint32_t flags = 0;
                std::vector<std::string> keys;
                std::string path;
                if (message.kind != tagwire::Kind::Read || !tagwire::DecodeRequest(message.body, flags, keys, path))
                    return 1;
                reader.AskForKeys(std::move(keys));
                reader.NeedKnownTags((flags & tagwire::ReadKeysOnly) == 0);
                progress.PhotoStarted();
                const auto library = (flags & tagwire::ReadWithSecondLibrary) != 0 ? PhotoReader::Library::Exiv2Only
                                                                                   : PhotoReader::Library::Any;
                reply = tagwire::Frame(tagwire::Kind::Reading, tagwire::EncodeReading(reader.Read(path, library)));
            }
            if (!platform::WriteStandardOutput(reply))
                return 1;
        }
    }
}
