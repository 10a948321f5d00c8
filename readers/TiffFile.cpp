#include "readers/TiffFile.h"

#include "readers/ByteOrder.h"
#include "readers/ExifValue.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace {

constexpr std::size_t entrySize = 12;

}  // namespace

std::optional<TiffFile> TiffFile::Open(std::string_view bytes)
{
    return Open([bytes](std::uint64_t offset, std::size_t size) {
        return offset <= bytes.size() && size <= bytes.size() - offset
                   ? std::optional<std::string>(bytes.substr(offset, size))
                   : std::nullopt;
    });
}

std::optional<TiffFile> TiffFile::Open(ReadAt read)
{
    const std::optional<std::string> header = read(0, 8);
    if (!header)
        return std::nullopt;
    const std::string_view magic = std::string_view(*header).substr(0, 4);
    if (magic != std::string_view("II*\0", 4) && magic != std::string_view("MM\0*", 4))
        return std::nullopt;
    const bool bigEndian = (*header)[0] == 'M';
    return TiffFile(std::move(read), bigEndian, ReadNumber(*header, 4, 4, bigEndian));
}

TiffFile::TiffFile(ReadAt read, bool bigEndian, std::uint64_t firstDirectory)
    : m_read(std::move(read)), m_bigEndian(bigEndian), m_firstDirectory(firstDirectory)
{
}

std::vector<TiffFile::Entry> TiffFile::Directory(std::uint64_t offset) const
{
    const std::optional<std::string> count = m_read(offset, 2);
    if (!count)
        return {};
    const std::uint32_t entryCount = ReadNumber(*count, 0, 2, m_bigEndian);
    const std::optional<std::string> bytes = m_read(offset + 2, entrySize * entryCount);
    if (!bytes)
        return {};
    std::vector<Entry> entries(entryCount);
    for (std::uint32_t i = 0; i < entryCount; ++i) {
        const std::size_t at = entrySize * i;
        Entry& entry = entries[i];
        entry.tag = static_cast<std::uint16_t>(ReadNumber(*bytes, at, 2, m_bigEndian));
        entry.type = static_cast<std::uint16_t>(ReadNumber(*bytes, at + 2, 2, m_bigEndian));
        entry.count = ReadNumber(*bytes, at + 4, 4, m_bigEndian);
        entry.at = offset + 2 + at;
        entry.valueOffset = ReadNumber(*bytes, at + 8, 4, m_bigEndian);
        entry.inlineValue = bytes->substr(at + 8, 4);
    }
    return entries;
}

std::optional<std::string> TiffFile::Value(const Entry& entry, std::size_t limit) const
{
    // An unknown type counts its values as bytes, as libtiff's readers do for unknown tags.
    const std::uint64_t typeSize = std::max<std::size_t>(1, ExifTypeSize(entry.type));
    const std::uint64_t size = std::min<std::uint64_t>(typeSize * entry.count, limit);
    if (typeSize * entry.count <= 4)
        return entry.inlineValue.substr(0, size);
    return m_read(entry.valueOffset, size);
}
