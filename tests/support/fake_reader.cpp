// A stand-in for the reader process that misbehaves on request, for the pool's tests. It answers
// each path with a reading whose make is the path's file name, unless the name says otherwise:
// "crash" aborts, "hang" never answers, "garbage" answers nonsense, "quit" ends silently,
// "slow" answers after 30 ms, "steady" takes 800 ms but reports progress every 50 ms, "poison"
// answers but makes the reader crash on the next photo (as a damaged heap would), "fallback"
// aborts unless asked to read with the second library (as a photo that crashes FreeImage and that
// libexiv2 reads). The keys asked for come back as the texts of their values.

#include "metadata/TagWire.h"
#include "platform/ChildProcess.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

bool ReadExactly(std::string& buffer, std::size_t size)
{
    buffer.resize(size);
    return std::fread(buffer.data(), 1, size, stdin) == size;
}

void Send(tagwire::Kind kind, const std::string& body)
{
    const std::string message = tagwire::Frame(kind, body);
    std::fwrite(message.data(), 1, message.size(), stdout);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc == 2 && std::string(argv[1]) == "--fork-server" && !platform::ServeForks())
        return 0;
    std::string header;
    std::string body;
    bool poisoned = false;
    while (ReadExactly(header, tagwire::HeaderSize) && ReadExactly(body, tagwire::PayloadSize(header))) {
        if (static_cast<tagwire::Kind>(header[4]) == tagwire::Kind::Hello) {
            Send(tagwire::Kind::Ready, {});
            continue;
        }
        std::uint32_t flags = 0;
        std::vector<std::string> keys;
        std::string path;
        if (!tagwire::DecodeRequest(body, flags, keys, path))
            return 1;
        const std::string name = path.substr(path.find_last_of('/') + 1);
        const bool second = (flags & tagwire::ReadWithSecondLibrary) != 0;
        if (name.find("crash") != std::string::npos || poisoned ||
            (name.find("fallback") != std::string::npos && !second))
            std::abort();
        poisoned = name.find("poison") != std::string::npos;
        if (name.find("quit") != std::string::npos)
            return 0;
        if (name.find("hang") != std::string::npos)
            std::this_thread::sleep_for(std::chrono::hours(1));
        if (name.find("garbage") != std::string::npos) {
            Send(tagwire::Kind::Reading, "not a reading");
            continue;
        }
        if (name.find("slow") != std::string::npos)
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        if (name.find("steady") != std::string::npos) {
            for (std::uint64_t step = 1; step <= 16; ++step) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                Send(tagwire::Kind::Progress, tagwire::ProgressBody(step * 4096));
            }
        }
        TagReading reading{ReadOutcome::Read, {}};
        reading.tags[Tag::Make] = TagValue::Text(name);
        for (const std::string& key : keys)
            reading.keyed.push_back({key, std::nullopt});
        Send(tagwire::Kind::Reading, tagwire::EncodeReading(reading));
    }
    return 0;
}
