#pragma once
// Which files are photos, by their extension, and which library reads them.

#include <span>
#include <string_view>

enum class PhotoFormats {
    JpegAndTiff,   // what FreeImage reads
    All,           // and every other photo format: HEIC/HEIF/AVIF, camera RAW, DNG, PNG, WebP, JPEG XL
    AllWithVideo,  // and the videos of phones and cameras, which libavformat reads
};

// The extensions of each group, upper-case, in the order the help lists them.
std::span<const std::string_view> JpegAndTiffExtensions();
std::span<const std::string_view> OtherPhotoExtensions();
std::span<const std::string_view> VideoExtensions();

// Whether an extension (any case, without the dot) marks a file of the chosen formats.
bool IsPhotoExtension(std::string_view extension, PhotoFormats formats);
// Whether an extension marks a JPEG or TIFF photo, which FreeImage reads.
bool IsJpegOrTiffExtension(std::string_view extension);
// Whether an extension marks a video, which libavformat reads.
bool IsVideoExtension(std::string_view extension);
