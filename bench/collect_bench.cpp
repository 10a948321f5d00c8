// collect-bench FOLDER: lists the photos below FOLDER, sorts them and checks them for duplicate
// names the way a run does before reading the first photo, and prints how long each step took.

#include "extract/CUtility.h"

#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: collect-bench FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    using Clock = std::chrono::steady_clock;
    auto seconds = [](Clock::time_point from, Clock::time_point to) {
        return std::chrono::duration<double>(to - from).count();
    };

    const auto started = Clock::now();
    PhotoList photos;
    CUtility().CollectPhotoFiles(photos, folder, true);
    const auto collected = Clock::now();
    SortPhotoList(photos);
    const auto sorted = Clock::now();
    const bool duplicates = HasDuplicateFileNames(photos);
    const auto checked = Clock::now();
    std::printf("%zu photos: listed in %.3f s, sorted in %.3f s, duplicate names checked in %.3f s (%s); "
                "%.3f s in all\n",
                photos.size(), seconds(started, collected), seconds(collected, sorted), seconds(sorted, checked),
                duplicates ? "some" : "none", seconds(started, checked));
    return 0;
}
