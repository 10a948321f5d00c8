#pragma once

#include "readers/TiffFile.h"

#include <optional>
#include <string>

// What the program takes from a Canon CR3 raw file. Canon keeps the metadata in a box of its own
// inside the movie box, as complete TIFF structures, one for each directory a TIFF photo would
// hold; each is taken from its byte-order mark on. The maker notes (CMT3) are left out: no column
// comes from them.
struct Cr3Content {
    std::optional<std::string> imageDirectory;  // CMT1: what TIFF's first directory holds
    std::optional<std::string> exifDirectory;   // CMT2: the Exif directory, as the first of its TIFF
    std::optional<std::string> gpsDirectory;    // CMT4: the GPS directory, likewise
    std::optional<std::string> xmp;             // the packet of the XMP box
};

// Empty when the file is not a CR3 file (its file type box does not name Canon's brand "crx ").
// Every box is checked against the file, and a block beyond a few MiB is left out.
std::optional<Cr3Content> ReadCr3(const TiffFile::ReadAt& read);
