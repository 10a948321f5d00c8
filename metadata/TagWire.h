#pragma once
// The messages between the program and its reader processes. Each message is a 32-bit length in
// little-endian order followed by that many bytes. A request is a photo's path; a reply is the
// TagReading of that photo. Both ends run on the same machine from the same build.

#include "metadata/TagSource.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tagwire {

constexpr std::size_t HeaderSize = 4;
// A reply or request beyond this is taken for a broken reader, not a photo.
constexpr std::uint32_t MaxMessageSize = 64u * 1024u * 1024u;

// The message framing `payload`.
std::string Frame(std::string_view payload);
// The payload length of a message whose first HeaderSize bytes are `header`.
std::uint32_t PayloadSize(std::string_view header);

std::string EncodeReading(const TagReading& reading);
// Empty when the payload is not a well-formed reading.
std::optional<TagReading> DecodeReading(std::string_view payload);

}  // namespace tagwire
