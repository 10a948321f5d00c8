#pragma once

#include <cstddef>
#include <cstdint>
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
    // caller then reads no more of the file than JpegHeadLimit bytes.
    std::optional<std::string> bytes;
    std::string imageResources;  // Photoshop's image resources (APP13), joined in order
    std::string xmpPacket;       // the XMP packet (APP1)
    // How many bytes of the file the head spans, from its start through the header of its first
    // scan (or its end marker); 0 when `bytes` is empty.
    std::uint64_t length = 0;
    // The head runs on past JpegHeadLimit. No camera writes such a head, so the caller takes the
    // file for one that cannot be opened.
    bool tooLarge = false;
};

// A camera's head is well under a megabyte; room is left for large colour profiles and XMP.
// Fill bytes before a marker count towards the limit but are not copied.
constexpr std::size_t JpegHeadLimit = 8 * 1024 * 1024;
// FreeImage keeps every comment and application segment it is given in a list that it walks to
// the end for each new one, a cost that grows with the square of their number (65,000 of them take
// some 15 s). The copy keeps the first few hundred of each kind (comments, JFIF, Exif, Adobe's) and
// leaves the rest out; no camera writes more than a handful. Empty comment and application
// segments carry nothing and are always left out.
constexpr std::size_t JpegKeptSegmentLimit = 256;

// What a head holds.
enum class JpegHeadForm {
    ForFreeImage,  // as described above
    // Every segment as it stands but the empty ones and fill bytes, for a library that reads the
    // IPTC, XMP and comments itself (libexiv2, which finds nothing beyond thousands of empty ones)
    AsItStands,
};

// The head of the JPEG file at `path`. `consumed`, when given, is told of the bytes read as they
// are read.
JpegHead ReadJpegHeaderWithoutThumbnail(const std::string& path, const std::function<void(std::size_t)>& consumed = {});
// The same from a file open for reading, from where it stands.
JpegHead ReadJpegHeaderWithoutThumbnail(std::FILE* file, const std::function<void(std::size_t)>& consumed = {},
                                        JpegHeadForm form = JpegHeadForm::ForFreeImage);

// The same for a file already in memory (the whole file or its head).
JpegHead JpegHeaderWithoutThumbnail(std::string_view file, JpegHeadForm form = JpegHeadForm::ForFreeImage);
