#pragma once

#include "metadata/TagSource.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class PhotoBytes;
struct JpegHead;

// Reads a photo's dimensions and known tags through FreeImage, in this process. Only the reader
// process (and the benchmark) use it directly: a corrupt photo can crash FreeImage.
//
// Where FreeImage 3.18 reads wrongly, the reader reads for itself: the IPTC block of JPEG and
// TIFF photos (FreeImage ignores its character set, and a big-endian TIFF's block crashes it), and
// a TIFF's orientation and GPS directory (FreeImage does not expose them). Values are taken from
// the stored bytes, never from FreeImage's text, which cuts at 511 bytes and rewords some numbers.
class FreeImageTagReader : public TagSource {
public:
    // Initialises FreeImage for this process and silences its console output. A JPEG is normally
    // handed over without its thumbnail (see JpegHeader.h); the benchmark's yardstick loads it whole.
    explicit FreeImageTagReader(bool skipJpegThumbnails = true);
    ~FreeImageTagReader() override;
    FreeImageTagReader(const FreeImageTagReader&) = delete;
    FreeImageTagReader& operator=(const FreeImageTagReader&) = delete;

    TagReading Read(const std::string& path) override;
    // The same reading of a photo file already in memory; `name` gives its format, as a path would.
    TagReading ReadMemory(const std::string& name, std::string_view file);

    // Told of the bytes of a photo as this reader and FreeImage consume them, while they do: the
    // reader process reports progress from it, so that a slow photo is told from a stuck one.
    void OnConsumed(std::function<void(std::size_t)> hook) { m_consumed = std::move(hook); }

private:
    TagReading ReadPhoto(int format, PhotoBytes& photo);
    // The tags asked for by key, from the blocks of a JPEG's head.
    std::vector<KeyedValue> KeysOfHead(PhotoBytes& photo, const JpegHead& head) const;

    bool m_skipJpegThumbnails;
    std::function<void(std::size_t)> m_consumed;
};
