#include "readers/PhotoBytes.h"

#include "readers/JpegHeader.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <limits>

std::size_t PhotoBytes::ReadAt(std::uint64_t offset, char* buffer, std::size_t size)
{
    const std::size_t read = Fetch(offset, buffer, size);
    Count(read);
    return read;
}

std::optional<std::string> PhotoBytes::Read(std::uint64_t offset, std::size_t size)
{
    if (offset > Size() || size > Size() - offset)
        return std::nullopt;
    std::string bytes(size, '\0');
    if (ReadAt(offset, bytes.data(), size) != size)
        return std::nullopt;
    return bytes;
}

TiffFile::ReadAt PhotoBytes::Reader()
{
    return [this](std::uint64_t offset, std::size_t size) { return Read(offset, size); };
}

JpegHead MemoryBytes::Head(JpegHeadForm form)
{
    JpegHead head = JpegHeaderWithoutThumbnail(m_bytes, form);
    if (head.bytes)
        Count(head.bytes->size());
    return head;
}

std::size_t MemoryBytes::Fetch(std::uint64_t offset, char* buffer, std::size_t size)
{
    if (offset >= m_bytes.size())
        return 0;
    const std::size_t count = std::min<std::uint64_t>(size, m_bytes.size() - offset);
    std::memcpy(buffer, m_bytes.data() + offset, count);
    return count;
}

std::optional<ReadOutcome> RefusalOf(platform::FileForReading::Failure failure)
{
    switch (failure) {
    case platform::FileForReading::Failure::None:
        return std::nullopt;
    case platform::FileForReading::Failure::NoPermission:
        return ReadOutcome::NoPermission;
    case platform::FileForReading::Failure::Missing:
    case platform::FileForReading::Failure::NotRegular:
        return ReadOutcome::Missing;
    case platform::FileForReading::Failure::Other:
        break;
    }
    return ReadOutcome::NotOpened;
}

FileBytes::FileBytes(std::FILE* file, std::uint64_t size, const ConsumedHook& consumed)
    : PhotoBytes(consumed), m_file(file), m_size(size)
{
}

JpegHead FileBytes::Head(JpegHeadForm form)
{
    if (m_position != 0 && std::fseek(m_file, 0, SEEK_SET) != 0)
        return {};
    m_position = std::numeric_limits<std::uint64_t>::max();  // wherever the head ended
    return ReadJpegHeaderWithoutThumbnail(m_file, Hook(), form);
}

std::size_t FileBytes::Fetch(std::uint64_t offset, char* buffer, std::size_t size)
{
    if (offset != m_position) {
        if (offset > static_cast<std::uint64_t>(LONG_MAX) ||
            std::fseek(m_file, static_cast<long>(offset), SEEK_SET) != 0)
            return 0;
        m_position = offset;
    }
    const std::size_t read = std::fread(buffer, 1, size, m_file);
    m_position += read;
    return read;
}
