#include "metadata/TiffIptc.h"

#include "metadata/ByteOrder.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

namespace {

constexpr std::uint16_t iptcTag = 33723;
// An IPTC block beyond this is not read for checking; no photo carries one so large.
constexpr std::uint64_t largestBlock = 64u << 20;

// Reads `size` bytes at `offset`; empty when the file has fewer.
using ReadAt = std::function<std::optional<std::string>(std::uint64_t offset, std::size_t size)>;

std::uint64_t TypeSize(std::uint16_t type)
{
    switch (type) {
    case 3:  // SHORT
        return 2;
    case 4:  // LONG
        return 4;
    default:  // BYTE, UNDEFINED and anything else: FreeImage takes the bytes as they stand
        return 1;
    }
}

// The datasets follow one another, each a 0x1C marker, record and dataset numbers and a length
// (a long length when its top bit is set). Bytes between datasets are skipped, as FreeImage does.
bool DatasetsFit(std::string_view block)
{
    std::size_t at = 0;
    while (at + 5 <= block.size()) {
        if (static_cast<unsigned char>(block[at]) != 0x1C) {
            ++at;
            continue;
        }
        std::uint64_t length = ReadNumber(block, at + 3, 2, true);
        std::size_t data = at + 5;
        if (length & 0x8000) {
            const std::size_t lengthSize = length & 0x7FFF;
            if (lengthSize > 4 || data + lengthSize > block.size())
                return false;
            length = ReadNumber(block, data, static_cast<int>(lengthSize), true);
            data += lengthSize;
        }
        if (data + length > block.size())
            return false;
        at = data + length;
    }
    return true;
}

bool IptcFits(const ReadAt& read)
{
    const std::optional<std::string> header = read(0, 8);
    if (!header || (header->compare(0, 4, "II*\0", 4) != 0 && header->compare(0, 4, "MM\0*", 4) != 0))
        return true;
    const bool bigEndian = (*header)[0] == 'M';
    const std::uint64_t directory = ReadNumber(*header, 4, 4, bigEndian);
    const std::optional<std::string> count = read(directory, 2);
    if (!count)
        return true;
    const std::uint32_t entryCount = ReadNumber(*count, 0, 2, bigEndian);
    const std::optional<std::string> entries = read(directory + 2, std::size_t{12} * entryCount);
    if (!entries)
        return true;
    for (std::uint32_t entry = 0; entry < entryCount; ++entry) {
        const std::size_t at = std::size_t{12} * entry;
        if (ReadNumber(*entries, at, 2, bigEndian) != iptcTag)
            continue;
        const std::uint64_t size = TypeSize(static_cast<std::uint16_t>(ReadNumber(*entries, at + 2, 2, bigEndian))) *
                                   ReadNumber(*entries, at + 4, 4, bigEndian);
        if (size <= 4)
            return DatasetsFit(std::string_view(*entries).substr(at + 8, size));
        if (size > largestBlock)
            return false;
        const std::optional<std::string> block = read(ReadNumber(*entries, at + 8, 4, bigEndian), size);
        return block && DatasetsFit(*block);
    }
    return true;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool TiffIptcFitsItsBlock(const std::string& path)
{
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return true;
    return IptcFits([&file](std::uint64_t offset, std::size_t size) -> std::optional<std::string> {
        std::string bytes(size, '\0');
        if (offset > static_cast<std::uint64_t>(LONG_MAX) || std::fseek(file.get(), static_cast<long>(offset), SEEK_SET) != 0 ||
            std::fread(bytes.data(), 1, size, file.get()) != size)
            return std::nullopt;
        return bytes;
    });
}

bool TiffIptcFitsItsBlockInMemory(std::string_view file)
{
    return IptcFits([file](std::uint64_t offset, std::size_t size) -> std::optional<std::string> {
        if (offset > file.size() || size > file.size() - offset)
            return std::nullopt;
        return std::string(file.substr(offset, size));
    });
}
