#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The head of a JPEG file, from its start to its first scan, as FreeImage is to read it: the tags,
// dimensions and comments all stand before the first scan. FreeImage spends most of its time on
// what the program does not take from it, so that is left out: the Exif thumbnail (which it
// decodes even when asked for no pixels) and maker note, and the segments it parses or copies
// for nothing (colour profiles, IPTC, XMP, the application segments of other programs). The
// program reads the IPTC and XMP it needs itself, from the copies kept beside the head.
struct JpegHead {
    // Empty when the file cannot be read or is not a JPEG whose markers can be followed: the
    // caller then loads the file as it is.
    std::optional<std::string> bytes;
    std::string imageResources;  // Photoshop's image resources (APP13), joined in order
    std::string xmpPacket;       // the XMP packet (APP1)
    // The head runs on past the limits below. No camera writes such a head, and FreeImage's own
    // loading would keep every segment of it and take a time that grows with the square of their
    // number, so the caller takes the file for one that cannot be opened.
    bool tooLarge = false;
};

// A camera's head is well under a megabyte; room is left for large colour profiles and XMP.
// Fill bytes before a marker count towards the limit but are not copied.
constexpr std::size_t JpegHeadLimit = 8 * 1024 * 1024;
constexpr std::size_t JpegSegmentLimit = 65536;

// The head of the JPEG file at `path`. `consumed`, when given, is told of the bytes read as they
// are read.
JpegHead ReadJpegHeaderWithoutThumbnail(const std::string& path, const std::function<void(std::size_t)>& consumed = {});
// The same from a file open for reading, from where it stands.
JpegHead ReadJpegHeaderWithoutThumbnail(std::FILE* file, const std::function<void(std::size_t)>& consumed = {});

// The same for a file already in memory (the whole file or its head).
JpegHead JpegHeaderWithoutThumbnail(std::string_view file);
