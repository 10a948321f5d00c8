#pragma once
// File-system services whose form differs between operating systems. Paths travel through the
// program as narrow UTF-8 text (the bytes of the file name on POSIX systems).

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace platform {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// The separator the program appends to folder names.
char NativeSeparator();

std::filesystem::path PathFromNarrow(const std::string& text);
std::string NarrowFromPath(const std::filesystem::path& path);

struct FileStatus {
    std::int64_t size = 0;
    // Creation time in local time, "YYYY:MM:DD HH:MM:SS"; the modification time where the
    // file system keeps no creation time.
    std::string creationTime;
};

// Empty when the file's status cannot be read.
std::optional<FileStatus> ReadFileStatus(const std::string& path);

// A file opened for reading its bytes, or why it could not be.
struct FileForReading {
    enum class Failure { None, NoPermission, Missing, NotRegular, Other };
    UniqueFile file;
    Failure failure = Failure::None;
};

// Opens a regular file for reading in binary mode. Anything else (a pipe, a device, a folder) is
// refused without waiting: opening a pipe that nobody writes to would block for ever.
FileForReading OpenRegularFileForReading(const std::string& path);

// Whether the folder exists and its entries can be listed.
bool CanListFolder(const std::string& folder);

// Opens a file for writing text, creating or truncating it. Line ends follow the platform's
// text mode. Null on failure, with errno set.
std::FILE* OpenTextFileForWriting(const std::string& path);

// Human-readable text for an errno value.
std::string ErrorText(int errorNumber);

}  // namespace platform
