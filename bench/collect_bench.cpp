// collect-bench FOLDER: lists the photos below FOLDER, sorts them and checks them for duplicate
// names the way a run does before reading the first photo, and prints how long each step took.
// The last step is the check that an output file which already exists is none of the photos.

#include "extract/PhotoCollection.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
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
    CollectPhotoFiles(photos, folder, true);
    const auto collected = Clock::now();
    SortPhotoList(photos);
    const auto sorted = Clock::now();
    const bool duplicates = HasDuplicateFileNames(photos);
    const auto checked = Clock::now();
    const std::filesystem::path output = std::filesystem::temp_directory_path() / "collect-bench-output.csv";
    std::ofstream(output) << "an earlier output\n";
    const bool clash = IsListedPhoto(photos, output.string());
    const auto compared = Clock::now();
    std::filesystem::remove(output);
    std::printf("%zu photos: listed in %.3f s, sorted in %.3f s, duplicate names checked in %.3f s (%s); "
                "%.3f s in all\nan existing output compared with every photo in %.3f s (%s)\n",
                photos.size(), seconds(started, collected), seconds(collected, sorted), seconds(sorted, checked),
                duplicates ? "some" : "none", seconds(started, checked), seconds(checked, compared),
                clash ? "one of them" : "none of them");
    return 0;
}
