#include "readers/Cr3Image.h"

#include "readers/IsoBoxes.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace {

// The user types of the two "uuid" boxes, as their first 16 bytes hold them.
constexpr std::string_view canonMetadata{"\x85\xc0\xb6\x87\x82\x0f\x11\xe0\x81\x11\xf4\xce\x46\x2b\x6a\x48", 16};
constexpr std::string_view xmpPacket{"\xbe\x7a\xcf\xcb\x97\xa9\x42\xe8\x9c\x71\x99\x94\x91\xe3\xaf\xac", 16};
constexpr std::uint64_t uuidSize = 16;

// A camera writes a few KiB into each; a damaged file could name gigabytes.
constexpr std::uint64_t blockLimit = 4u << 20;

// The first "uuid" box among `boxes` whose user type is `uuid`.
const IsoBox* FindUuid(const TiffFile::ReadAt& read, const std::vector<IsoBox>& boxes, std::string_view uuid)
{
    for (const IsoBox& box : boxes)
        if (box.type == "uuid" && box.end - box.start >= uuidSize && read(box.start, uuidSize) == uuid)
            return &box;
    return nullptr;
}

IsoBox AfterUuid(const IsoBox& box)
{
    return {box.type, box.start + uuidSize, box.end};
}

}  // namespace

std::optional<Cr3Content> ReadCr3(const TiffFile::ReadAt& read)
{
    const std::optional<std::string> start = read(0, 12);
    if (!start || start->substr(4, 8) != "ftypcrx ")
        return std::nullopt;
    Cr3Content content;
    // The boxes of a CR3 file lie well within 1 TiB; only their headers are read.
    const std::vector<IsoBox> top = IsoBoxes(read, 0, std::uint64_t{1} << 40);
    const IsoBox* movie = FindIsoBox(top, "moov");
    const std::vector<IsoBox> inMovie = movie ? IsoBoxes(read, movie->start, movie->end) : std::vector<IsoBox>{};
    if (const IsoBox* canon = FindUuid(read, inMovie, canonMetadata)) {
        const std::vector<IsoBox> blocks = IsoBoxes(read, canon->start + uuidSize, canon->end);
        const std::pair<const char*, std::optional<std::string>*> wanted[] = {
            {"CMT1", &content.imageDirectory}, {"CMT2", &content.exifDirectory}, {"CMT4", &content.gpsDirectory}};
        for (const auto& [type, slot] : wanted)
            if (const IsoBox* block = FindIsoBox(blocks, type))
                *slot = IsoBoxContent(read, *block, blockLimit);
    }
    // Canon writes the XMP box after the movie box; it is looked for inside it as well.
    const IsoBox* xmp = FindUuid(read, top, xmpPacket);
    if (!xmp)
        xmp = FindUuid(read, inMovie, xmpPacket);
    if (xmp)
        content.xmp = IsoBoxContent(read, AfterUuid(*xmp), blockLimit);
    return content;
}
