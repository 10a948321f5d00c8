#pragma once
// Conversions of the texts photos hold into UTF-8, the only encoding the program writes. They do
// not depend on the image library.

#include <string>
#include <string_view>

// UTF-8 for UTF-16LE bytes as Windows writes its XP tags. Damage is tolerated rather than
// rejected, because the text still goes into the output: a surrogate without its partner becomes
// U+FFFD, an odd last byte counts as a code unit of its own, and U+0000 (the terminator, wherever
// it stands) is left out.
std::string Utf8FromUtf16Le(std::string_view bytes);

// The length of the well-formed UTF-8 character that starts the text, or 0 when it starts with
// none (an empty text, a stray or overlong byte sequence, a surrogate, beyond U+10FFFF).
std::size_t Utf8CharacterLength(std::string_view text);

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or code points beyond
// U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// UTF-8 for Windows-1252 bytes (of which Latin-1 is a part).
std::string Utf8FromWindows1252(std::string_view bytes);

// A text whose encoding the photo does not state: UTF-8 when the bytes are valid UTF-8, else
// Windows-1252 (of which Latin-1 is a part), which is what cameras and older programs wrote.
// The result is always valid UTF-8.
std::string Utf8FromUnstated(std::string_view bytes);
