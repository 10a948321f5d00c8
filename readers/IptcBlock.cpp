#include "readers/IptcBlock.h"

#include "readers/ByteOrder.h"
#include "readers/DateText.h"
#include "metadata/TextEncoding.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

namespace {

constexpr unsigned char datasetMarker = 0x1C;
constexpr int envelopeRecord = 1;
constexpr int codedCharacterSet = 90;
constexpr int applicationRecord = 2;
constexpr int timeCreated = 60;
constexpr std::uint16_t iptcResource = 0x0404;

enum class Charset { Unstated, Utf8, Latin1 };

Charset CharsetNamed(std::string_view escape)
{
    // ISO 2022 escape sequences: ESC % G is UTF-8, ESC . A and ESC - A select Latin-1.
    if (escape.find("%G") != std::string_view::npos)
        return Charset::Utf8;
    if (escape == "\x1B.A" || escape == "\x1B-A")
        return Charset::Latin1;
    return Charset::Unstated;
}

std::string Decode(std::string_view bytes, Charset charset)
{
    // A block that claims UTF-8 but does not hold it is read like one that claims nothing.
    return charset == Charset::Latin1 ? Utf8FromWindows1252(bytes) : Utf8FromUnstated(bytes);
}

struct Dataset {
    int record;
    int number;
    std::string_view data;
};

// The datasets of the block in order, up to the first one that does not fit.
std::vector<Dataset> Datasets(std::string_view block)
{
    std::vector<Dataset> datasets;
    std::size_t at = 0;
    while (at + 5 <= block.size()) {
        // Bytes between datasets are skipped, as other readers do.
        if (static_cast<unsigned char>(block[at]) != datasetMarker) {
            ++at;
            continue;
        }
        const int record = static_cast<unsigned char>(block[at + 1]);
        const int number = static_cast<unsigned char>(block[at + 2]);
        std::uint64_t length = ReadNumber(block, at + 3, 2, true);
        std::size_t data = at + 5;
        if (length & 0x8000) {
            // An extended length: the low bits give how many bytes the length takes.
            const std::size_t lengthSize = length & 0x7FFF;
            if (lengthSize > 4 || data + lengthSize > block.size())
                break;
            length = ReadNumber(block, data, static_cast<int>(lengthSize), true);
            data += lengthSize;
        }
        if (length > block.size() - data)
            break;
        datasets.push_back({record, number, block.substr(data, length)});
        at = data + length;
    }
    return datasets;
}

}  // namespace

void ReadIptcBlock(std::string_view block, PhotoTags& tags)
{
    const std::vector<Dataset> datasets = Datasets(block);
    Charset charset = Charset::Unstated;
    for (const Dataset& dataset : datasets)
        if (dataset.record == envelopeRecord && dataset.number == codedCharacterSet)
            charset = CharsetNamed(dataset.data);

    std::string_view time;
    for (const Dataset& dataset : datasets)
        if (dataset.record == applicationRecord && dataset.number == timeCreated && time.empty())
            time = dataset.data;

    std::string keywords;
    bool anyKeyword = false;
    for (const Dataset& dataset : datasets) {
        if (dataset.record != applicationRecord)
            continue;
        const std::optional<Tag> tag = TagAt(TagDirectory::Iptc, static_cast<std::uint16_t>(dataset.number));
        if (!tag)
            continue;
        if (*tag == Tag::IptcDateCreated) {
            const std::optional<std::string> date = DateFromIptc(dataset.data, time);
            if (date && tags[*tag].empty())
                tags[*tag] = TagValue::Text(*date);
            continue;
        }
        std::string text = Decode(dataset.data, charset);
        if (*tag == Tag::Keywords) {
            if (anyKeyword)
                keywords += ';';
            keywords += text;
            anyKeyword = true;
        } else if (tags[*tag].empty()) {
            tags[*tag] = TagValue::Text(std::move(text));
        }
    }
    if (anyKeyword)
        tags[Tag::Keywords] = TagValue::Text(std::move(keywords));
}

std::string_view IptcInImageResources(std::string_view resources)
{
    // Each resource: a signature, a 2-byte id, a name (a length byte and the name, padded to an
    // even size), a 4-byte data size and the data, padded to an even size.
    static constexpr std::array<std::string_view, 5> signatures{"8BIM", "PHUT", "DCSR", "AgHg", "MeSa"};
    std::size_t at = 0;
    while (at + 12 <= resources.size()) {
        const std::string_view signature = resources.substr(at, 4);
        if (std::find(signatures.begin(), signatures.end(), signature) == signatures.end())
            return {};
        const std::uint32_t id = ReadNumber(resources, at + 4, 2, true);
        const std::size_t nameLength = static_cast<unsigned char>(resources[at + 6]);
        const std::size_t sizeAt = at + 6 + ((nameLength + 2) & ~std::size_t{1});
        if (sizeAt + 4 > resources.size())
            return {};
        const std::size_t size = ReadNumber(resources, sizeAt, 4, true);
        const std::size_t data = sizeAt + 4;
        if (size > resources.size() - data)
            return {};
        if (id == iptcResource)
            return resources.substr(data, size);
        at = data + size + (size & 1);
    }
    return {};
}
