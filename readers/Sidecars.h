#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The XMP sidecar files of photos, in which Lightroom, Bridge, darktable and digiKam keep what
// they know of a photo (of a raw file above all): NAME.xmp or NAME.EXT.xmp beside the photo
// NAME.EXT, the name as it stands and ".xmp" in any case.
class Sidecars {
public:
    // The sidecars of the photo at `path`, in the order their values are taken, each one's over
    // the one before: NAME.xmp, then NAME.EXT.xmp, which names this very file where NAME.xmp may
    // serve a raw file and the JPEG beside it alike.
    std::vector<std::string> Of(const std::string& path);

private:
    // The folder is listed once for all its photos, again when its entries have changed since.
    std::filesystem::path m_folder;
    std::optional<std::filesystem::file_time_type> m_listed;
    std::map<std::string, std::string> m_byName;  // a sidecar's file name by the name before ".xmp"
};

// The XMP packet of a sidecar file; empty when it cannot be read or is larger than 8 MiB, far
// beyond what any program writes.
std::optional<std::string> ReadSidecar(const std::string& path);
