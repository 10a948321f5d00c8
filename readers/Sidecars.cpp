#include "readers/Sidecars.h"

#include "platform/FileSystem.h"

#include <system_error>

namespace {

constexpr std::size_t largestSidecar = 8u << 20;

bool EndsInXmp(const std::string& name)
{
    if (name.size() < 4 || name[name.size() - 4] != '.')
        return false;
    const std::string_view ending = std::string_view(name).substr(name.size() - 3);
    const char lower[] = "xmp";
    for (std::size_t i = 0; i < 3; ++i)
        if ((ending[i] | 0x20) != lower[i])
            return false;
    return true;
}

}  // namespace

std::vector<std::string> Sidecars::Of(const std::string& path)
{
    const std::filesystem::path photo = platform::PathFromNarrow(path);
    const std::filesystem::path folder = photo.parent_path();
    std::error_code error;
    const std::filesystem::file_time_type changed = std::filesystem::last_write_time(folder, error);
    if (error)
        return {};
    if (folder != m_folder || m_listed != changed) {
        m_folder = folder;
        m_listed = changed;
        m_byName.clear();
        for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
             entry.increment(error)) {
            const std::string name = platform::NarrowFromPath(entry->path().filename());
            if (!EndsInXmp(name))
                continue;
            // Of "IMG_1.xmp" and "IMG_1.XMP", the first in byte order, whatever order the listing has.
            const auto [found, added] = m_byName.emplace(name.substr(0, name.size() - 4), name);
            if (!added && name < found->second)
                found->second = name;
        }
    }
    std::vector<std::string> sidecars;
    const std::string name = platform::NarrowFromPath(photo.filename());
    const std::size_t dot = name.rfind('.');
    for (const std::string& stem : {dot == std::string::npos ? std::string() : name.substr(0, dot), name})
        if (const auto found = m_byName.find(stem); !stem.empty() && found != m_byName.end())
            sidecars.push_back(platform::NarrowFromPath(folder / platform::PathFromNarrow(found->second)));
    return sidecars;
}

std::optional<std::string> ReadSidecar(const std::string& path)
{
    const platform::FileForReading opened = platform::OpenRegularFileForReading(path);
    if (opened.failure != platform::FileForReading::Failure::None || opened.size > largestSidecar)
        return std::nullopt;
    std::string packet(opened.size, '\0');
    packet.resize(std::fread(packet.data(), 1, packet.size(), opened.file.get()));
    return packet;
}
