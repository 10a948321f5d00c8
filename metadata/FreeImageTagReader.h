#pragma once

#include "metadata/TagSource.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

class PhotoBytes;

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

    // How many bytes of photos the reader has taken in so far, read from any thread: it grows
    // while a photo is being read, so a watcher can tell a slow photo from a stuck one.
    std::uint64_t BytesRead() const { return m_bytesRead.load(std::memory_order_relaxed); }

private:
    TagReading ReadPhoto(int format, PhotoBytes& photo);

    bool m_skipJpegThumbnails;
    std::atomic<std::uint64_t> m_bytesRead{0};
};
