#pragma once

#include "metadata/TiffFile.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

// The bytes of one photo, in a file or in memory. Every read is counted into a progress counter,
// so that a watcher can tell a reader that is slowly reading a large photo from one that is stuck.
class PhotoBytes {
public:
    explicit PhotoBytes(std::atomic<std::uint64_t>& bytesRead) : m_bytesRead(bytesRead) {}
    virtual ~PhotoBytes() = default;
    PhotoBytes(const PhotoBytes&) = delete;
    PhotoBytes& operator=(const PhotoBytes&) = delete;

    virtual std::uint64_t Size() const = 0;
    // Copies up to `size` bytes at `offset` into `buffer`; returns how many there were.
    std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size);
    // Exactly `size` bytes at `offset`, or nothing.
    std::optional<std::string> Read(std::uint64_t offset, std::size_t size);
    // Read as the structure readers (TIFF, HEIF) take their bytes.
    TiffFile::ReadAt Reader();
    // The head of a JPEG without its thumbnail (JpegHeader.h).
    virtual std::optional<std::string> JpegHead() = 0;

protected:
    virtual std::size_t Fetch(std::uint64_t offset, char* buffer, std::size_t size) = 0;
    void Count(std::size_t bytes) { m_bytesRead.fetch_add(bytes, std::memory_order_relaxed); }

private:
    std::atomic<std::uint64_t>& m_bytesRead;
};

class MemoryBytes : public PhotoBytes {
public:
    MemoryBytes(std::string_view bytes, std::atomic<std::uint64_t>& bytesRead) : PhotoBytes(bytesRead), m_bytes(bytes) {}
    std::uint64_t Size() const override { return m_bytes.size(); }
    std::optional<std::string> JpegHead() override;

private:
    std::size_t Fetch(std::uint64_t offset, char* buffer, std::size_t size) override;

    std::string_view m_bytes;
};

class FileBytes : public PhotoBytes {
public:
    // The file stays the caller's.
    FileBytes(std::FILE* file, std::atomic<std::uint64_t>& bytesRead);
    std::uint64_t Size() const override { return m_size; }
    std::optional<std::string> JpegHead() override;

private:
    std::size_t Fetch(std::uint64_t offset, char* buffer, std::size_t size) override;

    std::FILE* m_file;
    std::uint64_t m_size = 0;
};
