#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The directories of a classic TIFF file (a TIFF photo, or the Exif block of a JPEG), read with
// every offset and count checked against what the file holds.
class TiffFile {
public:
    // Reads `size` bytes at `offset`; empty when the file has fewer.
    using ReadAt = std::function<std::optional<std::string>(std::uint64_t offset, std::size_t size)>;

    struct Entry {
        std::uint16_t tag = 0;
        std::uint16_t type = 0;
        std::uint32_t count = 0;
        std::uint64_t at = 0;           // where the entry itself lies in the file
        std::uint32_t valueOffset = 0;  // the entry's last four bytes as an offset
        std::string inlineValue;        // the entry's last four bytes as they stand
    };

    // Empty when the bytes do not start with a TIFF header.
    static std::optional<TiffFile> Open(ReadAt read);
    // The same over bytes in memory, which must outlive the TiffFile.
    static std::optional<TiffFile> Open(std::string_view bytes);

    bool BigEndian() const { return m_bigEndian; }
    std::uint64_t FirstDirectory() const { return m_firstDirectory; }

    // The entries of the directory at `offset`; none when it does not fit in the file.
    std::vector<Entry> Directory(std::uint64_t offset) const;
    // The bytes of an entry's value, at most `limit` of them; empty when they lie beyond the file.
    std::optional<std::string> Value(const Entry& entry, std::size_t limit) const;

private:
    TiffFile(ReadAt read, bool bigEndian, std::uint64_t firstDirectory);

    ReadAt m_read;
    bool m_bigEndian;
    std::uint64_t m_firstDirectory;
};
