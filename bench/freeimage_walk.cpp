// freeimage-walk [--no-thumbnails] FOLDER: reads the tags of every photo below FOLDER through
// FreeImage, one photo after the other in this one process, and writes nothing. It is the
// yardstick for the batch command: what the reading alone costs without reader processes, pipes
// or record writing. Plain, it loads each file whole, as FreeImage is usually used;
// --no-thumbnails reads the way our reader processes do, without decoding the Exif thumbnail.

#include "extract/PhotoCollection.h"
#include "readers/FreeImageTagReader.h"

#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char* argv[])
{
    const bool noThumbnails = argc == 3 && std::string(argv[1]) == "--no-thumbnails";
    if (argc != 2 && !noThumbnails) {
        std::fprintf(stderr, "usage: freeimage-walk [--no-thumbnails] FOLDER\n");
        return 2;
    }
    std::string folder = argv[argc - 1];
    if (folder.empty() || folder.back() != '/')
        folder += '/';

    const auto started = std::chrono::steady_clock::now();
    PhotoList photos;
    CollectPhotoFiles(photos, folder, true);
    // The same order as the batch command, so that both touch the files alike.
    SortPhotoList(photos);

    FreeImageTagReader reader(noThumbnails);
    std::size_t read = 0;
    std::size_t notOpened = 0;
    std::size_t tagBytes = 0;  // keeps the readings from being optimised away, and sanity-checks them
    for (const std::string& path : photos) {
        const TagReading reading = reader.Read(path);
        if (reading.outcome == ReadOutcome::Read) {
            ++read;
            tagBytes += reading.tags[Tag::Make].text().size() + reading.tags[Tag::DateTimeOriginal].text().size();
        } else {
            ++notOpened;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%zu photos (%zu read, %zu not opened, %zu bytes of make and date) in %.3f s: %.0f photos/s\n",
                photos.size(), read, notOpened, tagBytes, seconds,
                seconds > 0 ? static_cast<double>(photos.size()) / seconds : 0.0);
    return 0;
}
