#pragma once

// A chain of folders inside `parent` whose deepest member lies beyond the system's path-length
// limit, with one file at the bottom. It can only be made and removed step by step through folder
// handles; a path-based remove_all would fail on it and leave it behind.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>

class DeepFolder {
public:
    DeepFolder(const std::filesystem::path& parent, const std::string& fileName, const std::string& content)
        : m_parent(parent), m_fileName(fileName)
    {
        int folder = ::open(parent.c_str(), O_DIRECTORY | O_RDONLY);
        std::size_t length = parent.string().size();
        for (int level = 0; folder >= 0 && length <= PATH_MAX; ++level) {
            ::mkdirat(folder, Segment().c_str(), 0755);
            const int inner = ::openat(folder, Segment().c_str(), O_DIRECTORY | O_RDONLY);
            ::close(folder);
            folder = inner;
            length += Segment().size() + 1;
            ++m_levels;
        }
        if (folder < 0)
            return;
        const int file = ::openat(folder, fileName.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        if (file >= 0) {
            m_made = ::write(file, content.data(), content.size()) == static_cast<ssize_t>(content.size());
            ::close(file);
        }
        ::close(folder);
    }
    ~DeepFolder()
    {
        const int parent = ::open(m_parent.c_str(), O_DIRECTORY | O_RDONLY);
        if (parent >= 0) {
            RemoveBelow(parent, m_levels);
            ::close(parent);
        }
    }
    DeepFolder(const DeepFolder&) = delete;
    DeepFolder& operator=(const DeepFolder&) = delete;

    bool Made() const { return m_made; }
    // The top of the chain, which is short enough to be named by a path.
    std::filesystem::path Top() const { return m_parent / Segment(); }

    static std::string Segment() { return std::string(250, 'd'); }

private:
    // Removes the chain below `folder`, `levels` deep, and the file at its bottom.
    void RemoveBelow(int folder, int levels) const
    {
        if (levels == 0)
            return;
        const int inner = ::openat(folder, Segment().c_str(), O_DIRECTORY | O_RDONLY);
        if (inner < 0)
            return;
        RemoveBelow(inner, levels - 1);
        if (levels == 1)
            ::unlinkat(inner, m_fileName.c_str(), 0);
        ::close(inner);
        ::unlinkat(folder, Segment().c_str(), AT_REMOVEDIR);
    }

    std::filesystem::path m_parent;
    std::string m_fileName;
    int m_levels = 0;
    bool m_made = false;
};
