#pragma once

#include "metadata/TagSource.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class PhotoBytes;

// Reads a video's size, date, maker and position through libavformat, in this process: the
// containers of phones and cameras (MP4, MOV, M4V, 3GP), whose headers are read and nothing
// decoded. The values fill the same tags as a photo's (Make, Model, the GPS position), so that
// every column is formatted as for photos; the date fills a tag of its own (Tag::VideoDate).
//
// libavformat is loaded with the first video, not before: it brings about a hundred and thirty
// libraries with it (its codecs and their dependencies), which cost a tenth of a second and some
// 25 MB to load -- a price a reader process that meets only photos must not pay.
class VideoTagReader : public TagSource {
public:
    VideoTagReader();
    ~VideoTagReader() override;
    VideoTagReader(const VideoTagReader&) = delete;
    VideoTagReader& operator=(const VideoTagReader&) = delete;

    TagReading Read(const std::string& path) override;
    // The same reading of a video file already in memory.
    TagReading ReadMemory(std::string_view file);

    // Told of the bytes of a video as they are read; see FreeImageTagReader::OnConsumed.
    void OnConsumed(std::function<void(std::size_t)> hook) { m_consumed = std::move(hook); }

    struct Library;

private:
    TagReading ReadVideo(PhotoBytes& video);
    const Library* Loaded();

    std::function<void(std::size_t)> m_consumed;
    std::unique_ptr<Library> m_library;
    bool m_loadTried = false;
};

// A position in ISO 6709 form, as videos store it: latitude, longitude and an optional altitude,
// each signed, the degrees either decimal ("+48.8566+002.3522+035.000/") or with minutes
// ("+4851.396+00221.132/") or with minutes and seconds ("+485123.76+0021408.4/"). Nothing when
// the text is not one, or names no place on earth.
struct VideoPosition {
    double latitude = 0;
    double longitude = 0;
    std::optional<double> altitude;  // metres, negative below sea level
};
std::optional<VideoPosition> ParseIso6709(std::string_view text);

// "YYYY-MM-DDTHH:MM:SS", followed by anything (a fraction, a zone), as "YYYY:MM:DD HH:MM:SS": the
// wall-clock time as written. "" when the text does not start so.
std::string WallClockDate(std::string_view text);
// The same for a UTC time ("2023-04-05T04:07:08.000000Z"), turned into the computer's local time
// as it was on that day. "" when the text is not a UTC time.
std::string LocalDateOfUtc(std::string_view text);
