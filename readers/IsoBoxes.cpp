#include "readers/IsoBoxes.h"

#include "readers/ByteOrder.h"

namespace {

constexpr std::size_t maxBoxes = 1024;

}  // namespace

std::vector<IsoBox> IsoBoxes(const TiffFile::ReadAt& read, std::uint64_t from, std::uint64_t to)
{
    std::vector<IsoBox> boxes;
    std::uint64_t at = from;
    while (at + 8 <= to && boxes.size() < maxBoxes) {
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

const IsoBox* FindIsoBox(const std::vector<IsoBox>& boxes, std::string_view type)
{
    for (const IsoBox& box : boxes)
        if (box.type == type)
            return &box;
    return nullptr;
}

std::optional<std::string> IsoBoxContent(const TiffFile::ReadAt& read, const IsoBox& box, std::uint64_t limit)
{
    const std::uint64_t size = box.end - box.start;
    return size > limit ? std::nullopt : read(box.start, size);
}
