// wire-seeds OUTDIR PHOTO...: writes the reader's reply for each photo into OUTDIR, as the seeds
// of the wire fuzz target, with a few tags asked for by key so that the seeds hold values by key
// too. Never give it a photo that crashes FreeImage.

#include "readers/PhotoReader.h"
#include "metadata/TagWire.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: wire-seeds OUTDIR PHOTO...\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    PhotoReader reader;  // each photo or video by the library that reads its format
    reader.AskForKeys({"Exif.Photo.ISOSpeedRatings", "Exif.Image.Model", "Iptc.Application2.Keywords", "Xmp.dc.title"});
    for (int i = 2; i < argc; ++i) {
        const std::filesystem::path photo = argv[i];
        std::ofstream(out / (photo.filename().string() + ".reply"), std::ios::binary)
            << tagwire::EncodeReading(reader.Read(photo.string()));
    }
    return 0;
}
