#pragma once

// A chain of folders inside `parent` whose deepest member lies beyond the system's path-length
// limit, with one file at the bottom. It can only be made step by step through folder handles;
// removing `parent` removes it too, as remove_all goes down through handles as well.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>

// Returns the top of the chain, which is short enough to be named by a path; empty when the chain
// or its file could not be made.
inline std::filesystem::path MakeDeepFolder(const std::filesystem::path& parent, const std::string& fileName,
                                            const std::string& content)
{
    const std::string segment(250, 'd');
    int folder = ::open(parent.c_str(), O_DIRECTORY | O_RDONLY);
    for (std::size_t length = parent.string().size(); folder >= 0 && length <= PATH_MAX; length += segment.size() + 1) {
        ::mkdirat(folder, segment.c_str(), 0755);
        const int inner = ::openat(folder, segment.c_str(), O_DIRECTORY | O_RDONLY);
        ::close(folder);
        folder = inner;
    }
    const int file = ::openat(folder, fileName.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    const bool made =
        file >= 0 && ::write(file, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    ::close(file);
    ::close(folder);
    return made ? parent / segment : std::filesystem::path();
}
