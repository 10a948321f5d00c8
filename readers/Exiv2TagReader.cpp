#include "readers/Exiv2TagReader.h"

#include "readers/ByteOrder.h"
#include "readers/Cr3Image.h"
#include "readers/DateText.h"
#include "readers/ExifValue.h"
#include "readers/HeifImage.h"
#include "readers/IptcBlock.h"
#include "readers/JxlImage.h"
#include "readers/PhotoBytes.h"
#include "readers/PngText.h"
#include "readers/TagKeys.h"
#include "metadata/TextEncoding.h"
#include "readers/XmpPacket.h"
#include "platform/FileSystem.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace {

// libexiv2 reports a metadata block it cannot decode (and goes on without it) only through its
// process-wide log handler, a plain function: the count of such reports lives beside it. Only the
// blocks the program reads count; a damaged maker note or preview directory does not. Nor does a
// JPEG whose segments break off before its first scan: what follows, where the metadata may be,
// goes unread.
std::atomic<int> decodingErrors{0};

void CountDecodingError(int, const char* message)
{
    static constexpr std::string_view ours[] = {"Directory Image ",      "Directory Photo ",      "Directory GPSInfo ",
                                                "Failed to decode Exif", "Failed to decode IPTC", "JPEG format error"};
    const std::string_view text = message != nullptr ? message : "";
    for (const std::string_view part : ours)
        if (text.find(part) != std::string_view::npos)
            decodingErrors.fetch_add(1, std::memory_order_relaxed);
}

std::optional<TagDirectory> DirectoryOf(const std::string& group)
{
    // Sub-images, thumbnails and maker notes have groups of their own and are left out.
    if (group == "Image")
        return TagDirectory::Image;
    if (group == "Photo")
        return TagDirectory::Exif;
    if (group == "GPSInfo")
        return TagDirectory::Gps;
    return std::nullopt;
}

// The values of the known tags among `exif`. The first directory of the TIFF structure libexiv2
// decoded stands for `first`: a CR3 file stores each directory as a TIFF structure of its own.
void TakeExif(const Exiv2::ExifData& exif, TagDirectory first, PhotoTags& tags)
{
    std::vector<Exiv2::byte> bytes;
    for (const Exiv2::Exifdatum& datum : exif) {
        const std::optional<TagDirectory> directory = DirectoryOf(datum.groupName());
        if (!directory)
            continue;
        const std::optional<Tag> tag = TagAt(*directory == TagDirectory::Image ? first : *directory, datum.tag());
        if (!tag)
            continue;
        bytes.resize(datum.size());
        if (!bytes.empty())
            datum.copy(bytes.data(), Exiv2::littleEndian);
        tags[*tag] = ExifValue(InfoOf(*tag).kind, static_cast<std::uint16_t>(datum.typeId()),
                               static_cast<std::uint32_t>(datum.count()),
                               std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), false);
    }
}

// A TIFF block decoded by libexiv2; false when it is damaged past reading.
bool DecodeTiff(const std::string& block, Exiv2::ExifData& exif)
{
    decodingErrors = 0;
    const Exiv2::ByteOrder order = Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte*>(block.data()),
                                                             static_cast<std::uint32_t>(block.size()));
    return order != Exiv2::invalidByteOrder && decodingErrors == 0;
}

std::int32_t NumberOf(const Exiv2::ExifData& exif, const char* key)
{
    const auto datum = exif.findKey(Exiv2::ExifKey(key));
    return datum != exif.end() && datum->count() > 0 ? static_cast<std::int32_t>(datum->toLong()) : 0;
}

// The XMP of a packet decoded by libexiv2; empty for none, or one that does not decode.
Exiv2::XmpData DecodedXmp(const std::string& packet)
{
    Exiv2::XmpData xmp;
    if (!packet.empty() && Exiv2::XmpParser::decode(xmp, packet) != 0)
        xmp.clear();
    return xmp;
}

// The tags of `exif` as they are stored in `directory`: each TIFF block of a CR3 file holds one
// directory as the first of a TIFF structure of its own, which libexiv2 names Image.
void AddAs(const Exiv2::ExifData& exif, TagDirectory directory, Exiv2::ExifData& merged)
{
    static constexpr std::pair<TagDirectory, const char*> groups[] = {
        {TagDirectory::Image, "Image"}, {TagDirectory::Exif, "Photo"}, {TagDirectory::Gps, "GPSInfo"}};
    for (const Exiv2::Exifdatum& datum : exif) {
        if (datum.groupName() != "Image") {
            merged.add(datum);
            continue;
        }
        for (const auto& [stored, group] : groups) {
            if (stored != directory)
                continue;
            const Exiv2::ExifKey key(datum.tag(), group);
            if (key.defaultTypeId() != Exiv2::comment || datum.typeId() == Exiv2::comment) {
                merged.add(key, &datum.value());
                continue;
            }
            // A comment, as libexiv2 reads the tag in its own directory: with its character set.
            std::vector<Exiv2::byte> bytes(static_cast<std::size_t>(datum.size()));
            if (!bytes.empty())
                datum.copy(bytes.data(), Exiv2::littleEndian);
            const Exiv2::Value::AutoPtr comment = Exiv2::Value::create(Exiv2::comment);
            if (comment->read(bytes.data(), static_cast<long>(bytes.size()), Exiv2::littleEndian) == 0)
                merged.add(key, comment.get());
        }
    }
}

// A CR3 file's blocks, each TIFF block read as the directory it holds. A file without Canon's
// first block, or with a block damaged past reading, is damaged: it is not read as one without
// metadata.
TagReading TagsOfCr3(const Cr3Content& cr3, const std::vector<std::string>& keys)
{
    if (!cr3.imageDirectory)
        return {ReadOutcome::NotOpened, {}};
    TagReading reading{ReadOutcome::Read, {}};
    Exiv2::ExifData merged;  // every block's tags under their keys, for the tags asked for by key
    const std::pair<const std::optional<std::string>&, TagDirectory> blocks[] = {
        {cr3.imageDirectory, TagDirectory::Image},
        {cr3.exifDirectory, TagDirectory::Exif},
        {cr3.gpsDirectory, TagDirectory::Gps}};
    for (const auto& [block, directory] : blocks) {
        if (!block)
            continue;
        Exiv2::ExifData exif;
        if (!DecodeTiff(*block, exif))
            return {ReadOutcome::NotOpened, {}};
        TakeExif(exif, directory, reading.tags);
        if (!keys.empty())
            AddAs(exif, directory, merged);
        // The full image, as its first directory describes it; the file's other images are
        // previews.
        if (directory == TagDirectory::Image) {
            reading.tags.width = NumberOf(exif, "Exif.Image.ImageWidth");
            reading.tags.height = NumberOf(exif, "Exif.Image.ImageLength");
        }
    }
    ReadXmpPacket(cr3.xmp.value_or(std::string()), reading.tags);
    if (!keys.empty())
        reading.keyed = KeyedValues(keys, merged, Exiv2::IptcData(), DecodedXmp(cr3.xmp.value_or(std::string())));
    return reading;
}

// A JPEG XL file whose header libjxl could read, with its Exif block decoded by libexiv2.
TagReading TagsOfJxl(const JxlContent& jxl, const std::vector<std::string>& keys)
{
    if (!jxl.sized)
        return {ReadOutcome::NotOpened, {}};
    TagReading reading{ReadOutcome::Read, {}};
    Exiv2::ExifData exif;
    if (jxl.exif) {
        if (!DecodeTiff(*jxl.exif, exif))
            return {ReadOutcome::NotOpened, {}};
        TakeExif(exif, TagDirectory::Image, reading.tags);
    }
    reading.tags.width = static_cast<std::int32_t>(jxl.width);
    reading.tags.height = static_cast<std::int32_t>(jxl.height);
    // The size is already turned as the picture is shown; the Exif orientation, which viewers of
    // JPEG XL ignore, must not turn it again.
    reading.tags[Tag::Orientation] = TagValue();
    ReadXmpPacket(jxl.xmp.value_or(std::string()), reading.tags);
    if (!keys.empty())
        reading.keyed = KeyedValues(keys, exif, Exiv2::IptcData(), DecodedXmp(jxl.xmp.value_or(std::string())));
    return reading;
}

// The formats read from their own structure rather than through libexiv2's image classes, which
// know no JPEG XL and fail on some real CR3 files; empty for any other file.
std::optional<TagReading> ReadOwnStructure(PhotoBytes& photo, const std::vector<std::string>& keys)
{
    if (const std::optional<Cr3Content> cr3 = ReadCr3(photo.Reader()))
        return TagsOfCr3(*cr3, keys);
    if (const std::optional<JxlContent> jxl = ReadJxl(photo))
        return TagsOfJxl(*jxl, keys);
    return std::nullopt;
}

// A PNG whose text chunks include one larger than any XMP packet the program reads, without that
// chunk and without the picture's data; empty for any other file. libexiv2 parses every XMP packet
// it finds, at a cost of some ten times its size in memory and seconds for tens of megabytes.
std::optional<std::string> PngWithoutOversizedText(PhotoBytes& photo)
{
    constexpr std::string_view signature{"\x89PNG\r\n\x1A\n", 8};
    if (photo.Read(0, signature.size()) != std::string(signature))
        return std::nullopt;
    std::string copy(signature);
    bool oversized = false;
    for (std::uint64_t at = signature.size(); at + 12 <= photo.Size();) {
        const std::optional<std::string> header = photo.Read(at, 8);
        if (!header)
            break;
        const std::uint64_t length = ReadNumber(*header, 0, 4, true);
        const std::string_view type = std::string_view(*header).substr(4);
        const bool text = type == "tEXt" || type == "zTXt" || type == "iTXt";
        if (text && length > XmpPacketLimit) {
            oversized = true;
        } else if (type != "IDAT") {
            const std::optional<std::string> chunk = photo.Read(at, static_cast<std::size_t>(12 + length));
            if (!chunk)
                break;
            copy += *chunk;
        }
        at += 12 + length;
    }
    if (!oversized)
        return std::nullopt;
    return copy;
}

TagReading TagsOf(Exiv2::Image& image, PhotoBytes& photo, const std::vector<std::string>& keys)
{
    // libexiv2 0.27 finds a HEIF photo's Exif and XMP only where the item locations have one of the
    // layouts it knows, and reads no Exif at all from a photo exiftool has written to. They are
    // taken from the items themselves; so is the size, as libexiv2 gives the size the Exif names,
    // which is the sensor's, not that of the picture the file holds (an edit may have cropped it).
    if (BoxesNestTooDeeply(photo.Reader()))
        return {ReadOutcome::NotOpened, {}};
    const std::optional<HeifContent> heif = ReadHeif(photo.Reader());
    decodingErrors = 0;
    image.readMetadata();
    Exiv2::ExifData heifExif;
    if (heif && heif->exif) {
        decodingErrors = 0;  // what libexiv2 made of the Exif it looked for elsewhere
        Exiv2::ExifParser::decode(heifExif, reinterpret_cast<const Exiv2::byte*>(heif->exif->data()),
                                  static_cast<std::uint32_t>(heif->exif->size()));
    }
    // A photo whose Exif, IPTC or XMP block is damaged past reading is not read as one without
    // metadata: that would lose its values without a word.
    if (decodingErrors > 0)
        return {ReadOutcome::NotOpened, {}};
    TagReading reading{ReadOutcome::Read, {}};
    PhotoTags& tags = reading.tags;
    if (heif && heif->primarySize) {
        tags.width = static_cast<std::int32_t>(heif->primarySize->first);
        tags.height = static_cast<std::int32_t>(heif->primarySize->second);
    } else {
        tags.width = image.pixelWidth();
        tags.height = image.pixelHeight();
    }

    TakeExif(heif && heif->exif ? heifExif : image.exifData(), TagDirectory::Image, tags);
    // IPTC and XMP go through the very readers the FreeImage reader uses, from their stored form.
    if (!image.iptcData().empty()) {
        const Exiv2::DataBuf block = Exiv2::IptcParser::encode(image.iptcData());
        ReadIptcBlock(std::string_view(reinterpret_cast<const char*>(block.pData_), block.size_), tags);
    }
    ReadXmpPacket(heif && heif->xmp ? *heif->xmp : image.xmpPacket(), tags);
    // A PNG's chunks are walked for its date only where it has none of the dates preferred to it.
    if (image.imageType() == Exiv2::ImageType::png && !tags.PreferredGiven(Tag::PngCreationTime))
        if (const std::optional<std::string> text = PngTextNamed(photo.Reader(), InfoOf(Tag::PngCreationTime).name))
            if (const std::optional<std::string> date = DateFromPngText(*text))
                tags[Tag::PngCreationTime] = TagValue::Text(*date);
    if (const std::string comment = image.comment(); !comment.empty())
        tags[Tag::Comment] = TagValue::Text(Utf8FromUnstated(comment.substr(0, comment.find('\0'))));
    if (!keys.empty())
        reading.keyed = KeyedValues(keys, heif && heif->exif ? heifExif : image.exifData(), image.iptcData(),
                                    heif && heif->xmp ? DecodedXmp(*heif->xmp) : image.xmpData());
    return reading;
}

// A reading of a format read from its own structure (CR3, JPEG XL), whose blocks hold no maker
// note: when a key names one, the tags asked for by key are taken from libexiv2's own reading of
// the file where it can read it, unless its boxes nest deeper than any real file's; where it
// cannot, they stay as the blocks gave them.
template <typename Open>
TagReading WithLibraryKeys(TagReading reading, const std::vector<std::string>& keys, PhotoBytes& photo, Open open)
{
    if (reading.outcome != ReadOutcome::Read || !AsksForMakerNote(keys) || BoxesNestTooDeeply(photo.Reader()))
        return reading;
    try {
        const auto image = open();
        if (image.get() == nullptr)
            return reading;
        image->readMetadata();
        reading.keyed = KeyedValues(keys, image->exifData(), image->iptcData(), image->xmpData());
    } catch (const std::exception&) {
        // libexiv2 cannot read the file as a whole: the blocks' values stand.
    }
    return reading;
}

}  // namespace

Exiv2TagReader::Exiv2TagReader()
{
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::warn);
    Exiv2::LogMsg::setHandler(CountDecodingError);
    Exiv2::enableBMFF(true);
}

TagReading Exiv2TagReader::Read(const std::string& path)
{
    // The same refusals as for any photo: no waiting on a pipe, and a reason for a file not read.
    const platform::FileForReading opened = platform::OpenRegularFileForReading(path);
    if (const auto refused = RefusalOf(opened.failure))
        return {*refused, {}};
    try {
        FileBytes photo(opened.file.get(), opened.size, m_consumed);
        if (std::optional<TagReading> reading = ReadOwnStructure(photo, AskedKeys()))
            return WithLibraryKeys(std::move(*reading), AskedKeys(), photo,
                                   [&path] { return Exiv2::ImageFactory::open(path, false); });
        if (photo.Read(0, 2) == std::string("\xFF\xD8", 2))
            return ReadJpeg(photo);
        if (const std::optional<std::string> png = PngWithoutOversizedText(photo))
            return ReadMemory(*png);
        const auto image = Exiv2::ImageFactory::open(path, false);
        return image.get() ? TagsOf(*image, photo, AskedKeys()) : TagReading{ReadOutcome::NotOpened, {}};
    } catch (const std::exception&) {
        return {ReadOutcome::NotOpened, {}};
    }
}

// libexiv2 takes a JPEG's metadata from its head, but searches on through the whole file for a
// marker that is not where it should be (a sparse file of gigabytes costs minutes), and finds nothing
// beyond some thousands of empty segments: it is given the head alone, without them, or where the
// markers cannot be followed, no more than the head limit.
TagReading Exiv2TagReader::ReadJpeg(PhotoBytes& photo)
{
    JpegHead head = photo.Head(JpegHeadForm::AsItStands);
    if (head.tooLarge)
        return {ReadOutcome::NotOpened, {}};
    if (head.bytes)
        return ReadMemory(*head.bytes);
    const std::optional<std::string> start =
        photo.Read(0, static_cast<std::size_t>(std::min<std::uint64_t>(photo.Size(), JpegHeadLimit)));
    return start ? ReadMemory(*start) : TagReading{ReadOutcome::NotOpened, {}};
}

TagReading Exiv2TagReader::ReadMemory(std::string_view file)
{
    try {
        MemoryBytes photo(file, m_consumed);
        if (std::optional<TagReading> reading = ReadOwnStructure(photo, AskedKeys()))
            return WithLibraryKeys(std::move(*reading), AskedKeys(), photo, [file] {
                return Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(file.data()),
                                                 static_cast<long>(file.size()));
            });
        if (const std::optional<std::string> png = PngWithoutOversizedText(photo))
            return ReadMemory(*png);
        const auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(file.data()),
                                                     static_cast<long>(file.size()));
        return image.get() ? TagsOf(*image, photo, AskedKeys()) : TagReading{ReadOutcome::NotOpened, {}};
    } catch (const std::exception&) {
        return {ReadOutcome::NotOpened, {}};
    }
}

std::vector<KeyedValue> Exiv2TagReader::ReadKeys(const std::string& path)
{
    // The whole reading, with every limit it keeps; the values of the keys are what is wanted.
    TagReading reading = Read(path);
    if (reading.outcome != ReadOutcome::Read || reading.keyed.size() != AskedKeys().size())
        return std::vector<KeyedValue>(AskedKeys().size());
    return std::move(reading.keyed);
}
