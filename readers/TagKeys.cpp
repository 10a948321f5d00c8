#include "readers/TagKeys.h"

#include "metadata/NumberText.h"
#include "metadata/TextEncoding.h"

#include <exiv2/exiv2.hpp>

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

void WriteLine(std::FILE* out, const std::string& group, const char* label, const std::string& key, const char* description)
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
