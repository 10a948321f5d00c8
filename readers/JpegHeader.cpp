#include "readers/JpegHeader.h"

#include "readers/ByteOrder.h"
#include "metadata/TagTable.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>
#include <cstdio>

namespace {

constexpr unsigned char markerStartOfScan = 0xDA;
constexpr unsigned char markerEndOfImage = 0xD9;
constexpr unsigned char markerApp1 = 0xE1;
constexpr unsigned char markerApp13 = 0xED;
constexpr unsigned char markerComment = 0xFE;
constexpr std::string_view exifSignature{"Exif\0\0", 6};
constexpr std::string_view photoshopSignature{"Photoshop 3.0\0", 14};
constexpr std::string_view xmpSignature{"http://ns.adobe.com/xap/1.0/\0", 29};
constexpr unsigned char markerApp0 = 0xE0;
constexpr unsigned char markerApp14 = 0xEE;  // Adobe's colour transform, which a decoder heeds
constexpr unsigned char markerApp15 = 0xEF;

// The application segments FreeImage is not to see: all but JFIF, Exif and Adobe's.
bool LeftOut(unsigned char marker, std::string_view content)
{
    if (marker == markerApp1)
        return !content.starts_with(exifSignature);
    return marker > markerApp0 && marker <= markerApp15 && marker != markerApp14;
}

constexpr std::uint16_t exifDirectoryTag = 0x8769;
constexpr std::uint16_t gpsDirectoryTag = 0x8825;

// The Exif block of an APP1 segment: a TIFF header and its directories, offsets counted from the
// header, every one checked against the end of the segment.
class ExifBlock {
public:
    ExifBlock(std::string& segment, std::size_t tiff) : m_segment(segment), m_tiff(tiff) {}

    bool Valid() const
    {
        if (m_segment.size() < m_tiff + 8)
            return false;
        const std::string_view order(m_segment.data() + m_tiff, 2);
        return order == "II" || order == "MM";
    }
    bool BigEndian() const { return m_segment[m_tiff] == 'M'; }
    // Where the first directory lies in the segment; 0 when it does not fit.
    std::size_t FirstDirectory() const { return Directory(ReadNumber(m_segment, m_tiff + 4, 4, BigEndian())); }
    // Where the directory at `offset` lies in the segment, with its entry count; 0 when it does not fit.
    std::size_t Directory(std::uint64_t offset) const
    {
        const std::uint64_t at = m_tiff + offset;
        return at + 2 <= m_segment.size() && offset != 0 ? static_cast<std::size_t>(at) : 0;
    }
    std::uint64_t EntryCount(std::size_t directory) const { return ReadNumber(m_segment, directory, 2, BigEndian()); }
    // Where the entry of `tag` lies in the directory; 0 when there is none (or it does not fit).
    std::size_t Entry(std::size_t directory, std::uint16_t tag) const
    {
        const std::uint64_t count = EntryCount(directory);
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint64_t at = directory + 2 + 12 * i;
            if (at + 12 > m_segment.size())
                return 0;
            if (ReadNumber(m_segment, at, 2, BigEndian()) == tag)
                return static_cast<std::size_t>(at);
        }
        return 0;
    }
    void Write(std::size_t at, std::uint32_t value, int size)
    {
        for (int i = 0; i < size; ++i)
            m_segment[at + i] = static_cast<char>(value >> (8 * (BigEndian() ? size - 1 - i : i)));
    }

private:
    std::string& m_segment;
    std::size_t m_tiff;
};

struct Directory {
    std::size_t at;  // in the segment
    TagDirectory tags;
    std::size_t end;  // past its entries and the link after them
};

// Keeps in the directory only the entries of the tags the program reads from it and of the
// `pointers` to other directories, moved to the front in their order, and ends the directory after
// them with no link to a next one. FreeImage makes a tag of every entry it finds, which is most of
// its time on a photo.
void KeepWantedEntries(ExifBlock& exif, std::string& segment, const Directory& directory,
                       std::initializer_list<std::uint16_t> pointers)
{
    const std::uint64_t count = exif.EntryCount(directory.at);
    const std::size_t entries = directory.at + 2;
    std::size_t kept = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::size_t entry = entries + 12 * i;
        const auto tag = static_cast<std::uint16_t>(ReadNumber(segment, entry, 2, exif.BigEndian()));
        const bool wanted = TagAt(directory.tags, tag).has_value() ||
                            std::find(pointers.begin(), pointers.end(), tag) != pointers.end();
        if (!wanted)
            continue;
        if (i != kept)
            segment.replace(entries + 12 * kept, 12, segment, entry, 12);
        ++kept;
    }
    exif.Write(directory.at, static_cast<std::uint32_t>(kept), 2);
    exif.Write(entries + 12 * kept, 0, 4);  // no directory follows: the thumbnail's is left out
}

// The Exif block as FreeImage is to read it: the entries the program reads, of the first
// directory, the Exif directory and the GPS directory, and nothing else (no thumbnail, maker note
// or interoperability directory). A block whose directories do not fit, or overlap (a damaged
// pointer), is left as it is: FreeImage reads what it makes of it.
void TrimExif(std::string& segment, std::size_t exifStart)
{
    ExifBlock exif(segment, exifStart + exifSignature.size());
    if (!exif.Valid())
        return;
    const auto directoryAt = [&](std::size_t at, TagDirectory tags) -> std::optional<Directory> {
        if (at == 0)
            return std::nullopt;
        const std::uint64_t end = at + 2 + 12 * exif.EntryCount(at) + 4;
        if (end > segment.size())
            return std::nullopt;
        return Directory{at, tags, static_cast<std::size_t>(end)};
    };
    const std::optional<Directory> first = directoryAt(exif.FirstDirectory(), TagDirectory::Image);
    if (!first)
        return;
    std::vector<Directory> directories{*first};
    for (const auto& [pointer, tags] :
         {std::pair{exifDirectoryTag, TagDirectory::Exif}, std::pair{gpsDirectoryTag, TagDirectory::Gps}}) {
        const std::size_t entry = exif.Entry(first->at, pointer);
        if (entry == 0)
            continue;
        // A pointer is one offset; anything else is damage, which decides nothing here.
        if (ReadNumber(segment, entry + 4, 4, exif.BigEndian()) != 1)
            return;
        const std::optional<Directory> directory =
            directoryAt(exif.Directory(ReadNumber(segment, entry + 8, 4, exif.BigEndian())), tags);
        if (!directory)
            return;
        directories.push_back(*directory);
    }
    for (std::size_t i = 0; i < directories.size(); ++i)
        for (std::size_t j = i + 1; j < directories.size(); ++j)
            if (directories[i].at < directories[j].end && directories[j].at < directories[i].end)
                return;
    for (const Directory& directory : directories)
        KeepWantedEntries(exif, segment, directory,
                          directory.tags == TagDirectory::Image
                              ? std::initializer_list<std::uint16_t>{exifDirectoryTag, gpsDirectoryTag}
                              : std::initializer_list<std::uint16_t>{});
}

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Appends `size` bytes to `out`; false when the source has fewer.
    virtual bool Append(std::string& out, std::size_t size) = 0;
    std::uint64_t consumed = 0;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes) : m_bytes(bytes) {}
    bool Append(std::string& out, std::size_t size) override
    {
        if (m_bytes.size() < size)
            return false;
        out.append(m_bytes.substr(0, size));
        m_bytes.remove_prefix(size);
        consumed += size;
        return true;
    }

private:
    std::string_view m_bytes;
};

class FileSource : public ByteSource {
public:
    FileSource(std::FILE* file, const std::function<void(std::size_t)>& told) : m_file(file), m_told(told) {}
    bool Append(std::string& out, std::size_t size) override
    {
        const std::size_t start = out.size();
        out.resize(start + size);
        const std::size_t got = std::fread(out.data() + start, 1, size, m_file);
        out.resize(start + got);
        consumed += got;
        if (m_told)
            m_told(got);
        return got == size;
    }

private:
    std::FILE* m_file;
    const std::function<void(std::size_t)>& m_told;
};

// Comment and application segments: those that FreeImage keeps in its list.
bool Kept(unsigned char marker)
{
    return marker == markerComment || (marker >= markerApp0 && marker <= markerApp15);
}

JpegHead HeaderWithoutThumbnail(ByteSource& source, JpegHeadForm form)
{
    const bool forFreeImage = form == JpegHeadForm::ForFreeImage;
    const JpegHead notFollowed;
    JpegHead tooLarge;
    tooLarge.tooLarge = true;
    JpegHead head;
    std::string header;
    if (!source.Append(header, 2) || header != "\xFF\xD8")
        return notFollowed;
    std::array<std::size_t, 256> kept{};  // by marker
    for (;;) {
        if (source.consumed > JpegHeadLimit)
            return tooLarge;
        const std::size_t markerAt = header.size();
        if (!source.Append(header, 2) || static_cast<unsigned char>(header[markerAt]) != 0xFF)
            return notFollowed;
        // Fill bytes: any number of 0xFF may precede a marker code. The decoder skips them, so
        // they are left out.
        while (static_cast<unsigned char>(header.back()) == 0xFF) {
            if (source.consumed > JpegHeadLimit)
                return tooLarge;
            header.pop_back();
            if (!source.Append(header, 1))
                return notFollowed;
        }
        const auto marker = static_cast<unsigned char>(header.back());
        if (marker == markerEndOfImage) {
            head.bytes = std::move(header);
            head.length = source.consumed;
            return head;
        }
        const bool standalone = marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
        if (standalone)
            continue;
        const std::size_t lengthAt = header.size();
        if (!source.Append(header, 2))
            return notFollowed;
        const std::size_t length = ReadNumber(header, lengthAt, 2, true);
        if (length < 2)
            return notFollowed;
        const std::size_t contentAt = header.size();
        if (!source.Append(header, length - 2))
            return notFollowed;
        const std::string_view content = std::string_view(header).substr(contentAt);
        if (marker == markerApp1 && content.starts_with(exifSignature) && forFreeImage)
            TrimExif(header, contentAt);
        else if (marker == markerApp1 && content.starts_with(xmpSignature) && head.xmpPacket.empty())
            head.xmpPacket = content.substr(xmpSignature.size());
        else if (marker == markerApp13 && content.starts_with(photoshopSignature))
            head.imageResources += content.substr(photoshopSignature.size());
        if (Kept(marker) &&
            (content.empty() || (forFreeImage && (LeftOut(marker, content) || kept[marker]++ >= JpegKeptSegmentLimit))))
            header.resize(markerAt);
        if (marker == markerStartOfScan) {
            // The decoder stops at the scan when no pixels are wanted; a closing marker keeps it
            // from reading on into data that is not there.
            head.length = source.consumed;
            header += "\xFF\xD9";
            head.bytes = std::move(header);
            return head;
        }
    }
}

}  // namespace

JpegHead ReadJpegHeaderWithoutThumbnail(const std::string& path, const std::function<void(std::size_t)>& consumed)
{
    const platform::UniqueFile file(std::fopen(path.c_str(), "rb"));
    return file ? ReadJpegHeaderWithoutThumbnail(file.get(), consumed) : JpegHead{};
}

JpegHead ReadJpegHeaderWithoutThumbnail(std::FILE* file, const std::function<void(std::size_t)>& consumed,
                                        JpegHeadForm form)
{
    FileSource source(file, consumed);
    return HeaderWithoutThumbnail(source, form);
}

JpegHead JpegHeaderWithoutThumbnail(std::string_view file, JpegHeadForm form)
{
    MemorySource source(file);
    return HeaderWithoutThumbnail(source, form);
}
