// Fuzz target: a reply from a reader process, as the main process decodes it. A reader that a
// photo has damaged can send anything, and the main process must never crash on it: it takes the
// bytes for a reading or refuses them, and formats a reading it takes into every column. The same
// bytes as a request, as a reader decodes it, must be refused or be the one encoding of what it
// asks for.

#include "fuzz/FuzzChecks.h"
#include "metadata/TagWire.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view payload(reinterpret_cast<const char*>(data), size);
    // The same bytes as a reader's stream: messages are taken whole, one by one, until the rest is
    // incomplete or refused.
    std::string stream(payload);
    tagwire::Message message;
    while (tagwire::TakeMessage(stream, message) == tagwire::Taken::Message) {
    }
    std::uint32_t flags = 0;
    std::vector<std::string> keys;
    std::string path;
    if (tagwire::DecodeRequest(payload, flags, keys, path)) {
        Require(keys.size() <= tagwire::MaxKeys, "a request asks for no more keys than the bound");
        Require(tagwire::RequestBody(flags, keys, path) == payload, "a request is decoded from its one encoding");
    }
    const std::optional<TagReading> reading = tagwire::DecodeReading(payload);
    if (!reading)
        return 0;
    // Decoding is strict, so the bytes taken are exactly the encoding of what was taken.
    Require(tagwire::EncodeReading(*reading) == payload, "a reading is decoded from its one encoding");
    CheckWireRoundTrip(*reading);
    CheckRecords(*reading);
    return 0;
}
