#include "readers/TagKeys.h"

#include "readers/ByteOrder.h"
#include "readers/JpegHeader.h"
#include "readers/PhotoBytes.h"
#include "readers/TiffFile.h"
#include "readers/XmpPacket.h"
#include "metadata/NumberText.h"
#include "metadata/TextEncoding.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <sstream>

namespace {

// A line's fields hold no TAB or line break.
std::string OneLine(const char* text)
{
    std::string line = text != nullptr ? text : "";
    for (char& c : line)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return Utf8FromUnstated(line);
}

void WriteLine(std::FILE* out, const std::string& group, const char* label, const std::string& key,
               const char* description)
{
    std::fprintf(out, "%s\t%s\t%s\t%s\n", group.c_str(), OneLine(label).c_str(), key.c_str(),
                 OneLine(description).c_str());
}

void WriteExifTags(std::FILE* out)
{
    for (const Exiv2::GroupInfo* group = Exiv2::ExifTags::groupList(); group->tagList_ != nullptr; ++group) {
        const std::string name = group->groupName_;
        const Exiv2::TagInfo* tag = group->tagList_();
        // Groups that share the first directory's list (thumbnails, sub-images) repeat it; the tag
        // numbers a list does not name have no key worth offering.
        if (tag == nullptr || (tag == Exiv2::ExifTags::tagList("Image") && name != "Image"))
            continue;
        for (; tag->tag_ != 0xFFFF; ++tag)
            WriteLine(out, "Exif " + name, tag->title_, "Exif." + name + "." + tag->name_, tag->desc_);
    }
}

void WriteIptcTags(std::FILE* out)
{
    const std::pair<const Exiv2::DataSet*, const char*> records[] = {
        {Exiv2::IptcDataSets::envelopeRecordList(), "Envelope"},
        {Exiv2::IptcDataSets::application2RecordList(), "Application2"}};
    for (const auto& [dataSet, record] : records)
        for (const Exiv2::DataSet* set = dataSet; set->number_ != 0xFFFF; ++set)
            WriteLine(out, std::string("IPTC ") + record, set->title_, std::string("Iptc.") + record + "." + set->name_,
                      set->desc_);
}

void WriteXmpTags(std::FILE* out)
{
    Exiv2::Dictionary namespaces;
    Exiv2::XmpProperties::registeredNamespaces(namespaces);
    std::vector<std::string> prefixes;
    // The dictionary maps the prefixes the XMP toolkit uses to the namespaces; libexiv2's keys
    // name some namespaces by prefixes of its own (Iptc4xmpCore is "iptc").
    for (const auto& [toolkitPrefix, uri] : namespaces) {
        const std::string prefix = Exiv2::XmpProperties::prefix(uri);
        prefixes.push_back(prefix.empty() ? toolkitPrefix : prefix);
    }
    for (const std::string& prefix : prefixes) {
        const Exiv2::XmpPropertyInfo* property = nullptr;
        try {
            property = Exiv2::XmpProperties::propertyList(prefix);
        } catch (const std::exception&) {
            continue;  // a namespace libexiv2 names but describes no property of
        }
        for (; property != nullptr && property->name_ != nullptr; ++property)
            WriteLine(out, "XMP " + prefix, property->title_, "Xmp." + prefix + "." + property->name_, property->desc_);
    }
}

// A text as a column holds it: up to a NUL, which ends a C text in the photo, and in UTF-8.
std::string ColumnText(const std::string& printed)
{
    return Utf8FromUnstated(std::string_view(printed).substr(0, printed.find('\0')));
}

// As `exiv2 -Pkt` prints a value: a signed byte as its numbers, anything else through the tag's
// own print function.
std::string PrintedExif(const Exiv2::Exifdatum& datum, const Exiv2::ExifData& exif)
{
    if (datum.typeId() != Exiv2::signedByte)
        return datum.print(&exif);
    std::string text;
    for (long i = 0; i < datum.count(); ++i)
        text += (i > 0 ? " " : "") + std::to_string(datum.toLong(i));
    return text;
}

// An XMP value: a language alternative's default text (else its first), a list's items each.
void AppendXmp(const Exiv2::Xmpdatum& datum, std::vector<std::string>& texts)
{
    const Exiv2::Value& value = datum.value();
    if (value.typeId() == Exiv2::langAlt) {
        const auto& alternatives = static_cast<const Exiv2::LangAltValue&>(value).value_;
        const auto standard = alternatives.find("x-default");
        if (standard != alternatives.end())
            texts.push_back(standard->second);
        else if (!alternatives.empty())
            texts.push_back(alternatives.begin()->second);
        return;
    }
    if (value.typeId() == Exiv2::xmpBag || value.typeId() == Exiv2::xmpSeq || value.typeId() == Exiv2::xmpAlt) {
        for (long i = 0; i < value.count(); ++i)
            texts.push_back(value.toString(i));
        return;
    }
    texts.push_back(datum.print());
}

KeyedValue Joined(const std::vector<std::string>& texts)
{
    KeyedValue value;
    for (std::size_t i = 0; i < texts.size(); ++i)
        value.text += (i > 0 ? ";" : "") + ColumnText(texts[i]);
    // One plain number is a number; several joined are a text.
    if (texts.size() == 1)
        value.number = PlainDecimal(value.text);
    return value;
}

// The texts of every datum of `data` whose key is `key`, in the photo's order.
template <typename Data, typename Append>
std::vector<std::string> TextsOf(const Data& data, const std::string& key, Append append)
{
    std::vector<std::string> texts;
    for (const auto& datum : data)
        if (datum.key() == key)
            append(datum, texts);
    return texts;
}

KeyedValue ValueOf(const std::string& key, const Exiv2::ExifData& exif, const Exiv2::IptcData& iptc,
                   const Exiv2::XmpData& xmp)
{
    if (key.starts_with("Exif."))
        return Joined(TextsOf(exif, key, [&exif](const Exiv2::Exifdatum& datum, std::vector<std::string>& texts) {
            texts.push_back(PrintedExif(datum, exif));
        }));
    if (key.starts_with("Iptc."))
        return Joined(TextsOf(iptc, key, [](const Exiv2::Iptcdatum& datum, std::vector<std::string>& texts) {
            texts.push_back(datum.print());
        }));
    if (key.starts_with("Xmp."))
        return Joined(TextsOf(xmp, key, AppendXmp));
    return {};
}

bool AsksFor(const std::vector<std::string>& keys, std::string_view prefix)
{
    return std::any_of(keys.begin(), keys.end(), [prefix](const std::string& key) { return key.starts_with(prefix); });
}

// Whether the XMP packet names a property of an XMP key asked for. XML writes a property's name
// as it is, whatever its namespace's prefix, so a packet without the name has no value for the
// key, and the costly decoding can be skipped.
bool NamesAnyProperty(std::string_view packet, const std::vector<std::string>& keys)
{
    return std::any_of(keys.begin(), keys.end(), [packet](const std::string& key) {
        if (!key.starts_with("Xmp."))
            return false;
        const std::string_view path = std::string_view(key).substr(key.find('.', 4) + 1);
        const std::string_view property = path.substr(0, path.find_first_of("[/"));
        return packet.find(property) != std::string_view::npos;
    });
}

void WriteAt(std::string& block, std::uint64_t at, std::uint32_t value, int size, bool bigEndian)
{
    for (int i = 0; i < size; ++i)
        block[at + i] = static_cast<char>(value >> (8 * (bigEndian ? size - 1 - i : i)));
}

// The Exif block without what no key asks for and libexiv2 spends most of its decoding on: the
// maker note (its count made 0) and the directories after the first (a thumbnail's). A block
// whose directories do not fit is left whole.
std::string WithoutUnasked(std::string block, const std::vector<std::string>& keys)
{
    const bool makerNote = AsksForMakerNote(keys);
    const bool later = AsksFor(keys, "Exif.Thumbnail.") || AsksFor(keys, "Exif.SubImage") ||
                       AsksFor(keys, "Exif.Image2.") || AsksFor(keys, "Exif.Image3.");
    const std::optional<TiffFile> tiff = TiffFile::Open(std::string_view(block));
    if (!tiff)
        return block;
    const std::vector<TiffFile::Entry> first = tiff->Directory(tiff->FirstDirectory());
    const std::uint64_t link = tiff->FirstDirectory() + 2 + 12 * first.size();
    if (!later && !first.empty() && link + 4 <= block.size())
        WriteAt(block, link, 0, 4, tiff->BigEndian());
    if (makerNote)
        return block;
    for (const TiffFile::Entry& pointer : first) {
        if (pointer.tag != 0x8769)  // the Exif directory
            continue;
        for (const TiffFile::Entry& entry : tiff->Directory(pointer.valueOffset))
            if (entry.tag == 0x927C)  // the maker note
                WriteAt(block, entry.at + 4, 0, 4, tiff->BigEndian());
    }
    return block;
}

// The directories of the Exif block that the standard groups of keys name, by the pointer that
// leads to each from the one before it.
struct StandardGroup {
    const char* name;
    std::uint16_t pointer;  // in the first directory, or in the Exif directory for Iop
};
constexpr StandardGroup standardGroups[] = {{"Image", 0}, {"Photo", 0x8769}, {"GPSInfo", 0x8825}, {"Iop", 0xA005}};

std::string GroupOf(const std::string& key)
{
    const auto dot = key.find('.', 5);
    return dot == std::string::npos ? std::string() : key.substr(5, dot - 5);
}

// Takes the entries of the Exif keys asked for from the block's directories themselves, each as
// libexiv2 would decode it (the type the entry states, a comment where the tag is one), so that
// libexiv2 prints them as it prints a decoded block, without decoding the rest. False, with
// nothing taken, when a key names a directory beyond the standard four (a maker note, a
// thumbnail's): then the block is decoded whole.
bool TakeAskedEntries(const std::string& block, const std::vector<std::string>& keys, Exiv2::ExifData& exif)
{
    std::vector<std::pair<std::string, Exiv2::ExifKey>> asked;
    for (const std::string& key : keys) {
        if (!key.starts_with("Exif."))
            continue;
        const std::string group = GroupOf(key);
        if (std::none_of(std::begin(standardGroups), std::end(standardGroups),
                         [&group](const StandardGroup& standard) { return group == standard.name; }))
            return false;
        asked.emplace_back(group, Exiv2::ExifKey(key));
    }
    const std::optional<TiffFile> tiff = TiffFile::Open(std::string_view(block));
    if (!tiff)
        return true;
    const Exiv2::ByteOrder order = tiff->BigEndian() ? Exiv2::bigEndian : Exiv2::littleEndian;
    std::vector<TiffFile::Entry> directories[std::size(standardGroups)];
    directories[0] = tiff->Directory(tiff->FirstDirectory());
    for (std::size_t group = 1; group < std::size(standardGroups); ++group) {
        const std::vector<TiffFile::Entry>& from = directories[group == 3 ? 1 : 0];
        for (const TiffFile::Entry& entry : from)
            if (entry.tag == standardGroups[group].pointer)
                directories[group] = tiff->Directory(entry.valueOffset);
    }
    constexpr std::size_t largestValue = 1 << 20;
    for (const auto& asking : asked) {
        const auto& group = asking.first;
        const auto& key = asking.second;
        const auto index = static_cast<std::size_t>(
            std::find_if(std::begin(standardGroups), std::end(standardGroups),
                         [&group](const StandardGroup& standard) { return group == standard.name; }) -
            std::begin(standardGroups));
        for (const TiffFile::Entry& entry : directories[index]) {
            if (entry.tag != key.tag())
                continue;
            const std::optional<std::string> value = tiff->Value(entry, largestValue);
            if (!value)
                continue;
            const auto type =
                key.defaultTypeId() == Exiv2::comment ? Exiv2::comment : static_cast<Exiv2::TypeId>(entry.type);
            Exiv2::Value::AutoPtr read = Exiv2::Value::create(type);
            if (read->read(reinterpret_cast<const Exiv2::byte*>(value->data()), static_cast<long>(value->size()),
                           order) == 0)
                exif.add(key, read.get());
        }
    }
    return true;
}

}  // namespace

void WriteKnownTags(std::FILE* out)
{
    WriteExifTags(out);
    WriteIptcTags(out);
    WriteXmpTags(out);
}

std::vector<KeyedValue> KeyedValues(const std::vector<std::string>& keys, const Exiv2::ExifData& exif,
                                    const Exiv2::IptcData& iptc, const Exiv2::XmpData& xmp)
{
    std::vector<KeyedValue> values;
    values.reserve(keys.size());
    for (const std::string& key : keys) {
        try {
            values.push_back(ValueOf(key, exif, iptc, xmp));
        } catch (const std::exception&) {
            values.emplace_back();  // a value libexiv2 cannot print is none
        }
    }
    return values;
}

std::vector<KeyedValue> KeyedValues(const std::vector<std::string>& keys, const MetadataBlocks& blocks)
{
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
    try {
        if (blocks.exif && AsksFor(keys, "Exif.") && !TakeAskedEntries(*blocks.exif, keys, exif)) {
            const std::string block = WithoutUnasked(*blocks.exif, keys);
            Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte*>(block.data()),
                                      static_cast<std::uint32_t>(block.size()));
        }
        if (!blocks.iptc.empty() && AsksFor(keys, "Iptc.") &&
            Exiv2::IptcParser::decode(iptc, reinterpret_cast<const Exiv2::byte*>(blocks.iptc.data()),
                                      static_cast<std::uint32_t>(blocks.iptc.size())) != 0)
            iptc.clear();
        if (blocks.xmp.size() <= XmpPacketLimit && NamesAnyProperty(blocks.xmp, keys) &&
            Exiv2::XmpParser::decode(xmp, std::string(blocks.xmp)) != 0)
            xmp.clear();
    } catch (const std::exception&) {
        // What libexiv2 could not decode has no values; the rest keeps what was decoded.
    }
    return KeyedValues(keys, exif, iptc, xmp);
}

std::optional<std::string> JpegExifBlock(PhotoBytes& photo)
{
    const std::optional<std::string> start = photo.Read(0, 2);
    if (!start || *start != "\xFF\xD8")
        return std::nullopt;
    static constexpr std::string_view signature{"Exif\0\0", 6};
    std::uint64_t at = 2;
    while (at < JpegHeadLimit) {
        const std::optional<std::string> marker = photo.Read(at, 4);
        if (!marker || static_cast<unsigned char>((*marker)[0]) != 0xFF)
            return std::nullopt;
        const auto kind = static_cast<unsigned char>((*marker)[1]);
        if (kind == 0xFF) {  // fill before a marker
            ++at;
            continue;
        }
        if (kind == 0x01 || (kind >= 0xD0 && kind <= 0xD7)) {  // markers without a length
            at += 2;
            continue;
        }
        if (kind == 0xDA || kind == 0xD9)  // the first scan, or the end: no Exif before it
            return std::nullopt;
        const std::uint32_t length = ReadNumber(*marker, 2, 2, true);
        if (length < 2)
            return std::nullopt;
        if (kind == 0xE1 && length >= 2 + signature.size()) {
            if (const std::optional<std::string> content = photo.Read(at + 4, length - 2);
                content && content->starts_with(signature))
                return content->substr(signature.size());
        }
        at += 2 + length;
    }
    return std::nullopt;
}

bool AsksForMakerNote(const std::vector<std::string>& keys)
{
    return std::any_of(keys.begin(), keys.end(), [](const std::string& key) {
        if (!key.starts_with("Exif."))
            return false;
        const std::string group = key.substr(5, key.find('.', 5) - 5);
        return key == "Exif.Photo.MakerNote" || Exiv2::ExifTags::isMakerGroup(group);
    });
}

void TakeSidecarKeys(std::string_view packet, const std::vector<std::string>& keys, std::vector<KeyedValue>& values)
{
    Exiv2::XmpData xmp;
    try {
        if (Exiv2::XmpParser::decode(xmp, std::string(packet)) != 0)
            return;
    } catch (const std::exception&) {
        return;
    }
    const Exiv2::ExifData noExif;
    const Exiv2::IptcData noIptc;
    for (std::size_t i = 0; i < keys.size() && i < values.size(); ++i) {
        if (!keys[i].starts_with("Xmp."))
            continue;
        KeyedValue sidecar = KeyedValues({keys[i]}, noExif, noIptc, xmp).front();
        if (!sidecar.text.empty())
            values[i] = std::move(sidecar);
    }
}
