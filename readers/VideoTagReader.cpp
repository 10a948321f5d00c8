#include "readers/VideoTagReader.h"

#include "readers/IsoBoxes.h"
#include "readers/PhotoBytes.h"
#include "metadata/TextEncoding.h"
#include "platform/FileSystem.h"
#include "platform/SharedLibrary.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <initializer_list>
#include <vector>

// The functions of libavformat and libavutil the reader calls, found in the library once loaded.
struct VideoTagReader::Library {
    explicit Library(const char* name) : library(name) {}

    // Whether every function was found.
    bool Bind()
    {
        return Find(logSetLevel, "av_log_set_level") && Find(findInputFormat, "av_find_input_format") &&
               Find(allocContext, "avformat_alloc_context") && Find(openInput, "avformat_open_input") &&
               Find(closeInput, "avformat_close_input") && Find(ioAllocContext, "avio_alloc_context") &&
               Find(ioContextFree, "avio_context_free") && Find(allocate, "av_malloc") && Find(free, "av_free") &&
               Find(dictGet, "av_dict_get") && Find(streamSideData, "av_stream_get_side_data") &&
               Find(displayRotation, "av_display_rotation_get");
    }

    platform::SharedLibrary library;
    decltype(&av_log_set_level) logSetLevel = nullptr;
    decltype(&av_find_input_format) findInputFormat = nullptr;
    decltype(&avformat_alloc_context) allocContext = nullptr;
    decltype(&avformat_open_input) openInput = nullptr;
    decltype(&avformat_close_input) closeInput = nullptr;
    decltype(&avio_alloc_context) ioAllocContext = nullptr;
    decltype(&avio_context_free) ioContextFree = nullptr;
    decltype(&av_malloc) allocate = nullptr;
    decltype(&av_free) free = nullptr;
    decltype(&av_dict_get) dictGet = nullptr;
    decltype(&av_stream_get_side_data) streamSideData = nullptr;
    decltype(&av_display_rotation_get) displayRotation = nullptr;

private:
    template <typename Function>
    bool Find(Function& function, const char* name)
    {
        function = reinterpret_cast<Function>(library.Symbol(name));
        return function != nullptr;
    }
};

namespace {

// The library of the version the reader was built against: another major version has another
// layout of the structures the reader looks into.
#ifdef _WIN32
constexpr const char* libraryName = "avformat-" AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR) ".dll";
#else
constexpr const char* libraryName = "libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR);
#endif

// The headers of a phone's hour-long video take a few megabytes; a damaged file that makes the
// demuxer read on and on is stopped here, and counts as unreadable.
constexpr std::uint64_t readLimit = 64u << 20;
constexpr int bufferSize = 32768;

// What libavformat reads the video through: its bytes, every read counted (PhotoBytes), with the
// sample tables' entry counts hidden, and no more of them than readLimit in all.
struct Input {
    PhotoBytes& video;
    std::vector<std::uint64_t> hidden;  // where a number of four bytes is shown as 0
    std::uint64_t position = 0;
    std::uint64_t left = readLimit;
};

// The boxes of `type` among those of `box`'s content.
std::vector<IsoBox> Inside(const TiffFile::ReadAt& read, const IsoBox& box, std::string_view type)
{
    std::vector<IsoBox> found = IsoBoxes(read, box.start, box.end);
    std::erase_if(found, [type](const IsoBox& inner) { return inner.type != type; });
    return found;
}

// The entry counts of every track's sample tables (its samples' times, sizes, chunks and their
// offsets), which a reader of the headers has no use for: libavformat would read them entry by
// entry and index every sample, and a minute of a phone's video lists some five thousand, which
// costs several times the reading of a JPEG's tags. Shown 0 entries, libavformat takes each track
// for one without samples, and steps over the rest of each table without reading it.
std::vector<std::uint64_t> SampleTableCounts(const TiffFile::ReadAt& read, const IsoBox& movie)
{
    std::vector<std::uint64_t> hidden;
    for (const IsoBox& track : Inside(read, movie, "trak"))
        for (const IsoBox& media : Inside(read, track, "mdia"))
            for (const IsoBox& information : Inside(read, media, "minf"))
                for (const IsoBox& samples : Inside(read, information, "stbl"))
                    for (const IsoBox& table : IsoBoxes(read, samples.start, samples.end)) {
                        // After a version and flags, the count; in a table of sizes, after the
                        // size all samples share (or the size of its fields) too.
                        const bool sizes = table.type == "stsz" || table.type == "stz2";
                        const std::uint64_t count = table.start + (sizes ? 8 : 4);
                        const bool counted = sizes || table.type == "stts" || table.type == "ctts" ||
                                             table.type == "stss" || table.type == "stps" || table.type == "stsc" ||
                                             table.type == "stco" || table.type == "co64";
                        if (counted && count + 4 <= table.end)
                            hidden.push_back(count);
                    }
    return hidden;
}

int ReadPacket(void* opaque, std::uint8_t* buffer, int size)
{
    auto& input = *static_cast<Input*>(opaque);
    if (input.left == 0)
        return AVERROR(EIO);
    const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(size), input.left));
    const std::size_t read = input.video.ReadAt(input.position, reinterpret_cast<char*>(buffer), wanted);
    if (read == 0)
        return AVERROR_EOF;
    for (const std::uint64_t hidden : input.hidden) {
        const std::uint64_t from = std::max(hidden, input.position);
        const std::uint64_t to = std::min(hidden + 4, input.position + read);
        for (std::uint64_t at = from; at < to; ++at)
            buffer[at - input.position] = 0;
    }
    input.position += read;
    input.left -= read;
    return static_cast<int>(read);
}

std::int64_t Seek(void* opaque, std::int64_t offset, int whence)
{
    auto& input = *static_cast<Input*>(opaque);
    const auto size = static_cast<std::int64_t>(std::min<std::uint64_t>(input.video.Size(), INT64_MAX / 2));
    std::int64_t base = 0;
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return size;
    case SEEK_SET:
        break;
    case SEEK_CUR:
        base = static_cast<std::int64_t>(input.position);
        break;
    case SEEK_END:
        base = size;
        break;
    default:
        return AVERROR(EINVAL);
    }
    // A damaged header may name any offset; one past the file reads nothing, and positions stay
    // far from where the sums would overflow.
    if (offset < -base || offset > INT64_MAX / 2 - base)
        return AVERROR(EINVAL);
    input.position = static_cast<std::uint64_t>(base + offset);
    return base + offset;
}

// The demuxer's context over its own reading context, both freed however the reading ends.
class Container {
public:
    explicit Container(const VideoTagReader::Library& av) : m_av(av) {}
    ~Container()
    {
        if (m_context != nullptr)
            m_av.closeInput(&m_context);  // leaves the reading context, which is ours
        if (m_io != nullptr) {
            m_av.free(m_io->buffer);  // the one it holds now, which may not be the one it was given
            m_av.ioContextFree(&m_io);
        }
    }
    Container(const Container&) = delete;
    Container& operator=(const Container&) = delete;

    // Reads the headers of a QuickTime-family file; false when it is not one or is damaged.
    bool Open(Input& input)
    {
        auto* buffer = static_cast<unsigned char*>(m_av.allocate(bufferSize));
        if (buffer == nullptr)
            return false;
        m_io = m_av.ioAllocContext(buffer, bufferSize, 0, &input, ReadPacket, nullptr, Seek);
        if (m_io == nullptr) {
            m_av.free(buffer);
            return false;
        }
        AVFormatContext* context = m_av.allocContext();
        if (context == nullptr)
            return false;
        context->pb = m_io;
        context->flags |= AVFMT_FLAG_CUSTOM_IO;
        // The demuxer is named rather than guessed from the bytes: every extension read is of the
        // QuickTime family, and no other demuxer gets to parse a damaged file. Opening frees the
        // context when it fails.
        if (m_av.openInput(&context, "", m_av.findInputFormat("mov"), nullptr) < 0)
            return false;
        m_context = context;
        return true;
    }

    const AVFormatContext& Context() const { return *m_context; }

private:
    const VideoTagReader::Library& m_av;
    AVIOContext* m_io = nullptr;
    AVFormatContext* m_context = nullptr;
};

// The first of the container's tags of those names that holds a text, as UTF-8 (QuickTime's older
// texts may be in a Mac or Windows character set).
std::string FirstTag(const VideoTagReader::Library& av, const AVDictionary* tags,
                     std::initializer_list<const char*> keys)
{
    for (const char* key : keys) {
        const AVDictionaryEntry* entry = av.dictGet(tags, key, nullptr, AV_DICT_MATCH_CASE);
        if (entry != nullptr && entry->value != nullptr && *entry->value != '\0')
            return Utf8FromUnstated(entry->value);
    }
    return {};
}

// The first video stream that is a picture sequence rather than a cover picture.
const AVStream* FirstVideo(const AVFormatContext& context)
{
    for (unsigned i = 0; i < context.nb_streams; ++i) {
        const AVStream* stream = context.streams[i];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0 && stream->codecpar->width > 0 &&
            stream->codecpar->height > 0)
            return stream;
    }
    return nullptr;
}

// Whether the stream is shown turned a quarter: a phone held upright stores its picture lying on
// its side, with a display matrix that turns it.
bool TurnedAQuarter(const VideoTagReader::Library& av, const AVStream& stream)
{
    std::size_t size = 0;
    const std::uint8_t* matrix = av.streamSideData(&stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (matrix == nullptr || size < 9 * sizeof(std::int32_t))
        return false;
    std::int32_t values[9];
    std::copy_n(matrix, sizeof values, reinterpret_cast<std::uint8_t*>(values));
    const double degrees = av.displayRotation(values);
    return std::isfinite(degrees) && std::abs(std::fmod(std::round(degrees / 90), 2.0)) == 1.0;
}

// A coordinate in the three rationals of Exif: whole degrees of 1e-7, no minutes, no seconds.
void PutCoordinate(PhotoTags& tags, Tag position, Tag reference, double degrees, const char* positive,
                   const char* negative)
{
    tags[position] = TagValue::Rationals({{std::llround(std::abs(degrees) * 1e7), 10'000'000}, {0, 1}, {0, 1}});
    tags[reference] = TagValue::Text(degrees < 0 ? negative : positive);
}

void PutPosition(PhotoTags& tags, const VideoPosition& position)
{
    PutCoordinate(tags, Tag::GPSLatitude, Tag::GPSLatitudeRef, position.latitude, "N", "S");
    PutCoordinate(tags, Tag::GPSLongitude, Tag::GPSLongitudeRef, position.longitude, "E", "W");
    if (position.altitude) {
        tags[Tag::GPSAltitude] = TagValue::Rationals({{std::llround(std::abs(*position.altitude) * 1000), 1000}});
        tags[Tag::GPSAltitudeRef] = TagValue::Integer(*position.altitude < 0 ? 1 : 0);
    }
}

// One signed number of an ISO 6709 text, taken off its front: the digits before its point count.
struct Number {
    bool negative = false;
    std::uint64_t whole = 0;
    std::size_t wholeDigits = 0;
    double fraction = 0;  // of one unit of the last whole digit
};

std::optional<Number> TakeNumber(std::string_view& text)
{
    if (text.empty() || (text.front() != '+' && text.front() != '-'))
        return std::nullopt;
    Number number;
    number.negative = text.front() == '-';
    std::size_t at = 1;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && number.wholeDigits < 12) {
        number.whole = number.whole * 10 + static_cast<std::uint64_t>(text[at] - '0');
        ++number.wholeDigits;
        ++at;
    }
    // More digits than any degrees, minutes and seconds or altitude take are no number.
    if (number.wholeDigits == 0 || (at < text.size() && text[at] >= '0' && text[at] <= '9'))
        return std::nullopt;
    if (at < text.size() && text[at] == '.') {
        const std::size_t start = at;
        ++at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9')
            ++at;
        // "0" and the point and digits: a fraction that from_chars reads without a sign.
        const std::string digits = "0" + std::string(text.substr(start, at - start));
        std::from_chars(digits.data(), digits.data() + digits.size(), number.fraction);
    }
    text.remove_prefix(at);
    return number;
}

// Degrees from degrees, degrees and minutes, or degrees, minutes and seconds, by the count of
// whole digits (`degreeDigits` at most for degrees alone: 2 for a latitude, 3 for a longitude).
std::optional<double> Degrees(const Number& number, std::size_t degreeDigits, double limit)
{
    double degrees = 0;
    if (number.wholeDigits <= degreeDigits) {
        degrees = static_cast<double>(number.whole) + number.fraction;
    } else if (number.wholeDigits == degreeDigits + 2) {
        const double minutes = static_cast<double>(number.whole % 100) + number.fraction;
        if (minutes >= 60)
            return std::nullopt;
        degrees = static_cast<double>(number.whole / 100) + minutes / 60;
    } else if (number.wholeDigits == degreeDigits + 4) {
        const std::uint64_t minutes = number.whole / 100 % 100;
        const double seconds = static_cast<double>(number.whole % 100) + number.fraction;
        if (minutes >= 60 || seconds >= 60)
            return std::nullopt;
        degrees = static_cast<double>(number.whole / 10000) + static_cast<double>(minutes) / 60 + seconds / 3600;
    } else {
        return std::nullopt;
    }
    if (degrees > limit)
        return std::nullopt;
    return number.negative ? -degrees : degrees;
}

// Two digits at `at` of a text known to hold them.
int TwoDigits(std::string_view text, std::size_t at)
{
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

// Whether the text starts with "YYYY-MM-DDTHH:MM:SS" (or a blank for the "T"), with a month, day,
// hour, minute and second that can be.
bool IsIsoDate(std::string_view text)
{
    static constexpr std::string_view pattern = "dddd-dd-ddTdd:dd:dd";
    if (text.size() < pattern.size())
        return false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = text[i];
        const bool fits = pattern[i] == 'd'   ? c >= '0' && c <= '9'
                          : pattern[i] == 'T' ? c == 'T' || c == ' '
                                              : c == pattern[i];
        if (!fits)
            return false;
    }
    const int month = TwoDigits(text, 5);
    const int day = TwoDigits(text, 8);
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && TwoDigits(text, 11) <= 23 &&
           TwoDigits(text, 14) <= 59 && TwoDigits(text, 17) <= 60;
}

}  // namespace

std::optional<VideoPosition> ParseIso6709(std::string_view text)
{
    const std::optional<Number> latitude = TakeNumber(text);
    const std::optional<Number> longitude = latitude ? TakeNumber(text) : std::nullopt;
    if (!longitude)
        return std::nullopt;
    VideoPosition position;
    const std::optional<double> latitudeDegrees = Degrees(*latitude, 2, 90);
    const std::optional<double> longitudeDegrees = Degrees(*longitude, 3, 180);
    if (!latitudeDegrees || !longitudeDegrees)
        return std::nullopt;
    position.latitude = *latitudeDegrees;
    position.longitude = *longitudeDegrees;
    if (const std::optional<Number> altitude = TakeNumber(text)) {
        const double metres = static_cast<double>(altitude->whole) + altitude->fraction;
        position.altitude = altitude->negative ? -metres : metres;
    }
    return position;
}

std::string WallClockDate(std::string_view text)
{
    if (!IsIsoDate(text))
        return {};
    std::string date(text.substr(0, 19));
    date[4] = date[7] = ':';
    date[10] = ' ';
    return date;
}

std::string LocalDateOfUtc(std::string_view text)
{
    if (!IsIsoDate(text))
        return {};
    // Only a fraction of a second and the "Z" of UTC may follow.
    std::string_view rest = text.substr(19);
    if (rest.starts_with('.')) {
        rest.remove_prefix(1);
        while (!rest.empty() && rest.front() >= '0' && rest.front() <= '9')
            rest.remove_prefix(1);
    }
    if (!rest.empty() && rest != "Z")
        return {};
    std::tm utc{};
    utc.tm_year = TwoDigits(text, 0) * 100 + TwoDigits(text, 2) - 1900;
    utc.tm_mon = TwoDigits(text, 5) - 1;
    utc.tm_mday = TwoDigits(text, 8);
    utc.tm_hour = TwoDigits(text, 11);
    utc.tm_min = TwoDigits(text, 14);
    utc.tm_sec = TwoDigits(text, 17);
    const std::time_t moment = ::timegm(&utc);
    std::tm local{};
    if (::localtime_r(&moment, &local) == nullptr)
        return {};
    char date[80];  // room for any numbers, though a four-digit year gives 19 characters
    std::snprintf(date, sizeof date, "%04d:%02d:%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return date;
}

VideoTagReader::VideoTagReader() = default;
VideoTagReader::~VideoTagReader() = default;

const VideoTagReader::Library* VideoTagReader::Loaded()
{
    // Tried once: a library that is not there will not be there for the next video either.
    if (!m_loadTried) {
        m_loadTried = true;
        auto library = std::make_unique<Library>(libraryName);
        if (library->library.Loaded() && library->Bind()) {
            // Its complaints about a damaged file are not the user's: the file's record says it.
            library->logSetLevel(AV_LOG_QUIET);
            m_library = std::move(library);
        }
    }
    return m_library.get();
}

TagReading VideoTagReader::ReadVideo(PhotoBytes& video)
{
    const Library* av = Loaded();
    if (av == nullptr)
        return {ReadOutcome::NotOpened, {}};
    // The movie box holds the headers. One that does not lie wholly inside the file is of a copy
    // cut short, whose headers followed its pictures: libavformat would read what is left of them
    // as if it were all, and lose the values cut off unsaid. What libavformat complains of while
    // it reads (a track's time scale, a box out of place) is not held against the video: it is
    // almost never what a column takes.
    const TiffFile::ReadAt read = video.Reader();
    const std::vector<IsoBox> top = IsoBoxes(read, 0, video.Size());
    const IsoBox* movie = FindIsoBox(top, "moov");
    if (movie == nullptr)
        return {ReadOutcome::NotOpened, {}};
    Input input{video, SampleTableCounts(read, *movie)};
    Container container(*av);
    if (!container.Open(input))
        return {ReadOutcome::NotOpened, {}};
    const AVFormatContext& context = container.Context();

    TagReading reading{ReadOutcome::Read, {}};
    PhotoTags& tags = reading.tags;
    if (const AVStream* stream = FirstVideo(context)) {
        const bool turned = TurnedAQuarter(*av, *stream);
        tags.width = turned ? stream->codecpar->height : stream->codecpar->width;
        tags.height = turned ? stream->codecpar->width : stream->codecpar->height;
    }
    // Apple's, then the older user data of QuickTime (cameras), then Android's.
    const AVDictionary* metadata = context.metadata;
    if (std::string make = FirstTag(*av, metadata, {"com.apple.quicktime.make", "make", "com.android.manufacturer"});
        !make.empty())
        tags[Tag::Make] = TagValue::Text(std::move(make));
    if (std::string model = FirstTag(*av, metadata, {"com.apple.quicktime.model", "model", "com.android.model"});
        !model.empty())
        tags[Tag::Model] = TagValue::Text(std::move(model));
    // A phone writes the moment as its own clock showed it; the container's creation time is UTC,
    // and is shown as the computer's clock showed it.
    std::string date = WallClockDate(FirstTag(*av, metadata, {"com.apple.quicktime.creationdate"}));
    if (date.empty())
        date = LocalDateOfUtc(FirstTag(*av, metadata, {"creation_time"}));
    if (!date.empty())
        tags[Tag::VideoDate] = TagValue::Text(std::move(date));
    if (const auto position =
            ParseIso6709(FirstTag(*av, metadata, {"com.apple.quicktime.location.ISO6709", "location"})))
        PutPosition(tags, *position);
    return reading;
}

TagReading VideoTagReader::Read(const std::string& path)
{
    // The same refusals as for any photo: no waiting on a pipe, and a reason for a file not read.
    const platform::FileForReading opened = platform::OpenRegularFileForReading(path);
    if (const auto refused = RefusalOf(opened.failure))
        return {*refused, {}};
    FileBytes video(opened.file.get(), opened.size, m_consumed);
    return ReadVideo(video);
}

TagReading VideoTagReader::ReadMemory(std::string_view file)
{
    MemoryBytes video(file, m_consumed);
    return ReadVideo(video);
}
