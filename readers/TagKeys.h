#pragma once
// Tags named by their libexiv2 keys (Exif.Photo.LensSerialNumber, Iptc.Application2.City,
// Xmp.xmp.Rating): the keys libexiv2 knows, and the values of asked-for keys in a photo's decoded
// metadata.

#include "metadata/TagSource.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class PhotoBytes;

namespace Exiv2 {
class ExifData;
class IptcData;
class XmpData;
}  // namespace Exiv2

// Writes one line per key libexiv2 knows, Exif (its maker notes too), IPTC and XMP: the group,
// the label, the key and the description, separated by TABs (KnownTags.h reads them).
void WriteKnownTags(std::FILE* out);

// The value of each key in a photo's metadata, in order: the text as `exiv2 -Pkt -K KEY` prints it,
// except that an XMP language alternative gives its default text and that a tag given several
// times, or an XMP list, gives its values joined with ";"; valid UTF-8; a number where it is one
// plain number. A key the photo lacks, or that libexiv2 does not know, gives "".
std::vector<KeyedValue> KeyedValues(const std::vector<std::string>& keys, const Exiv2::ExifData& exif,
                                    const Exiv2::IptcData& iptc, const Exiv2::XmpData& xmp);

// A photo's metadata blocks as they stand in it. The values of keys are taken from them by
// decoding only the blocks the keys need, and of the Exif block only the directories they need:
// a maker note or a thumbnail's directory only when a key names one.
struct MetadataBlocks {
    std::optional<std::string> exif;  // a TIFF structure: a JPEG's Exif segment after "Exif\0\0"
    std::string_view iptc;            // the IPTC datasets
    std::string_view xmp;             // the XMP packet
};
std::vector<KeyedValue> KeyedValues(const std::vector<std::string>& keys, const MetadataBlocks& blocks);

// The Exif block of a JPEG file: its first APP1 segment that starts with "Exif\0\0" before its
// first scan, without those six bytes; empty when there is none or the markers cannot be followed.
std::optional<std::string> JpegExifBlock(PhotoBytes& photo);

// Whether a key names a tag of a camera maker's note (Exif.Canon.SerialNumber), or the note itself.
bool AsksForMakerNote(const std::vector<std::string>& keys);

// Puts the values the XMP `packet` of a sidecar file holds for the XMP keys among `keys` in place of
// those in `values` (one per key); a packet that does not decode changes nothing.
void TakeSidecarKeys(std::string_view packet, const std::vector<std::string>& keys, std::vector<KeyedValue>& values);
