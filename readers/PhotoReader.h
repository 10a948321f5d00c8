#pragma once

#include "readers/Exiv2TagReader.h"
#include "readers/FreeImageTagReader.h"
#include "readers/Sidecars.h"
#include "readers/VideoTagReader.h"

#include <cstddef>
#include <functional>
#include <string>

// What a reader process reads photos with: FreeImage for JPEG and TIFF, libexiv2 for every other
// photo format, and libexiv2 again for a JPEG or TIFF that FreeImage could not open; libavformat
// for videos, which no other library reads; then the XMP sidecar files beside a photo or video
// that was read.
class PhotoReader : public TagSource {
public:
    enum class Library {
        Any,        // the library for the format, then the other one
        Exiv2Only,  // a photo that made FreeImage crash or hang in an earlier reader (a video is
                    // read by libavformat again, in the fresh reader)
    };

    TagReading Read(const std::string& path) override { return Read(path, Library::Any); }
    TagReading Read(const std::string& path, Library library);

    // Told of the bytes of a photo as they are read; see FreeImageTagReader::OnConsumed.
    void OnConsumed(const std::function<void(std::size_t)>& hook)
    {
        m_freeImage.OnConsumed(hook);
        m_exiv2.OnConsumed(hook);
        m_video.OnConsumed(hook);
    }

private:
    TagReading ReadPhoto(const std::string& path, Library library);

    FreeImageTagReader m_freeImage;
    Exiv2TagReader m_exiv2;
    VideoTagReader m_video;
    Sidecars m_sidecars;
};
