#pragma once
// Text conversions of tag values that do not depend on the image library.

#include <string>
#include <string_view>

// UTF-8 for UTF-16LE bytes as Windows writes its XP tags. Damage is tolerated rather than
// rejected, because the text still goes into the output: a surrogate without its partner becomes
// U+FFFD, an odd last byte counts as a code unit of its own, and U+0000 (the terminator, wherever
// it stands) is left out.
std::string Utf8FromUtf16Le(std::string_view bytes);
