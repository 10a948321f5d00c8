#include "readers/XmpPacket.h"

#include "metadata/TextEncoding.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <optional>
#include <span>
#include <vector>
#include <string>

namespace {

// "YYYY-MM-DDThh:mm:ss", with or without seconds, fractions and a time zone, in the Exif layout.
std::optional<std::string> ExifDate(const std::string& xmp)
{
    const auto digits = [&xmp](std::size_t at, std::size_t count) {
        if (at + count > xmp.size())
            return false;
        for (std::size_t i = at; i < at + count; ++i)
            if (xmp[i] < '0' || xmp[i] > '9')
                return false;
        return true;
    };
    if (!digits(0, 4) || xmp[4] != '-' || !digits(5, 2) || xmp[7] != '-' || !digits(8, 2) || xmp.size() < 16 ||
        xmp[10] != 'T' || !digits(11, 2) || xmp[13] != ':' || !digits(14, 2))
        return std::nullopt;
    const std::string seconds = xmp.size() >= 19 && xmp[16] == ':' && digits(17, 2) ? xmp.substr(17, 2) : "00";
    return xmp.substr(0, 4) + ':' + xmp.substr(5, 2) + ':' + xmp.substr(8, 2) + ' ' + xmp.substr(11, 2) + ':' +
           xmp.substr(14, 2) + ':' + seconds;
}

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
        const std::span<const Tag> preference = PreferenceOf(info.tag);
        const bool preferredGiven =
            std::any_of(preference.begin(), std::find(preference.begin(), preference.end(), info.tag),
                        [&tags](Tag tag) { return !tags[tag].empty(); });
        const std::string_view property = info.name.substr(info.name.rfind('.') + 1);
        if (!preferredGiven && packet.find(property) != std::string_view::npos)
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
            if (info.tag == Tag::XmpDateTimeOriginal || info.tag == Tag::XmpCreateDate) {
                const std::optional<std::string> date = ExifDate(text);
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
