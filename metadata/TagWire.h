#pragma once
// The messages between the program and its reader processes. Each message is a 32-bit length in
// little-endian order, a byte that says what kind of message it is, and that many bytes of body.
// Both ends run on the same machine from the same build.
//
// The program asks for photos with Read requests, several at a time; the reader answers each with
// a Reading as soon as that photo is read, in the order asked, so that when a reader dies the
// program knows the photo it died on: the first one not yet answered. While a photo takes long
// the reader sends Progress, so that a slow photo can be told from a stuck one.

#include "metadata/TagSource.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tagwire {

enum class Kind : std::uint8_t {
    // program to reader
    Hello = 1,  // answered with Ready: the reader started and can read
    Read = 2,   // a photo to read: RequestBody
    // reader to program
    Ready = 3,
    Reading = 4,   // the reading of the oldest photo not yet answered: EncodeReading
    Progress = 5,  // the photo being read is progressing: ProgressBody
};

constexpr std::size_t HeaderSize = 5;
// A reply or request beyond this is taken for a broken reader, not a photo.
constexpr std::uint32_t MaxMessageSize = 64u * 1024u * 1024u;

// The message of `kind` carrying `body`.
std::string Frame(Kind kind, std::string_view body);

struct Message {
    Kind kind = Kind::Hello;
    std::string body;
};
enum class Taken { Message, Incomplete, Broken };
// Takes the first message off the front of `buffer`. Broken: the buffer does not start with a
// message of a known kind and a sane size.
Taken TakeMessage(std::string& buffer, Message& message);

// A Read request: `flags` choose how the photo is read (0: the reader's own choice), `keys` name the
// tags to read by key besides the known ones (TagSource::AskForKeys).
// Read with libexiv2 alone: for a photo that made FreeImage crash or hang in another reader.
constexpr std::uint32_t ReadWithSecondLibrary = 1;
// Only the keys are needed, not the tags the program knows (TagSource::NeedKnownTags).
constexpr std::uint32_t ReadKeysOnly = 2;
// Far more keys than a sheet has room for, each far longer than any key libexiv2 knows.
constexpr std::size_t MaxKeys = 64;
constexpr std::size_t MaxKeyLength = 200;
// Whether a request can carry `key`: 1 to MaxKeyLength printable ASCII characters, no blank.
bool IsSendableKey(std::string_view key);
std::string RequestBody(std::uint32_t flags, const std::vector<std::string>& keys, std::string_view path);
// False when the body is not a well-formed request: more than MaxKeys keys, or one not sendable.
bool DecodeRequest(std::string_view body, std::uint32_t& flags, std::vector<std::string>& keys, std::string& path);

// How many bytes of the photo being read the reader has consumed so far.
std::string ProgressBody(std::uint64_t bytes);

// The little-endian 32-bit number at the start of `bytes` (at least 4 of them).
std::uint32_t PayloadSize(std::string_view bytes);

std::string EncodeReading(const TagReading& reading);
// Empty when the payload is not a well-formed reading.
std::optional<TagReading> DecodeReading(std::string_view payload);

}  // namespace tagwire
