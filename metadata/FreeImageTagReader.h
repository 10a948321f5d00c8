#pragma once

#include "metadata/TagSource.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

// Reads a photo's dimensions and known tags through FreeImage, in this process. Only the reader
// process (and the benchmark) use it directly: a corrupt photo can crash FreeImage.
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

    // Bytes of photos consumed so far, by this reader and FreeImage together; may be asked from
    // another thread while a photo is read, to tell a slow photo from a stuck one.
    std::uint64_t BytesRead() const { return m_bytesRead.load(std::memory_order_relaxed); }

private:
    bool m_skipJpegThumbnails;
    std::atomic<std::uint64_t> m_bytesRead{0};
};
