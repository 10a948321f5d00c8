// Fuzz target: a photo file's bytes through everything the reader process does with them (the
// JPEG head, FreeImage's load without pixels, the tag walk with its guards, libexiv2's reading,
// the reader's own IPTC, XMP, TIFF, HEIF, CR3 and PNG text readers, libjxl's reading of JPEG XL,
// libavformat's reading of a video's headers with the reader's own reading of its dates and
// positions, the dates and the text conversions, the tags asked for by key), then the wire to the
// main process and the formatting of every column.
//
// FreeImage itself is not instrumented and crashes on some inputs; scripts/fuzz.sh runs this
// target so that those crashes are kept and sorted from crashes in our own code.

#include "fuzz/FuzzChecks.h"
#include "readers/Exiv2TagReader.h"
#include "readers/FreeImageTagReader.h"
#include "readers/VideoTagReader.h"
#include "metadata/TextEncoding.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static FreeImageTagReader reader;
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    // The format goes by the name, as for a file on disk; the first bytes choose it here, so that
    // the fuzzer can reach TIFF from JPEG seeds and back.
    const std::string name = file.starts_with("II") || file.starts_with("MM") ? "photo.tif" : "photo.jpg";
    // Every reader sees every input: the second reads the formats FreeImage does not (CR3 and JPEG
    // XL by their first bytes, whatever the name), and the JPEG and TIFF photos FreeImage cannot
    // open; the video reader takes what a box walk lets through.
    // The second is asked for tags by key of every kind too: texts, rationals, a repeated dataset,
    // an XMP language alternative and list.
    static Exiv2TagReader secondReader = [] {
        Exiv2TagReader keyed;
        keyed.AskForKeys({"Exif.Image.Model", "Exif.Photo.ExposureBiasValue", "Exif.GPSInfo.GPSLatitude",
                          "Iptc.Application2.Keywords", "Xmp.dc.title", "Xmp.dc.subject", "Xmp.xmp.Rating"});
        return keyed;
    }();
    static VideoTagReader videoReader;
    for (const TagReading& reading :
         {reader.ReadMemory(name, file), secondReader.ReadMemory(file), videoReader.ReadMemory(file)}) {
        if (reading.outcome != ReadOutcome::Read)
            Require(reading.tags == PhotoTags{} && reading.keyed.empty(), "a photo that was not read has no tags");
        CheckWireRoundTrip(reading);
        CheckRecords(reading);
    }

    // The XP texts are decoded from whatever bytes a photo holds.
    Require(IsValidUtf8(Utf8FromUtf16Le(file.substr(0, 512))), "an XP text decodes to valid UTF-8");
    return 0;
}
