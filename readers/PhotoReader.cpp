#include "readers/PhotoReader.h"

#include "metadata/PhotoFormats.h"

namespace {

std::string_view ExtensionOf(std::string_view path)
{
    const auto dot = path.rfind('.');
    const auto separator = path.find_last_of("/\\");
    if (dot == std::string_view::npos || (separator != std::string_view::npos && dot < separator))
        return {};
    return path.substr(dot + 1);
}

}  // namespace

TagReading PhotoReader::Read(const std::string& path, Library library)
{
    // libexiv2 makes nothing of a video but its name and size: it would pass for one without tags.
    if (IsVideoExtension(ExtensionOf(path)))
        return m_video.Read(path);
    if (library == Library::Any && IsJpegOrTiffExtension(ExtensionOf(path))) {
        TagReading reading = m_freeImage.Read(path);
        // A file that is gone or may not be read is so for libexiv2 too.
        if (reading.outcome != ReadOutcome::NotOpened)
            return reading;
    }
    return m_exiv2.Read(path);
}
