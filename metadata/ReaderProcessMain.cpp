// fotoharvester-reader: reads photos for the program in a process of its own, so that a photo
// that crashes the image library cannot take the program down. It answers each path on its input
// with that photo's reading, in order, and ends at the end of its input.
//
// Requests that arrive together are answered together, in one write: the program sends a few
// paths at a time, and a write per photo would cost as much as reading a small photo. Replies
// wait at most a few milliseconds, so that a slow photo does not hold back those read before it.

#include "metadata/PhotoReader.h"
#include "metadata/TagWire.h"
#include "platform/StandardStreams.h"

#include <chrono>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto longestReplyWait = std::chrono::milliseconds(10);

}  // namespace

int main()
{
    platform::UseBinaryStandardStreams();
    PhotoReader reader;

    std::string input;
    std::string replies;
    Clock::time_point oldestReply;
    char chunk[65536];
    for (;;) {
        const std::size_t received = platform::ReadStandardInput(chunk, sizeof chunk);
        if (received == 0)
            return 0;
        input.append(chunk, received);

        std::size_t consumed = 0;
        while (input.size() - consumed >= tagwire::HeaderSize) {
            const std::uint32_t size = tagwire::PayloadSize(std::string_view(input).substr(consumed));
            if (size > tagwire::MaxMessageSize)
                return 1;
            if (input.size() - consumed < tagwire::HeaderSize + size)
                break;
            const std::string path = input.substr(consumed + tagwire::HeaderSize, size);
            consumed += tagwire::HeaderSize + size;

            if (!replies.empty() && Clock::now() - oldestReply > longestReplyWait) {
                if (!platform::WriteStandardOutput(replies))
                    return 1;
                replies.clear();
            }
            if (replies.empty())
                oldestReply = Clock::now();
            replies += tagwire::Frame(tagwire::EncodeReading(reader.Read(path)));
        }
        input.erase(0, consumed);
        if (!replies.empty() && !platform::WriteStandardOutput(replies))
            return 1;
        replies.clear();
    }
}
