// fotoharvester-reader: reads photos for the program in a process of its own, so that a photo
// that crashes the image library cannot take the program down. It answers each path on its input
// with that photo's reading and ends at the end of its input.

#include "metadata/FreeImageTagReader.h"
#include "metadata/TagWire.h"
#include "platform/FileSystem.h"

#include <cstdio>
#include <string>

namespace {

bool ReadExactly(std::string& buffer, std::size_t size)
{
    buffer.resize(size);
    return std::fread(buffer.data(), 1, size, stdin) == size;
}

}  // namespace

int main()
{
    platform::SetBinaryMode(stdin);
    platform::SetBinaryMode(stdout);
    FreeImageTagReader reader;

    std::string header;
    std::string path;
    while (ReadExactly(header, tagwire::HeaderSize)) {
        const std::uint32_t size = tagwire::PayloadSize(header);
        if (size > tagwire::MaxMessageSize || !ReadExactly(path, size))
            return 1;
        const std::string reply = tagwire::Frame(tagwire::EncodeReading(reader.Read(path)));
        if (std::fwrite(reply.data(), 1, reply.size(), stdout) != reply.size() || std::fflush(stdout) != 0)
            return 1;
    }
    return 0;
}
