#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// An unsigned number of `size` bytes (at most 4) at `offset`, in either byte order, as TIFF and
// JPEG structures store them. The caller has made sure the bytes are there.
inline std::uint32_t ReadNumber(std::string_view bytes, std::size_t offset, int size, bool bigEndian)
{
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + (bigEndian ? i : size - 1 - i)]);
    return value;
}
