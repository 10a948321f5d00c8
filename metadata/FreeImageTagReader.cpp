#include "metadata/FreeImageTagReader.h"

#include "metadata/JpegHeader.h"
#include "metadata/TagText.h"
#include "metadata/TiffIptc.h"
#include "platform/FileSystem.h"

#include <FreeImage.h>
#ifdef FOTOHARVESTER_HAVE_LIBTIFF
#include <tiffio.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

namespace {

void IgnoreMessage(FREE_IMAGE_FORMAT, const char*) {}

struct BitmapUnloader {
    void operator()(FIBITMAP* dib) const { FreeImage_Unload(dib); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapUnloader>;

struct SearchCloser {
    void operator()(FIMETADATA* search) const { FreeImage_FindCloseMetadata(search); }
};
using MetadataSearch = std::unique_ptr<FIMETADATA, SearchCloser>;

struct MemoryCloser {
    void operator()(FIMEMORY* memory) const { FreeImage_CloseMemory(memory); }
};
using Memory = std::unique_ptr<FIMEMORY, MemoryCloser>;

// The tag's value, at most `size` bytes of each of its values and never more than FreeImage
// holds: a corrupt photo can claim more values than it carries.
std::string_view ValueBytes(FITAG* tag, std::size_t size)
{
    const void* value = FreeImage_GetTagValue(tag);
    if (!value)
        return {};
    const std::size_t length = std::min<std::size_t>(std::size_t{FreeImage_GetTagCount(tag)} * size,
                                                     FreeImage_GetTagLength(tag));
    return {static_cast<const char*>(value), length};
}

std::uint32_t ReadU32(std::string_view bytes, std::size_t index)
{
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + 4 * index, sizeof value);
    return value;
}

// FreeImage's own text for the tag. It reads past a value of no length, so such a tag is empty.
std::string TagText(FREE_IMAGE_MDMODEL model, FITAG* tag)
{
    if (FreeImage_GetTagCount(tag) == 0 || !FreeImage_GetTagValue(tag))
        return {};
    const char* text = FreeImage_TagToString(model, tag, nullptr);
    return text ? text : std::string();
}

std::string TrimBlanks(std::string text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The tag's value as plain text, where FreeImage's text would describe it in words ("right side,
// top") or as a fraction.
std::string TagValueText(FREE_IMAGE_MDMODEL model, FITAG* tag)
{
    switch (FreeImage_GetTagType(tag)) {
    case FIDT_BYTE: {
        // A reference byte of 1 becomes the character with code 1, which the formatting expects.
        std::string text;
        for (const char byte : ValueBytes(tag, 1)) {
            if (byte != '\0')
                text += byte;
        }
        return text;
    }
    case FIDT_ASCII: {
        const std::string_view bytes = ValueBytes(tag, 1);
        return std::string(bytes.substr(0, bytes.find('\0')));
    }
    case FIDT_SHORT: {
        const std::string_view bytes = ValueBytes(tag, 2);
        if (bytes.size() < 2)
            return {};
        std::int16_t value = 0;
        std::memcpy(&value, bytes.data(), sizeof value);
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%d", value);
        return buffer;
    }
    case FIDT_RATIONAL: {
        std::string text = TagText(model, tag);
        const std::string_view bytes = ValueBytes(tag, 8);
        if (text.find('/') == std::string::npos || bytes.size() < 8)
            return text;
        const std::uint32_t numerator = ReadU32(bytes, 0);
        const std::uint32_t denominator = ReadU32(bytes, 1);
        if (denominator == 0)
            return "0";
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%f", double(numerator) / double(denominator));
        return buffer;
    }
    default:
        return {};
    }
}

// Windows keeps its XP tags as UTF-16LE in a BYTE array; FreeImage would list the byte values.
std::string XpText(FITAG* tag)
{
    if (FreeImage_GetTagType(tag) != FIDT_BYTE)
        return TagValueText(FIMD_EXIF_MAIN, tag);
    return Utf8FromUtf16Le(ValueBytes(tag, 1));
}

// Degrees, minutes and seconds of a GPS coordinate. Anything but three rationals leaves them 0;
// a zero denominator gives infinity or NaN, which the formatting leaves out.
void ReadRationalTriple(FITAG* tag, GpsCoordinate& coordinate)
{
    if (FreeImage_GetTagType(tag) != FIDT_RATIONAL)
        return;
    const std::string_view bytes = ValueBytes(tag, 8);
    if (bytes.size() < 24)
        return;
    const auto quotient = [bytes](std::size_t i) {
        return static_cast<float>(double(ReadU32(bytes, 2 * i)) / double(ReadU32(bytes, 2 * i + 1)));
    };
    coordinate.degrees = quotient(0);
    coordinate.minutes = quotient(1);
    coordinate.seconds = quotient(2);
}

using Collect = void (*)(FITAG* tag, PhotoTags& tags);

template <FREE_IMAGE_MDMODEL model, std::string PhotoTags::*field>
void Text(FITAG* tag, PhotoTags& tags)
{
    tags.*field = TagText(model, tag);
}

template <std::string PhotoTags::*field>
void TrimmedText(FITAG* tag, PhotoTags& tags)
{
    // Cameras pad Make and Model to a fixed width.
    tags.*field = TrimBlanks(TagText(FIMD_EXIF_MAIN, tag));
}

template <FREE_IMAGE_MDMODEL model, std::string PhotoTags::*field>
void ValueText(FITAG* tag, PhotoTags& tags)
{
    tags.*field = TagValueText(model, tag);
}

template <std::string PhotoTags::*field>
void Xp(FITAG* tag, PhotoTags& tags)
{
    tags.*field = XpText(tag);
}

template <GpsCoordinate PhotoTags::*field>
void Triple(FITAG* tag, PhotoTags& tags)
{
    ReadRationalTriple(tag, tags.*field);
}

template <GpsCoordinate PhotoTags::*field>
void Reference(FITAG* tag, PhotoTags& tags)
{
    (tags.*field).reference = TagText(FIMD_EXIF_GPS, tag);
}

struct Field {
    std::string_view key;
    Collect collect;
};

constexpr Field exifMainFields[] = {
    {"DateTime", Text<FIMD_EXIF_MAIN, &PhotoTags::dateTime>},
    {"Make", TrimmedText<&PhotoTags::make>},
    {"Model", TrimmedText<&PhotoTags::model>},
    {"XPKeywords", Xp<&PhotoTags::xpKeywords>},
    {"XPAuthor", Xp<&PhotoTags::xpAuthor>},
    {"XPComment", Xp<&PhotoTags::xpComment>},
    {"XPSubject", Xp<&PhotoTags::xpSubject>},
    {"XPTitle", Xp<&PhotoTags::xpTitle>},
    {"Orientation", ValueText<FIMD_EXIF_MAIN, &PhotoTags::orientation>},
};

constexpr Field exifExifFields[] = {
    {"DateTimeOriginal", Text<FIMD_EXIF_MAIN, &PhotoTags::dateTime>},
    {"ExposureTime", Text<FIMD_EXIF_EXIF, &PhotoTags::exposureTime>},
    {"FNumber", Text<FIMD_EXIF_EXIF, &PhotoTags::fNumber>},
    {"ISOSpeedRatings", Text<FIMD_EXIF_EXIF, &PhotoTags::isoSpeed>},
    {"Flash", Text<FIMD_EXIF_EXIF, &PhotoTags::flash>},
    {"FocalLength", Text<FIMD_EXIF_EXIF, &PhotoTags::focalLength>},
    {"SubjectDistance", Text<FIMD_EXIF_EXIF, &PhotoTags::subjectDistance>},
    {"LensModel", Text<FIMD_EXIF_EXIF, &PhotoTags::lensModel>},
};

constexpr Field gpsFields[] = {
    {"GPSLatitude", Triple<&PhotoTags::latitude>},
    {"GPSLongitude", Triple<&PhotoTags::longitude>},
    {"GPSLatitudeRef", Reference<&PhotoTags::latitude>},
    {"GPSLongitudeRef", Reference<&PhotoTags::longitude>},
    {"GPSAltitude", ValueText<FIMD_EXIF_GPS, &PhotoTags::gpsAltitude>},
    {"GPSAltitudeRef", ValueText<FIMD_EXIF_GPS, &PhotoTags::gpsAltitudeRef>},
    {"GPSDateStamp", Text<FIMD_EXIF_GPS, &PhotoTags::gpsDateStamp>},
    {"GPSTimeStamp", Text<FIMD_EXIF_GPS, &PhotoTags::gpsTimeStamp>},
    {"GPSImgDirection", ValueText<FIMD_EXIF_GPS, &PhotoTags::gpsImgDirection>},
};

constexpr Field iptcFields[] = {
    {"Headline", Text<FIMD_IPTC, &PhotoTags::headline>},
    {"Caption-Abstract", Text<FIMD_IPTC, &PhotoTags::caption>},
    {"Keywords", Text<FIMD_IPTC, &PhotoTags::keywords>},
};

constexpr Field commentFields[] = {
    {"Comment", Text<FIMD_COMMENTS, &PhotoTags::comment>},
};

struct Model {
    FREE_IMAGE_MDMODEL model;
    std::span<const Field> fields;
};

// A later model's value replaces an earlier one's: the Exif directory's DateTimeOriginal, the
// moment the picture was taken, wins over IFD0's DateTime, the moment it was last changed.
constexpr Model models[] = {
    {FIMD_EXIF_MAIN, exifMainFields},
    {FIMD_EXIF_EXIF, exifExifFields},
    {FIMD_EXIF_GPS, gpsFields},
    {FIMD_IPTC, iptcFields},
    {FIMD_COMMENTS, commentFields},
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
        const char* key = tag ? FreeImage_GetTagKey(tag) : nullptr;
        if (!key)
            continue;
        for (const Field& field : model.fields) {
            if (field.key == key) {
                field.collect(tag, tags);
                break;
            }
        }
    } while (FreeImage_FindNextMetadata(search.get(), &tag));
}

using ConsumedHook = std::function<void(std::size_t)>;

// FreeImage reads the photo through these, which tell what it consumes (see OnConsumed).
struct CountedMemory {
    FIMEMORY* memory;
    const ConsumedHook& consumed;
};

unsigned DLL_CALLCONV ReadCountedMemory(void* buffer, unsigned size, unsigned count, fi_handle handle)
{
    auto& source = *static_cast<CountedMemory*>(handle);
    const unsigned items = FreeImage_ReadMemory(buffer, size, count, source.memory);
    if (source.consumed)
        source.consumed(std::size_t{items} * size);
    return items;
}

int DLL_CALLCONV SeekCountedMemory(fi_handle handle, long offset, int origin)
{
    return FreeImage_SeekMemory(static_cast<CountedMemory*>(handle)->memory, offset, origin) ? 0 : -1;
}

long DLL_CALLCONV TellCountedMemory(fi_handle handle)
{
    return FreeImage_TellMemory(static_cast<CountedMemory*>(handle)->memory);
}

struct CountedFile {
    std::FILE* file;
    const ConsumedHook& consumed;
};

unsigned DLL_CALLCONV ReadCountedFile(void* buffer, unsigned size, unsigned count, fi_handle handle)
{
    auto& source = *static_cast<CountedFile*>(handle);
    const std::size_t items = std::fread(buffer, size, count, source.file);
    if (source.consumed)
        source.consumed(items * size);
    return static_cast<unsigned>(items);
}

int DLL_CALLCONV SeekCountedFile(fi_handle handle, long offset, int origin)
{
    return std::fseek(static_cast<CountedFile*>(handle)->file, offset, origin);
}

long DLL_CALLCONV TellCountedFile(fi_handle handle)
{
    return std::ftell(static_cast<CountedFile*>(handle)->file);
}

unsigned DLL_CALLCONV WriteNothing(void*, unsigned, unsigned, fi_handle)
{
    return 0;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The photo without its pixels, from bytes that stay in place until it is unloaded.
Bitmap LoadFromMemory(FREE_IMAGE_FORMAT format, std::string_view bytes, const ConsumedHook& consumed)
{
    // FreeImage only reads through this stream, whatever its signature says.
    const Memory memory(FreeImage_OpenMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                                             static_cast<DWORD>(bytes.size())));
    if (!memory)
        return nullptr;
    CountedMemory source{memory.get(), consumed};
    FreeImageIO io{ReadCountedMemory, WriteNothing, SeekCountedMemory, TellCountedMemory};
    return Bitmap(FreeImage_LoadFromHandle(format, &io, &source, FIF_LOAD_NOPIXELS));
}

// The photo without its pixels, as FreeImage_Load would load it.
Bitmap LoadFromFile(FREE_IMAGE_FORMAT format, const std::string& path, const ConsumedHook& consumed)
{
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return nullptr;
    CountedFile source{file.get(), consumed};
    FreeImageIO io{ReadCountedFile, WriteNothing, SeekCountedFile, TellCountedFile};
    return Bitmap(FreeImage_LoadFromHandle(format, &io, &source, FIF_LOAD_NOPIXELS));
}

enum class Iptc { Trusted, Damaged };

TagReading TagsOf(const Bitmap& dib, Iptc iptc = Iptc::Trusted)
{
    if (!dib)
        return {ReadOutcome::NotOpened, {}};
    TagReading reading{ReadOutcome::Read, {}};
    reading.tags.width = static_cast<std::int32_t>(FreeImage_GetWidth(dib.get()));
    reading.tags.height = static_cast<std::int32_t>(FreeImage_GetHeight(dib.get()));
    for (const Model& model : models)
        if (model.model != FIMD_IPTC || iptc == Iptc::Trusted)
            CollectModel(dib.get(), model, reading.tags);
    return reading;
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
    // A pipe or device named like a photo would block the reader or never end.
    std::error_code error;
    if (format == FIF_UNKNOWN || !std::filesystem::is_regular_file(platform::PathFromNarrow(path), error))
        return {ReadOutcome::NotOpened, {}};
    // A JPEG is handed over without the link to its thumbnail, which FreeImage would decode.
    if (format == FIF_JPEG && m_skipJpegThumbnails) {
        const JpegHead head = ReadJpegHeaderWithoutThumbnail(path, m_consumed);
        if (head.tooLarge)
            return {ReadOutcome::NotOpened, {}};
        if (head.bytes)
            return TagsOf(LoadFromMemory(FIF_JPEG, *head.bytes, m_consumed));
    }
    const Iptc iptc = format != FIF_TIFF || TiffIptcFitsItsBlock(path) ? Iptc::Trusted : Iptc::Damaged;
    return TagsOf(LoadFromFile(format, path, m_consumed), iptc);
}

TagReading FreeImageTagReader::ReadMemory(const std::string& name, std::string_view file)
{
    const FREE_IMAGE_FORMAT format = FreeImage_GetFIFFromFilename(name.c_str());
    if (format == FIF_UNKNOWN)
        return {ReadOutcome::NotOpened, {}};
    if (format == FIF_JPEG && m_skipJpegThumbnails) {
        const JpegHead head = JpegHeaderWithoutThumbnail(file);
        if (head.tooLarge)
            return {ReadOutcome::NotOpened, {}};
        if (head.bytes)
            return TagsOf(LoadFromMemory(FIF_JPEG, *head.bytes, m_consumed));
    }
    const Iptc iptc = format != FIF_TIFF || TiffIptcFitsItsBlockInMemory(file) ? Iptc::Trusted : Iptc::Damaged;
    return TagsOf(LoadFromMemory(format, file, m_consumed), iptc);
}
