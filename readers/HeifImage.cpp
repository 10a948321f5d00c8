#include "readers/HeifImage.h"

#include "readers/ByteOrder.h"
#include "readers/IsoBoxes.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Numbers of 0 to 8 bytes, big-endian, read one after another from a box's content; once one does
// not fit, every later one reads as 0 and Fits() stays false.
class Fields {
public:
    explicit Fields(std::string_view bytes, std::size_t at = 0) : m_bytes(bytes), m_at(at) {}

    std::uint64_t Number(std::size_t size)
    {
        if (size > 8 || m_at + size > m_bytes.size()) {
            m_fits = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i)
            value = (value << 8) | static_cast<unsigned char>(m_bytes[m_at + i]);
        m_at += size;
        return value;
    }
    // A text ended by a NUL byte.
    std::string_view Text()
    {
        const std::size_t end = m_bytes.find('\0', m_at);
        if (end == std::string_view::npos) {
            m_fits = false;
            return {};
        }
        const std::string_view text = m_bytes.substr(m_at, end - m_at);
        m_at = end + 1;
        return text;
    }
    bool Fits() const { return m_fits; }

private:
    std::string_view m_bytes;
    std::size_t m_at;
    bool m_fits = true;
};

// The first item of `type` (and, for "mime", of `contentType`), from the item information box.
std::optional<std::uint32_t> ItemOf(const TiffFile::ReadAt& read, const IsoBox& iinf, std::string_view type,
                                    std::string_view contentType = {})
{
    const std::optional<std::string> header = read(iinf.start, 8);
    if (!header)
        return std::nullopt;
    const std::uint64_t first = iinf.start + ((*header)[0] == 0 ? 6 : 8);  // version, flags, entry count
    for (const IsoBox& infe : IsoBoxes(read, first, iinf.end)) {
        const std::optional<std::string> entry = infe.type == "infe" ? IsoBoxContent(read, infe, 4096) : std::nullopt;
        if (!entry || entry->empty() || (*entry)[0] < 2)  // HEIF names its items' types from version 2 on
            continue;
        Fields fields(*entry, 4);
        const auto item = static_cast<std::uint32_t>(fields.Number((*entry)[0] == 2 ? 2 : 4));
        fields.Number(2);  // protection
        const std::uint64_t packed = fields.Number(4);
        const std::string typeName{static_cast<char>(packed >> 24), static_cast<char>(packed >> 16),
                                   static_cast<char>(packed >> 8), static_cast<char>(packed)};
        fields.Text();  // the item's name
        if (!fields.Fits() || typeName != type)
            continue;
        if (!contentType.empty() && fields.Text() != contentType)
            continue;
        return item;
    }
    return std::nullopt;
}

// The bytes of an item, its extents joined, from the file or from the item data box; at most `limit`.
std::optional<std::string> ItemBytes(const TiffFile::ReadAt& read, const IsoBox& iloc, const IsoBox* idat,
                                     std::uint32_t wanted, std::size_t limit)
{
    const std::optional<std::string> locations = IsoBoxContent(read, iloc, 1u << 20);
    if (!locations)
        return std::nullopt;
    Fields fields(*locations);
    const std::uint64_t version = fields.Number(1);
    fields.Number(3);  // flags
    const std::uint64_t sizes = fields.Number(1);
    const std::uint64_t moreSizes = fields.Number(1);
    const std::size_t offsetSize = sizes >> 4, lengthSize = sizes & 15, baseSize = moreSizes >> 4;
    const std::size_t indexSize = version == 1 || version == 2 ? moreSizes & 15 : 0;
    const std::uint64_t items = fields.Number(version < 2 ? 2 : 4);
    for (std::uint64_t i = 0; i < items && fields.Fits(); ++i) {
        const std::uint64_t item = fields.Number(version < 2 ? 2 : 4);
        const std::uint64_t method = version == 1 || version == 2 ? fields.Number(2) & 15 : 0;
        fields.Number(2);  // data reference
        const std::uint64_t base = fields.Number(baseSize);
        const std::uint64_t extents = fields.Number(2);
        std::string bytes;
        bool whole = item == wanted && (method == 0 || (method == 1 && idat != nullptr));
        for (std::uint64_t e = 0; e < extents && fields.Fits(); ++e) {
            fields.Number(indexSize);
            const std::uint64_t offset = fields.Number(offsetSize);
            const std::uint64_t length = fields.Number(lengthSize);
            if (!whole)
                continue;
            std::uint64_t at = base + offset;
            if (method == 1) {
                at += idat->start;
                whole = at >= idat->start && length <= idat->end - std::min(at, idat->end);
            }
            const std::optional<std::string> part =
                whole && length > 0 && length <= limit - bytes.size() ? read(at, length) : std::nullopt;
            whole = part.has_value();
            if (part)
                bytes += *part;
        }
        if (item == wanted)
            return whole && fields.Fits() ? std::optional<std::string>(std::move(bytes)) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> PrimarySize(const TiffFile::ReadAt& read,
                                                                   const std::vector<IsoBox>& inMeta)
{
    const IsoBox* pitm = FindIsoBox(inMeta, "pitm");
    const IsoBox* iprp = FindIsoBox(inMeta, "iprp");
    if (!pitm || !iprp)
        return std::nullopt;
    const std::optional<std::string> primary = IsoBoxContent(read, *pitm, 16);
    if (!primary || primary->size() < 6)
        return std::nullopt;
    const bool longItemIds = (*primary)[0] != 0;
    if (longItemIds && primary->size() < 8)
        return std::nullopt;
    const std::uint32_t primaryItem = ReadNumber(*primary, 4, longItemIds ? 4 : 2, true);

    const std::vector<IsoBox> inProperties = IsoBoxes(read, iprp->start, iprp->end);
    const IsoBox* ipco = FindIsoBox(inProperties, "ipco");
    const IsoBox* ipma = FindIsoBox(inProperties, "ipma");
    if (!ipco || !ipma)
        return std::nullopt;
    const std::vector<IsoBox> properties = IsoBoxes(read, ipco->start, ipco->end);
    const std::optional<std::string> associations = IsoBoxContent(read, *ipma, 1u << 20);
    if (!associations || associations->size() < 8)
        return std::nullopt;
    const std::string_view map = *associations;
    const bool longIds = map[0] != 0;                                 // version 1 or more
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
            const std::uint32_t index =
                ReadNumber(map, at, static_cast<int>(indexSize), true) & (longIndexes ? 0x7FFF : 0x7F);
            if (index == 0 || index > properties.size() || properties[index - 1].type != "ispe")
                continue;
            const std::optional<std::string> extent = IsoBoxContent(read, properties[index - 1], 64);
            if (!extent || extent->size() < 12)
                return std::nullopt;
            return std::pair{ReadNumber(*extent, 4, 4, true), ReadNumber(*extent, 8, 4, true)};
        }
    }
    return std::nullopt;
}

// How many boxes a box may lie inside.
constexpr int deepestNesting = 16;

// Where the boxes inside `box` start, for the boxes libexiv2 walks into: the movie, the meta box
// and the item properties, the item information and Canon's own box (any uuid box is taken as
// one, rather than judged by its identifier).
std::optional<std::uint64_t> InnerBoxesStart(const TiffFile::ReadAt& read, const IsoBox& box)
{
    if (box.type == "moov" || box.type == "iprp" || box.type == "ipco")
        return box.start;
    if (box.type == "meta")
        return box.start + 4;  // version and flags
    if (box.type == "uuid")
        return box.start + 16;
    if (box.type == "iinf") {
        const std::optional<std::string> version = read(box.start, 1);
        return version ? std::optional<std::uint64_t>(box.start + ((*version)[0] == 0 ? 6 : 8)) : std::nullopt;
    }
    return std::nullopt;
}

bool NestsDeeperThan(const TiffFile::ReadAt& read, std::uint64_t from, std::uint64_t to, int levels)
{
    for (const IsoBox& box : IsoBoxes(read, from, to)) {
        const std::optional<std::uint64_t> inner = InnerBoxesStart(read, box);
        if (!inner || *inner >= box.end)
            continue;
        if (levels == 0 || NestsDeeperThan(read, *inner, box.end, levels - 1))
            return true;
    }
    return false;
}

}  // namespace

bool BoxesNestTooDeeply(const TiffFile::ReadAt& read)
{
    const std::optional<std::string> start = read(0, 12);
    if (!start || start->substr(4, 4) != "ftyp")
        return false;
    return NestsDeeperThan(read, 0, std::uint64_t{1} << 40, deepestNesting);
}

std::optional<HeifContent> ReadHeif(const TiffFile::ReadAt& read)
{
    const std::optional<std::string> start = read(0, 12);
    if (!start || start->substr(4, 4) != "ftyp")
        return std::nullopt;
    // The top level is read as far as the file goes; no HEIF file puts its meta box beyond 4 GiB.
    const std::vector<IsoBox> top = IsoBoxes(read, 0, std::uint64_t{1} << 32);
    const IsoBox* meta = FindIsoBox(top, "meta");
    if (!meta)
        return std::nullopt;
    const std::vector<IsoBox> inMeta = IsoBoxes(read, meta->start + 4, meta->end);  // after version and flags
    HeifContent content;
    content.primarySize = PrimarySize(read, inMeta);
    const IsoBox* iinf = FindIsoBox(inMeta, "iinf");
    const IsoBox* iloc = FindIsoBox(inMeta, "iloc");
    if (!iinf || !iloc)
        return content;
    const IsoBox* idat = FindIsoBox(inMeta, "idat");
    constexpr std::size_t itemLimit = 16u << 20;
    if (const auto exif = ItemOf(read, *iinf, "Exif")) {
        // The item starts with the distance from its first four bytes to the TIFF header.
        const std::optional<std::string> item = ItemBytes(read, *iloc, idat, *exif, itemLimit);
        if (item && item->size() >= 4) {
            const std::uint64_t header = 4 + std::uint64_t{ReadNumber(*item, 0, 4, true)};
            if (header < item->size())
                content.exif = item->substr(header);
        }
    }
    if (const auto xmp = ItemOf(read, *iinf, "mime", "application/rdf+xml"))
        content.xmp = ItemBytes(read, *iloc, idat, *xmp, itemLimit);
    return content;
}
