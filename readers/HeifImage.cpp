#include "readers/HeifImage.h"

#include "readers/ByteOrder.h"

#include <string>
#include <string_view>
#include <vector>

namespace {

// A file holds few boxes at each level; a damaged one could claim millions.
constexpr int maxBoxes = 1024;

struct Box {
    std::string type;
    std::uint64_t start = 0;  // of the content, after the header
    std::uint64_t end = 0;
};

// The boxes between `from` and `to`, in order, as far as they are well-formed.
std::vector<Box> Boxes(const TiffFile::ReadAt& read, std::uint64_t from, std::uint64_t to)
{
    std::vector<Box> boxes;
    std::uint64_t at = from;
    while (at + 8 <= to && static_cast<int>(boxes.size()) < maxBoxes) {
        const std::optional<std::string> header = read(at, 8);
        if (!header)
            break;
        std::uint64_t size = ReadNumber(*header, 0, 4, true);
        std::uint64_t start = at + 8;
        if (size == 1) {  // a 64-bit size follows the type
            const std::optional<std::string> large = read(at + 8, 8);
            if (!large)
                break;
            size = (std::uint64_t{ReadNumber(*large, 0, 4, true)} << 32) | ReadNumber(*large, 4, 4, true);
            start += 8;
        } else if (size == 0) {  // to the end of the enclosing box
            size = to - at;
        }
        if (size < start - at || size > to - at)
            break;
        boxes.push_back({header->substr(4, 4), start, at + size});
        at += size;
    }
    return boxes;
}

const Box* Find(const std::vector<Box>& boxes, std::string_view type)
{
    for (const Box& box : boxes)
        if (box.type == type)
            return &box;
    return nullptr;
}

std::optional<std::string> Content(const TiffFile::ReadAt& read, const Box& box, std::uint64_t limit)
{
    const std::uint64_t size = box.end - box.start;
    return size > limit ? std::nullopt : read(box.start, size);
}

}  // namespace

std::optional<std::pair<std::uint32_t, std::uint32_t>> HeifPrimaryImageSize(const TiffFile::ReadAt& read)
{
    const std::optional<std::string> start = read(0, 12);
    if (!start || start->substr(4, 4) != "ftyp")
        return std::nullopt;
    // The top level is read as far as the file goes; no HEIF file puts its meta box beyond 4 GiB.
    const std::vector<Box> top = Boxes(read, 0, std::uint64_t{1} << 32);
    const Box* meta = Find(top, "meta");
    if (!meta)
        return std::nullopt;
    const std::vector<Box> inMeta = Boxes(read, meta->start + 4, meta->end);  // after version and flags
    const Box* pitm = Find(inMeta, "pitm");
    const Box* iprp = Find(inMeta, "iprp");
    if (!pitm || !iprp)
        return std::nullopt;
    const std::optional<std::string> primary = Content(read, *pitm, 16);
    if (!primary || primary->size() < 6)
        return std::nullopt;
    const bool longItemIds = (*primary)[0] != 0;
    if (longItemIds && primary->size() < 8)
        return std::nullopt;
    const std::uint32_t primaryItem = ReadNumber(*primary, 4, longItemIds ? 4 : 2, true);

    const std::vector<Box> inProperties = Boxes(read, iprp->start, iprp->end);
    const Box* ipco = Find(inProperties, "ipco");
    const Box* ipma = Find(inProperties, "ipma");
    if (!ipco || !ipma)
        return std::nullopt;
    const std::vector<Box> properties = Boxes(read, ipco->start, ipco->end);
    const std::optional<std::string> associations = Content(read, *ipma, 1u << 20);
    if (!associations || associations->size() < 8)
        return std::nullopt;
    const std::string_view map = *associations;
    const bool longIds = map[0] != 0;                              // version 1 or more
    const bool longIndexes = (ReadNumber(map, 1, 3, true) & 1) != 0;  // flags
    const std::uint32_t entries = ReadNumber(map, 4, 4, true);
    std::size_t at = 8;
    for (std::uint32_t entry = 0; entry < entries; ++entry) {
        const std::size_t idSize = longIds ? 4 : 2;
        if (at + idSize + 1 > map.size())
            return std::nullopt;
        const std::uint32_t item = ReadNumber(map, at, static_cast<int>(idSize), true);
        const std::size_t count = static_cast<unsigned char>(map[at + idSize]);
        at += idSize + 1;
        const std::size_t indexSize = longIndexes ? 2 : 1;
        if (at + count * indexSize > map.size())
            return std::nullopt;
        for (std::size_t i = 0; i < count; ++i, at += indexSize) {
            if (item != primaryItem)
                continue;
            const std::uint32_t index = ReadNumber(map, at, static_cast<int>(indexSize), true) & (longIndexes ? 0x7FFF : 0x7F);
            if (index == 0 || index > properties.size() || properties[index - 1].type != "ispe")
                continue;
            const std::optional<std::string> extent = Content(read, properties[index - 1], 64);
            if (!extent || extent->size() < 12)
                return std::nullopt;
            return std::pair{ReadNumber(*extent, 4, 4, true), ReadNumber(*extent, 8, 4, true)};
        }
    }
    return std::nullopt;
}
