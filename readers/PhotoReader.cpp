#include "readers/PhotoReader.h"

#include "readers/TagKeys.h"
#include "readers/XmpPacket.h"
#include "metadata/PhotoFormats.h"
#include "platform/FileSystem.h"

#include <algorithm>

namespace {

std::string_view ExtensionOf(std::string_view path)
{
    const auto dot = path.rfind('.');
    const auto separator = std::find_if(path.rbegin(), path.rend(), platform::IsFolderSeparator);
    if (dot == std::string_view::npos || dot < static_cast<std::size_t>(path.rend() - separator))
        return {};
    return path.substr(dot + 1);
}

}  // namespace

TagReading PhotoReader::Read(const std::string& path, Library library)
{
    m_freeImage.AskForKeys(AskedKeys());
    m_freeImage.NeedKnownTags(KnownTagsNeeded() || AskedKeys().empty());
    m_exiv2.AskForKeys(AskedKeys());
    TagReading reading = ReadPhoto(path, library);
    if (reading.outcome == ReadOutcome::Read) {
        for (const std::string& sidecar : m_sidecars.Of(path)) {
            if (const std::optional<std::string> packet = ReadSidecar(sidecar)) {
                ReadSidecarPacket(*packet, reading.tags);
                if (!AskedKeys().empty())
                    TakeSidecarKeys(*packet, AskedKeys(), reading.keyed);
            }
        }
    }
    return reading;
}

TagReading PhotoReader::ReadPhoto(const std::string& path, Library library)
{
    // libexiv2 makes nothing of a video but its name and size: it would pass for one without tags.
    // Nor does it read any tag of a video worth a column, so a key asked for is empty there unless
    // a sidecar gives it.
    if (IsVideoExtension(ExtensionOf(path))) {
        TagReading reading = m_video.Read(path);
        if (reading.outcome == ReadOutcome::Read)
            reading.keyed.resize(AskedKeys().size());
        return reading;
    }
    if (library == Library::Any && IsJpegOrTiffExtension(ExtensionOf(path))) {
        TagReading reading = m_freeImage.Read(path);
        // The tags asked for by key are decoded by libexiv2 from the same file, only when some are
        // asked for, so that a column's text never depends on the library that read the photo:
        // FreeImage's reader takes them from the blocks of a JPEG's head, libexiv2 reads the rest.
        if (reading.outcome == ReadOutcome::Read && reading.keyed.size() != AskedKeys().size())
            reading.keyed = m_exiv2.ReadKeys(path);
        // A file that is gone or may not be read is so for libexiv2 too.
        if (reading.outcome != ReadOutcome::NotOpened)
            return reading;
    }
    return m_exiv2.Read(path);
}
