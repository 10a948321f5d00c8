#include "readers/FreeImageTagReader.h"

#include "readers/ExifValue.h"
#include "readers/IptcBlock.h"
#include "readers/JpegHeader.h"
#include "readers/TagKeys.h"
#include "readers/PhotoBytes.h"
#include "readers/TiffFile.h"
#include "readers/XmpPacket.h"
#include "platform/FileSystem.h"

#include <FreeImage.h>
#ifdef FOTOHARVESTER_HAVE_LIBTIFF
#include <tiffio.h>
#endif

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// What FreeImage reads a photo through: the photo's bytes with a few of them replaced, where a
// part of the photo must be hidden from FreeImage.
struct Stream {
    struct Patch {
        std::uint64_t offset;
        std::string bytes;
    };

    PhotoBytes& photo;
    std::vector<Patch> patches;
    std::uint64_t position = 0;
};

unsigned DLL_CALLCONV StreamRead(void* buffer, unsigned size, unsigned count, fi_handle handle)
{
    auto& stream = *static_cast<Stream*>(handle);
    if (size == 0)
        return 0;
    auto* out = static_cast<char*>(buffer);
    const std::size_t read = stream.photo.ReadAt(stream.position, out, std::size_t{size} * count);
    for (const Stream::Patch& patch : stream.patches) {
        const std::uint64_t from = std::max(patch.offset, stream.position);
        const std::uint64_t to = std::min(patch.offset + patch.bytes.size(), stream.position + read);
        for (std::uint64_t at = from; at < to; ++at)
            out[at - stream.position] = patch.bytes[at - patch.offset];
    }
    stream.position += read;
    return static_cast<unsigned>(read / size);
}

unsigned DLL_CALLCONV StreamWrite(void*, unsigned, unsigned, fi_handle)
{
    return 0;
}

int DLL_CALLCONV StreamSeek(fi_handle handle, long offset, int origin)
{
    auto& stream = *static_cast<Stream*>(handle);
    std::int64_t base = 0;
    if (origin == SEEK_CUR)
        base = static_cast<std::int64_t>(stream.position);
    else if (origin == SEEK_END)
        base = static_cast<std::int64_t>(stream.photo.Size());
    const std::int64_t target = base + offset;
    if (target < 0)
        return -1;
    stream.position = static_cast<std::uint64_t>(target);
    return 0;
}

long DLL_CALLCONV StreamTell(fi_handle handle)
{
    return static_cast<long>(static_cast<Stream*>(handle)->position);
}

void IgnoreMessage(FREE_IMAGE_FORMAT, const char*) {}

struct BitmapUnloader {
    void operator()(FIBITMAP* dib) const { FreeImage_Unload(dib); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapUnloader>;

struct SearchCloser {
    void operator()(FIMETADATA* search) const { FreeImage_FindCloseMetadata(search); }
};
using MetadataSearch = std::unique_ptr<FIMETADATA, SearchCloser>;

// The photo without its pixels.
Bitmap Load(FREE_IMAGE_FORMAT format, Stream& stream)
{
    FreeImageIO io{StreamRead, StreamWrite, StreamSeek, StreamTell};
    return Bitmap(FreeImage_LoadFromHandle(format, &io, static_cast<fi_handle>(&stream), FIF_LOAD_NOPIXELS));
}

// FreeImage keeps tag values in this machine's byte order.
constexpr bool nativeBigEndian = std::endian::native == std::endian::big;

// The tag's stored bytes, never more than FreeImage holds: a corrupt photo can claim more values
// than it carries.
std::string_view StoredBytes(FITAG* tag)
{
    const void* value = FreeImage_GetTagValue(tag);
    if (value == nullptr)
        return {};
    return {static_cast<const char*>(value), FreeImage_GetTagLength(tag)};
}

struct Model {
    FREE_IMAGE_MDMODEL model;
    TagDirectory directory;
};

// The metadata models FreeImage fills and the directories they stand for. IPTC is read from the
// photo's own block, so FreeImage's IPTC model is not walked.
constexpr Model models[] = {
    {FIMD_EXIF_MAIN, TagDirectory::Image},
    {FIMD_EXIF_EXIF, TagDirectory::Exif},
    {FIMD_EXIF_GPS, TagDirectory::Gps},
    {FIMD_COMMENTS, TagDirectory::Comment},
};

void CollectModel(FIBITMAP* dib, const Model& model, PhotoTags& tags)
{
    // FreeImage 3.18 hands out a dangling first tag for a model whose tag list exists but is
    // empty (some TIFFs), and reading its key crashes.
    if (FreeImage_GetMetadataCount(model.model, dib) == 0)
        return;
    FITAG* tag = nullptr;
    const MetadataSearch search(FreeImage_FindFirstMetadata(model.model, dib, &tag));
    if (!search)
        return;
    do {
        const char* key = tag != nullptr ? FreeImage_GetTagKey(tag) : nullptr;
        if (key == nullptr)
            continue;
        // A key counts only in its own directory: FreeImage files a DateTimeOriginal found in
        // IFD0 under the main model, where it is not the moment the picture was taken.
        if (const std::optional<Tag> known = TagNamed(model.directory, key))
            tags[*known] = ExifValue(InfoOf(*known).kind, static_cast<std::uint16_t>(FreeImage_GetTagType(tag)),
                                     FreeImage_GetTagCount(tag), StoredBytes(tag), nativeBigEndian);
    } while (FreeImage_FindNextMetadata(search.get(), &tag));
}

PhotoTags TagsOf(const Bitmap& dib)
{
    PhotoTags tags;
    tags.width = static_cast<std::int32_t>(FreeImage_GetWidth(dib.get()));
    tags.height = static_cast<std::int32_t>(FreeImage_GetHeight(dib.get()));
    for (const Model& model : models)
        CollectModel(dib.get(), model, tags);
    return tags;
}

// FreeImage hands over the XMP packet as it stands.
std::string_view XmpPacketOf(const Bitmap& dib)
{
    FITAG* packet = nullptr;
    if (FreeImage_GetMetadataCount(FIMD_XMP, dib.get()) > 0 &&
        FreeImage_GetMetadata(FIMD_XMP, dib.get(), "XMLPacket", &packet) && packet != nullptr)
        return StoredBytes(packet);
    return {};
}

constexpr std::uint16_t iptcTag = 0x83BB;
constexpr std::uint16_t gpsDirectoryTag = 0x8825;
// An IPTC block beyond this is not read; no photo carries one so large.
constexpr std::size_t largestIptcBlock = 16u << 20;
constexpr std::size_t largestValue = 1u << 20;

// What the reader takes from a TIFF's first directory itself.
struct TiffExtras {
    PhotoTags tags;                     // orientation, the GPS directory and IPTC
    std::vector<Stream::Patch> hidden;  // what FreeImage must not see
};

void ReadDirectoryTags(const TiffFile& tiff, const std::vector<TiffFile::Entry>& entries, TagDirectory directory,
                       PhotoTags& tags)
{
    for (const TiffFile::Entry& entry : entries) {
        const std::optional<Tag> tag = TagAt(directory, entry.tag);
        if (!tag)
            continue;
        if (const std::optional<std::string> bytes = tiff.Value(entry, largestValue))
            tags[*tag] = ExifValue(InfoOf(*tag).kind, entry.type, entry.count, *bytes, tiff.BigEndian());
    }
}

TiffExtras ReadTiffExtras(PhotoBytes& photo)
{
    TiffExtras extras;
    const std::optional<TiffFile> tiff = TiffFile::Open(photo.Reader());
    if (!tiff)
        return extras;
    const std::vector<TiffFile::Entry> entries = tiff->Directory(tiff->FirstDirectory());
    for (const TiffFile::Entry& entry : entries) {
        if (entry.tag == TagTable()[static_cast<std::size_t>(Tag::Orientation)].number) {
            ReadDirectoryTags(*tiff, {entry}, TagDirectory::Image, extras.tags);
        } else if (entry.tag == gpsDirectoryTag) {
            ReadDirectoryTags(*tiff, tiff->Directory(entry.valueOffset), TagDirectory::Gps, extras.tags);
        } else if (entry.tag == iptcTag) {
            if (const std::optional<std::string> block = tiff->Value(entry, largestIptcBlock))
                ReadIptcBlock(*block, extras.tags);
            // FreeImage 3.18 swaps a big-endian block as if its count were in 32-bit words and
            // writes past it; a TIFF of either byte order whose block it cannot see reads whole.
            // An entry of type 0 is one libtiff skips.
            extras.hidden.push_back({entry.at + 2, std::string(2, '\0')});
        }
    }
    return extras;
}

}  // namespace

FreeImageTagReader::FreeImageTagReader(bool skipJpegThumbnails) : m_skipJpegThumbnails(skipJpegThumbnails)
{
    FreeImage_Initialise(FALSE);
    FreeImage_SetOutputMessage(IgnoreMessage);
#ifdef FOTOHARVESTER_HAVE_LIBTIFF
    // libtiff reports every tag it does not know (some forty per Exif TIFF) straight to stderr.
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
#endif
}

FreeImageTagReader::~FreeImageTagReader()
{
    FreeImage_DeInitialise();
}

TagReading FreeImageTagReader::Read(const std::string& path)
{
    const FREE_IMAGE_FORMAT format = FreeImage_GetFIFFromFilename(path.c_str());
    if (format == FIF_UNKNOWN)
        return {ReadOutcome::NotOpened, {}};
    platform::FileForReading opened = platform::OpenRegularFileForReading(path);
    if (const auto refused = RefusalOf(opened.failure))
        return {*refused, {}};
    FileBytes photo(opened.file.get(), opened.size, m_consumed);
    return ReadPhoto(format, photo);
}

TagReading FreeImageTagReader::ReadMemory(const std::string& name, std::string_view file)
{
    const FREE_IMAGE_FORMAT format = FreeImage_GetFIFFromFilename(name.c_str());
    if (format == FIF_UNKNOWN)
        return {ReadOutcome::NotOpened, {}};
    MemoryBytes photo(file, m_consumed);
    return ReadPhoto(format, photo);
}

TagReading FreeImageTagReader::ReadPhoto(int formatNumber, PhotoBytes& photo)
{
    const auto format = static_cast<FREE_IMAGE_FORMAT>(formatNumber);
    Bitmap dib;
    JpegHead jpeg;
    TiffExtras extras;
    bool headOnly = false;  // FreeImage saw the JPEG's head, without its IPTC and XMP
    if (format == FIF_JPEG) {
        jpeg = photo.Head();
        // No camera writes a head beyond the limit.
        if (jpeg.tooLarge)
            return {ReadOutcome::NotOpened, {}};
        headOnly = jpeg.bytes && m_skipJpegThumbnails;
        // Only tags by key asked for: libexiv2 decodes them from the head's blocks, and FreeImage,
        // which would read nothing of use, is left out.
        if (headOnly && !KnownTagsNeeded())
            return {ReadOutcome::Read, {}, KeysOfHead(photo, jpeg)};
        if (headOnly) {
            // FreeImage's decoder keeps reading the head in memory while it works through it.
            MemoryBytes headBytes(*jpeg.bytes, m_consumed);
            Stream stream{headBytes, {}};
            dib = Load(format, stream);
        } else if (!jpeg.bytes) {
            // Markers that cannot be followed: the decoder would search the whole file for the
            // next one, however large (a sparse file of gigabytes costs minutes). Any head it
            // could read lies within the limit.
            const std::optional<std::string> start =
                photo.Read(0, static_cast<std::size_t>(std::min<std::uint64_t>(photo.Size(), JpegHeadLimit)));
            if (!start)
                return {ReadOutcome::NotOpened, {}};
            MemoryBytes startBytes(*start, m_consumed);
            Stream stream{startBytes, {}};
            dib = Load(format, stream);
        } else {
            Stream stream{photo, {}};
            dib = Load(format, stream);
        }
    } else if (format == FIF_TIFF) {
        extras = ReadTiffExtras(photo);
        Stream stream{photo, std::move(extras.hidden)};
        dib = Load(format, stream);
    } else {
        Stream stream{photo, {}};
        dib = Load(format, stream);
    }
    if (!dib)
        return {ReadOutcome::NotOpened, {}};

    TagReading reading{ReadOutcome::Read, TagsOf(dib)};
    ReadIptcBlock(IptcInImageResources(jpeg.imageResources), reading.tags);
    for (std::size_t i = 0; i < TagCount; ++i)
        if (reading.tags.values[i].empty())
            reading.tags.values[i] = std::move(extras.tags.values[i]);
    // Last, as it takes only what the photo has no other value for.
    ReadXmpPacket(headOnly ? std::string_view(jpeg.xmpPacket) : XmpPacketOf(dib), reading.tags);
    // The tags asked for by key, decoded by libexiv2 from the blocks of the same bytes. A TIFF, or
    // a JPEG whose head was not taken apart, is left to libexiv2's own reading of the file.
    if (!AskedKeys().empty() && headOnly)
        reading.keyed = KeysOfHead(photo, jpeg);
    return reading;
}

std::vector<KeyedValue> FreeImageTagReader::KeysOfHead(PhotoBytes& photo, const JpegHead& head) const
{
    return KeyedValues(AskedKeys(),
                       MetadataBlocks{JpegExifBlock(photo), IptcInImageResources(head.imageResources), head.xmpPacket});
}
