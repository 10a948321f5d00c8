#include "readers/PngText.h"

#include "readers/ByteOrder.h"

#include <cstdint>

namespace {

constexpr std::string_view signature{"\x89PNG\r\n\x1a\n", 8};
// A PNG of a few hundred megapixels is some thousands of chunks; a damaged one could claim more.
constexpr int maxChunks = 1 << 16;
constexpr std::size_t longestText = 1024;

}  // namespace

std::optional<std::string> PngTextNamed(const TiffFile::ReadAt& read, std::string_view keyword)
{
    if (read(0, signature.size()) != signature)
        return std::nullopt;
    std::uint64_t at = signature.size();
    for (int chunk = 0; chunk < maxChunks; ++chunk) {
        const std::optional<std::string> header = read(at, 8);
        if (!header)
            return std::nullopt;
        const std::uint32_t length = ReadNumber(*header, 0, 4, true);
        const std::string_view type = std::string_view(*header).substr(4);
        if (type == "IEND")
            return std::nullopt;
        if ((type == "tEXt" || type == "iTXt") && length > keyword.size() && length <= longestText) {
            const std::optional<std::string> data = read(at + 8, length);
            if (!data)
                return std::nullopt;
            const std::string_view content(*data);
            if (content.substr(0, keyword.size()) == keyword && content[keyword.size()] == '\0') {
                std::string_view text = content.substr(keyword.size() + 1);
                if (type == "tEXt")
                    return std::string(text);
                // The compression flag and method, then the language and the translated keyword.
                if (text.size() < 2 || text[0] != '\0')
                    return std::nullopt;
                text.remove_prefix(2);
                for (int field = 0; field < 2; ++field) {
                    const std::size_t end = text.find('\0');
                    if (end == std::string_view::npos)
                        return std::nullopt;
                    text.remove_prefix(end + 1);
                }
                return std::string(text);
            }
        }
        at += std::uint64_t{8} + length + 4;  // the header, the data and the check sum
    }
    return std::nullopt;
}
