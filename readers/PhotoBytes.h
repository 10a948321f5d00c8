#pragma once

#include "metadata/TagSource.h"
#include "platform/FileSystem.h"
#include "readers/JpegHeader.h"
#include "readers/TiffFile.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Told of the bytes of a photo as they are read, while they are: the reader process reports
// progress from it, so that a reader slowly reading a large photo is told from one that is stuck.
using ConsumedHook = std::function<void(std::size_t)>;

// The bytes of one photo, in a file or in memory, every read told to a hook.
class PhotoBytes {
public:
    explicit PhotoBytes(const ConsumedHook& consumed) : m_consumed(consumed) {}
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
    // The head of a JPEG (JpegHeader.h).
    virtual JpegHead Head(JpegHeadForm form = JpegHeadForm::ForFreeImage) = 0;

protected:
    virtual std::size_t Fetch(std::uint64_t offset, char* buffer, std::size_t size) = 0;
    void Count(std::size_t bytes)
    {
        if (m_consumed)
            m_consumed(bytes);
    }
    const ConsumedHook& Hook() const { return m_consumed; }

private:
    const ConsumedHook& m_consumed;
};

class MemoryBytes : public PhotoBytes {
public:
    MemoryBytes(std::string_view bytes, const ConsumedHook& consumed) : PhotoBytes(consumed), m_bytes(bytes) {}
    std::uint64_t Size() const override { return m_bytes.size(); }
    JpegHead Head(JpegHeadForm form = JpegHeadForm::ForFreeImage) override;

private:
    std::size_t Fetch(std::uint64_t offset, char* buffer, std::size_t size) override;

    std::string_view m_bytes;
};

// Why a photo could not be opened for reading, as a reading's outcome (a pipe or a device is never
// waited on: it is not a regular file); nothing for a photo that was opened.
std::optional<ReadOutcome> RefusalOf(platform::FileForReading::Failure failure);

class FileBytes : public PhotoBytes {
public:
    // The file, of `size` bytes and read from its start, stays the caller's.
    FileBytes(std::FILE* file, std::uint64_t size, const ConsumedHook& consumed);
    std::uint64_t Size() const override { return m_size; }
    JpegHead Head(JpegHeadForm form = JpegHeadForm::ForFreeImage) override;

private:
    std::size_t Fetch(std::uint64_t offset, char* buffer, std::size_t size) override;

    std::FILE* m_file;
    std::uint64_t m_size;
    std::uint64_t m_position = 0;  // where the file stands, so that reading on needs no seek
};
