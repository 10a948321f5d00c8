#pragma once

#include "metadata/TagSource.h"

#include <cstddef>
#include <functional>
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

    // Told of the bytes of a photo as this reader and FreeImage consume them, while they do: the
    // reader process reports progress from it, so that a slow photo is told from a stuck one.
    void OnConsumed(std::function<void(std::size_t)> hook) { m_consumed = std::move(hook); }

private:
    bool m_skipJpegThumbnails;
    std::function<void(std::size_t)> m_consumed;
};
