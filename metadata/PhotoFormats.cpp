#include "metadata/PhotoFormats.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<std::string_view, 5> jpegAndTiff{"JPG", "JPE", "JPEG", "TIF", "TIFF"};
// libexiv2 0.27 reads these, all but Canon's CR3 (read from its own boxes) and JPEG XL (libjxl).
constexpr std::array<std::string_view, 24> others{
    "HEIC", "HEIF", "HIF", "AVIF", "DNG", "CR2", "CR3", "CRW", "NEF", "NRW", "ARW",  "SR2",
    "ORF",  "RW2",  "RAF", "PEF",  "SRW", "MRW", "IIQ", "3FR", "ERF", "PNG", "WEBP", "JXL",
};
// The containers of phones and cameras, all of the QuickTime family (ISO base media files).
constexpr std::array<std::string_view, 4> videos{"MP4", "MOV", "M4V", "3GP"};

bool Listed(std::span<const std::string_view> list, std::string_view extension)
{
    return std::any_of(list.begin(), list.end(), [extension](std::string_view listed) {
        return listed.size() == extension.size() &&
               std::equal(listed.begin(), listed.end(), extension.begin(), [](char upper, char c) {
                   return upper == (c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
               });
    });
}

}  // namespace

std::span<const std::string_view> JpegAndTiffExtensions()
{
    return jpegAndTiff;
}

std::span<const std::string_view> OtherPhotoExtensions()
{
    return others;
}

std::span<const std::string_view> VideoExtensions()
{
    return videos;
}

bool IsJpegOrTiffExtension(std::string_view extension)
{
    return Listed(jpegAndTiff, extension);
}

bool IsVideoExtension(std::string_view extension)
{
    return Listed(videos, extension);
}

bool IsPhotoExtension(std::string_view extension, PhotoFormats formats)
{
    return IsJpegOrTiffExtension(extension) || (formats != PhotoFormats::JpegAndTiff && Listed(others, extension)) ||
           (formats == PhotoFormats::AllWithVideo && IsVideoExtension(extension));
}
