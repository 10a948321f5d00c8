#include "readers/XmpPacket.h"

#include "readers/DateText.h"
#include "metadata/TextEncoding.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <optional>
#include <span>
#include <vector>
#include <string>

namespace {

std::string Joined(const Exiv2::Xmpdatum& datum)
{
    std::string text;
    for (long i = 0; i < datum.count(); ++i) {
        if (i > 0)
            text += ';';
        text += datum.toString(i);
    }
    return text;
}

bool IsDate(Tag tag)
{
    const std::span<const Tag> dates = PreferenceOf(Tag::DateTimeOriginal);
    return std::find(dates.begin(), dates.end(), tag) != dates.end();
}

// The text in the default language, else in the first language given.
std::string DefaultLanguage(const Exiv2::LangAltValue& value)
{
    const auto text = value.value_.find("x-default");
    if (text != value.value_.end())
        return text->second;
    return value.value_.empty() ? std::string() : value.value_.begin()->second;
}

}  // namespace

// The XMP tags whose values a column would take: none when the photo has a value the column
// prefers, and none whose property the packet does not name at all. Parsing a packet costs more
// than reading the rest of a photo, and most packets hold nothing that is used.
std::vector<Tag> Wanted(std::string_view packet, const PhotoTags& tags)
{
    std::vector<Tag> wanted;
    for (const TagInfo& info : TagTable()) {
        if (info.directory != TagDirectory::Xmp)
            continue;
        const std::string_view property = info.name.substr(info.name.rfind('.') + 1);
        if (!tags.PreferredGiven(info.tag) && packet.find(property) != std::string_view::npos)
            wanted.push_back(info.tag);
    }
    return wanted;
}

void ReadXmpPacket(std::string_view packet, PhotoTags& tags)
{
    if (packet.size() > XmpPacketLimit)
        return;
    const std::vector<Tag> wanted = Wanted(packet, tags);
    if (wanted.empty())
        return;
    Exiv2::XmpData xmp;
    try {
        if (Exiv2::XmpParser::decode(xmp, std::string(packet)) != 0)
            return;
        for (const Tag tag : wanted) {
            const TagInfo& info = InfoOf(tag);
            const auto datum = xmp.findKey(Exiv2::XmpKey(std::string(info.name)));
            if (datum == xmp.end() || datum->count() == 0)
                continue;
            std::string text;
            if (datum->typeId() == Exiv2::langAlt)
                text = DefaultLanguage(static_cast<const Exiv2::LangAltValue&>(datum->value()));
            else if (datum->typeId() == Exiv2::xmpBag || datum->typeId() == Exiv2::xmpSeq ||
                     datum->typeId() == Exiv2::xmpAlt)
                text = Joined(*datum);
            else
                text = datum->toString();
            if (IsDate(info.tag)) {
                const std::optional<std::string> date = DateFromIso8601(text);
                if (!date)
                    continue;
                text = *date;
            }
            if (!text.empty())
                tags[info.tag] = TagValue::Text(Utf8FromUnstated(text));
        }
    } catch (const std::exception&) {
        // A damaged packet gives what was taken before the damage.
    }
}

void ReadSidecarPacket(std::string_view packet, PhotoTags& tags)
{
    // Read as if the photo had no XMP, so that the photo's own XMP values take nothing from the
    // sidecar's; then each of the sidecar's replaces the photo's.
    PhotoTags sidecar = tags;
    for (const TagInfo& info : TagTable())
        if (info.directory == TagDirectory::Xmp)
            sidecar[info.tag] = TagValue();
    ReadXmpPacket(packet, sidecar);
    for (const TagInfo& info : TagTable())
        if (info.directory == TagDirectory::Xmp && !sidecar[info.tag].empty())
            tags[info.tag] = std::move(sidecar[info.tag]);
}
