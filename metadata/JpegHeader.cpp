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

// Zeroes the offset of the directory that follows the first one in an Exif block (that second
// directory describes the thumbnail). An Exif block whose first directory does not fit is left
// as it is.
void UnlinkThumbnail(std::string& segment, std::size_t exifStart)
{
    const std::size_t tiff = exifStart + exifSignature.size();
    if (segment.size() < tiff + 8)
        return;
    const std::string_view order(segment.data() + tiff, 2);
    if (order != "II" && order != "MM")
        return;
    const bool bigEndian = order == "MM";
    const std::uint64_t firstDirectory = tiff + std::uint64_t{ReadNumber(segment, tiff + 4, 4, bigEndian)};
    if (firstDirectory + 2 > segment.size())
        return;
    const std::uint64_t entries = ReadNumber(segment, firstDirectory, 2, bigEndian);
    const std::uint64_t nextLink = firstDirectory + 2 + 12 * entries;
    if (nextLink + 4 > segment.size())
        return;
    for (int i = 0; i < 4; ++i)
        segment[nextLink + i] = '\0';
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
            UnlinkThumbnail(header, contentAt);
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
