#pragma once

#include "metadata/TagSource.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Reads a photo's dimensions and known tags through libexiv2, in this process: every format it
// supports (HEIC/HEIF/AVIF, camera RAW, DNG, PNG, WebP, and JPEG and TIFF too), and two it does not,
// whose Exif blocks it decodes all the same: Canon's CR3, walked by the program's own box reader,
// and JPEG XL, read by libjxl. The stored values go through the same conversions as the FreeImage
// reader's, so a column's text never depends on which reader read the photo.
class PhotoBytes;

class Exiv2TagReader : public TagSource {
public:
    // Makes libexiv2 recognise HEIF-based photos and keeps its log off the console.
    Exiv2TagReader();

    TagReading Read(const std::string& path) override;
    // The same reading of a photo file already in memory.
    TagReading ReadMemory(std::string_view file);
    // The values of the keys asked for (AskForKeys) in the photo at `path`, read by libexiv2 alone:
    // for a photo whose other values another library read. Empty texts where libexiv2 cannot read
    // the photo.
    std::vector<KeyedValue> ReadKeys(const std::string& path);

    // Told of the bytes the reader itself reads of a photo; see FreeImageTagReader::OnConsumed.
    void OnConsumed(std::function<void(std::size_t)> hook) { m_consumed = std::move(hook); }

private:
    TagReading ReadJpeg(PhotoBytes& photo);

    std::function<void(std::size_t)> m_consumed;
};
