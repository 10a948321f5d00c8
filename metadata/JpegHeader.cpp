#include "metadata/JpegHeader.h"

#include "metadata/ByteOrder.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr unsigned char markerStartOfScan = 0xDA;
constexpr unsigned char markerEndOfImage = 0xD9;
constexpr unsigned char markerApp1 = 0xE1;
constexpr unsigned char markerApp13 = 0xED;
constexpr std::string_view exifSignature{"Exif\0\0", 6};
constexpr std::string_view photoshopSignature{"Photoshop 3.0\0", 14};

constexpr std::uint16_t exifDirectoryTag = 0x8769;
constexpr std::uint16_t makerNoteTag = 0x927C;
// A tag number no reader knows, for an entry FreeImage is to pass over.
constexpr std::uint16_t unknownTag = 0xFFFF;

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

// Two parts of an Exif block that FreeImage spends half its time on and the program does not
// read: the thumbnail, which it decodes even when asked for no pixels (the link to the directory
// after the first one is zeroed), and the maker note, which it parses whole (its entry gets a tag
// number no reader knows). A block whose directories do not fit is left as it is.
void TrimExif(std::string& segment, std::size_t exifStart)
{
    ExifBlock exif(segment, exifStart + exifSignature.size());
    if (!exif.Valid())
        return;
    const std::size_t first = exif.FirstDirectory();
    if (first == 0)
        return;
    const std::uint64_t nextLink = first + 2 + 12 * exif.EntryCount(first);
    if (nextLink + 4 <= segment.size())
        exif.Write(static_cast<std::size_t>(nextLink), 0, 4);
    if (const std::size_t pointer = exif.Entry(first, exifDirectoryTag)) {
        if (const std::size_t directory = exif.Directory(ReadNumber(segment, pointer + 8, 4, exif.BigEndian())))
            if (const std::size_t makerNote = exif.Entry(directory, makerNoteTag))
                exif.Write(makerNote, unknownTag, 2);
    }
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

JpegHead HeaderWithoutThumbnail(ByteSource& source)
{
    const JpegHead notFollowed;
    const JpegHead tooLarge{std::nullopt, true};
    std::string header;
    if (!source.Append(header, 2) || header != "\xFF\xD8")
        return notFollowed;
    for (std::size_t segments = 0;; ++segments) {
        if (segments >= JpegSegmentLimit || source.consumed > JpegHeadLimit)
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
        if (marker == markerEndOfImage)
            return {std::move(header), false};
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
        if (marker == markerApp1 && std::string_view(header).substr(contentAt, exifSignature.size()) == exifSignature)
            TrimExif(header, contentAt);
        if (marker == markerStartOfScan) {
            // The decoder stops at the scan when no pixels are wanted; a closing marker keeps it
            // from reading on into data that is not there.
            header += "\xFF\xD9";
            return {std::move(header), false};
        }
    }
}

}  // namespace

JpegHead ReadJpegHeaderWithoutThumbnail(const std::string& path, const std::function<void(std::size_t)>& consumed)
{
    const platform::UniqueFile file(std::fopen(path.c_str(), "rb"));
    return file ? ReadJpegHeaderWithoutThumbnail(file.get(), consumed) : JpegHead{};
}

JpegHead ReadJpegHeaderWithoutThumbnail(std::FILE* file, const std::function<void(std::size_t)>& consumed)
{
    FileSource source(file, consumed);
    return HeaderWithoutThumbnail(source);
}

JpegHead JpegHeaderWithoutThumbnail(std::string_view file)
{
    MemorySource source(file);
    return HeaderWithoutThumbnail(source);
}

std::string ImageResourcesOf(std::string_view head)
{
    std::string resources;
    std::size_t at = 2;
    while (at + 4 <= head.size() && static_cast<unsigned char>(head[at]) == 0xFF) {
        const auto marker = static_cast<unsigned char>(head[at + 1]);
        if (marker == 0xFF) {  // a fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        if (marker == markerStartOfScan || marker == markerEndOfImage)
            break;
        const std::size_t length = ReadNumber(head, at + 2, 2, true);
        if (length < 2 || at + 2 + length > head.size())
            break;
        const std::string_view content = head.substr(at + 4, length - 2);
        if (marker == markerApp13 && content.starts_with(photoshopSignature))
            resources += content.substr(photoshopSignature.size());
        at += 2 + length;
    }
    return resources;
}
