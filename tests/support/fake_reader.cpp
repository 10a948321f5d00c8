// A stand-in for the reader process that misbehaves on request, for the pool's tests. It answers
// each path with a reading whose make is the path's file name, unless the name says otherwise:
// "crash" aborts, "hang" never answers, "garbage" answers nonsense, "quit" ends silently,
// "slow" answers after 30 ms, "poison" answers but makes the reader crash on the next photo (as a
// damaged heap would).

#include "metadata/TagWire.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

bool ReadExactly(std::string& buffer, std::size_t size)
{
    buffer.resize(size);
    return std::fread(buffer.data(), 1, size, stdin) == size;
}

void Send(const std::string& payload)
{
    const std::string message = tagwire::Frame(payload);
    std::fwrite(message.data(), 1, message.size(), stdout);
    std::fflush(stdout);
}

}  // namespace

int main()
{
    std::string header;
    std::string path;
    bool poisoned = false;
    while (ReadExactly(header, tagwire::HeaderSize) && ReadExactly(path, tagwire::PayloadSize(header))) {
        const std::string name = path.substr(path.find_last_of('/') + 1);
        if (name.find("crash") != std::string::npos || poisoned)
            std::abort();
        poisoned = name.find("poison") != std::string::npos;
        if (name.find("quit") != std::string::npos)
            return 0;
        if (name.find("hang") != std::string::npos)
            std::this_thread::sleep_for(std::chrono::hours(1));
        if (name.find("garbage") != std::string::npos) {
            Send("not a reading");
            continue;
        }
        if (name.find("slow") != std::string::npos)
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        TagReading reading{ReadOutcome::Read, {}};
        reading.tags[Tag::Make] = TagValue::Text(name);
        Send(tagwire::EncodeReading(reading));
    }
    return 0;
}
