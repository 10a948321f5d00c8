#pragma once

#include <cstdint>
#include <optional>
#include <string>

class PhotoBytes;

// What the program takes from a JPEG XL file, through libjxl.
struct JxlContent {
    // Whether libjxl made out the image's header: a file whose header it cannot read is damaged.
    bool sized = false;
    // The picture as shown: the codestream's orientation turns it. Viewers follow that orientation
    // and ignore the one in the Exif block.
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // The Exif box's TIFF block, from its byte-order mark on, and the "xml " box's XMP packet;
    // either may have been stored compressed ("brob"), and comes decompressed.
    std::optional<std::string> exif;
    std::optional<std::string> xmp;
};

// Empty when the file is not a JPEG XL file, a bare codestream or a container. libjxl reads the
// file from its start only as far as the image header and the last Exif, XMP or compressed box;
// the picture itself is not decoded, and a box beyond 16 MiB (decompressed) is left out.
std::optional<JxlContent> ReadJxl(PhotoBytes& photo);
