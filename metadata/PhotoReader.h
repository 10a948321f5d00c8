#pragma once

#include "metadata/Exiv2TagReader.h"
#include "metadata/FreeImageTagReader.h"

#include <cstdint>
#include <string>

// What a reader process reads photos with: FreeImage for JPEG and TIFF, libexiv2 for every other
// format, and libexiv2 again for a JPEG or TIFF that FreeImage could not open.
class PhotoReader : public TagSource {
public:
    enum class Library {
        Any,         // the library for the format, then the other one
        Exiv2Only,   // a photo that made FreeImage crash or hang in an earlier reader
    };

    TagReading Read(const std::string& path) override { return Read(path, Library::Any); }
    TagReading Read(const std::string& path, Library library);

    // How many bytes of photos FreeImage has taken in so far; see FreeImageTagReader::BytesRead.
    std::uint64_t BytesRead() const { return m_freeImage.BytesRead(); }

private:
    FreeImageTagReader m_freeImage;
    Exiv2TagReader m_exiv2;
};
