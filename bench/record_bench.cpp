// record-bench: what the main process spends per photo once the reader has answered -- decoding
// the reply, filling the value slots, composing the 29-column record and emptying the slots --
// and the two formatting helpers that run for several columns of every record.
//
// The tags come from a canned source, not from FreeImage, so that these figures are about our own
// code only. The mix follows the benchmark library: camera and phone photos with full Exif, some
// with GPS, an edited one with IPTC and XP texts, a stripped one.

#include "extract/ColumnCatalogue.h"
#include "extract/DateFormat.h"
#include "extract/RecordComposer.h"
#include "metadata/CFotoHarvest.h"
#include "metadata/TagWire.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

PhotoTags CameraTags()
{
    PhotoTags tags;
    tags.width = 6000;
    tags.height = 4000;
    tags.dateTime = "2021:05:02 10:11:12";
    tags.fNumber = "F2.8";
    tags.exposureTime = "1/1000 sec";
    tags.isoSpeed = "100";
    tags.make = "NIKON CORPORATION";
    tags.model = "NIKON D750";
    tags.flash = "Flash did not fire";
    tags.focalLength = "85.0 mm";
    tags.lensModel = "AF-S NIKKOR 85mm f/1.8G";
    tags.latitude = {46.0f, 33.0f, 21.12f, "N"};
    tags.longitude = {7.0f, 58.0f, 36.6f, "E"};
    tags.gpsAltitude = "2061.500000";
    tags.gpsTimeStamp = "8:11:12.00";
    tags.gpsDateStamp = "2021:05:02";
    tags.orientation = "6";
    return tags;
}

PhotoTags PhoneTags()
{
    PhotoTags tags;
    tags.width = 4032;
    tags.height = 3024;
    tags.dateTime = "2022:12:24 18:40:03";
    tags.fNumber = "F1.6";
    tags.exposureTime = "1/60 sec";
    tags.isoSpeed = "640";
    tags.make = "Apple";
    tags.model = "iPhone 12";
    tags.flash = "Flash did not fire, compulsory flash mode";
    tags.focalLength = "4.2 mm";
    tags.lensModel = "iPhone 12 back dual wide camera 4.2mm f/1.6";
    tags.latitude = {51.0f, 30.0f, 26.46f, "N"};
    tags.longitude = {0.0f, 7.0f, 39.93f, "W"};
    tags.gpsAltitude = "21.300000";
    tags.gpsTimeStamp = "18:40:2.00";
    tags.gpsDateStamp = "2022:12:24";
    tags.gpsImgDirection = "187.240000";
    tags.orientation = "1";
    return tags;
}

PhotoTags EditedTags()
{
    PhotoTags tags;
    tags.width = 1920;
    tags.height = 1280;
    tags.dateTime = "2020:06:30 12:00:01";
    tags.fNumber = "F4.0";
    tags.exposureTime = "1/125 sec";
    tags.isoSpeed = "400";
    tags.make = "FUJIFILM";
    tags.model = "X-T3";
    tags.focalLength = "23.0 mm";
    tags.subjectDistance = "3.500 meters";
    tags.lensModel = "XF23mmF2 R WR";
    tags.comment = "Exported for the web gallery";
    tags.headline = "Harbour at noon";
    tags.caption = "Fishing boats in the old harbour, \"Le Vieux Port\"";
    tags.keywords = "harbour;boats;summer;Marseille, France";
    tags.xpKeywords = "harbour;boats;summer";
    tags.xpTitle = "Harbour at noon";
    tags.xpAuthor = "Anna Müller";
    return tags;
}

PhotoTags StrippedTags()
{
    PhotoTags tags;
    tags.width = 1200;
    tags.height = 800;
    return tags;
}

// Answers each Read with the next tags of the mix, as the reader pool would after decoding.
class CannedTagSource : public TagSource {
public:
    CannedTagSource()
    {
        const PhotoTags camera = CameraTags();
        const PhotoTags phone = PhoneTags();
        // Roughly the library's proportions: mostly camera and phone photos.
        m_mix = {camera, phone, camera, phone, EditedTags(), camera, phone, StrippedTags()};
    }

    TagReading Read(const std::string&) override
    {
        TagReading reading{ReadOutcome::Read, m_mix[m_next]};
        m_next = (m_next + 1) % m_mix.size();
        return reading;
    }

    const std::vector<PhotoTags>& Mix() const { return m_mix; }

private:
    std::vector<PhotoTags> m_mix;
    std::size_t m_next = 0;
};

// ReadImage asks the file system for the photo's size and date, so the benchmark needs a real file.
class PhotoFile {
public:
    PhotoFile() : m_path((std::filesystem::temp_directory_path() / "record-bench-photo.jpg").string())
    {
        std::ofstream(m_path, std::ios::binary) << std::string(4096, 'x');
    }
    ~PhotoFile() { std::remove(m_path.c_str()); }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

DateLayout Layout(int dateFormat)
{
    DateLayout layout;
    layout.dateFormat = dateFormat;
    layout.monthNames = {"January", "February", "March",     "April",   "May",      "June",
                         "July",    "August",   "September", "October", "November", "December"};
    return layout;
}

const ColumnSelection allColumns = ColumnSelection().set();

// The whole main-process share of one photo, as the extraction loop does it.
void BM_PhotoRecord(benchmark::State& state)
{
    const PhotoFile file;
    CannedTagSource source;
    CFotoHarvest reader(source);
    const RecordComposer composer(",", Layout(static_cast<int>(state.range(0))));
    std::size_t bytes = 0;
    for (auto _ : state) {
        reader.ReadImage(file.Path());
        const auto record = composer.Record("IMG_004711.jpg", allColumns, reader);
        reader.ClearValues();
        bytes += record ? record->size() : 0;
        benchmark::DoNotOptimize(record);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_PhotoRecord)->Arg(0)->Arg(1)->ArgName("date_format");

// Record alone, slots already filled: the 29 value operations and the quoting.
void BM_RecordOnly(benchmark::State& state)
{
    const PhotoFile file;
    CannedTagSource source;
    CFotoHarvest reader(source);
    const RecordComposer composer(",", Layout(0));
    reader.ReadImage(file.Path());
    for (auto _ : state) {
        auto record = composer.Record("IMG_004711.jpg", allColumns, reader);
        benchmark::DoNotOptimize(record);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordOnly);

// ReadImage alone: the file status call and the moves into the slots.
void BM_ReadImageAndClear(benchmark::State& state)
{
    const PhotoFile file;
    CannedTagSource source;
    CFotoHarvest reader(source);
    for (auto _ : state) {
        reader.ReadImage(file.Path());
        reader.ClearValues();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadImageAndClear);

// The reply of a reader process turned back into tags, once per photo in the main process.
void BM_DecodeReply(benchmark::State& state)
{
    const CannedTagSource source;
    std::vector<std::string> payloads;
    for (const PhotoTags& tags : source.Mix())
        payloads.push_back(tagwire::EncodeReading(TagReading{ReadOutcome::Read, tags}));
    std::size_t next = 0;
    for (auto _ : state) {
        auto reading = tagwire::DecodeReading(payloads[next]);
        benchmark::DoNotOptimize(reading);
        next = (next + 1) % payloads.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeReply);

void BM_FormatDate(benchmark::State& state)
{
    const DateLayout layout = Layout(static_cast<int>(state.range(0)));
    const std::string date = "2021:05:02 10:11:12";
    for (auto _ : state) {
        auto text = FormatDate(date, layout.dateFormat, layout.monthNames);
        benchmark::DoNotOptimize(text);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatDate)->Arg(0)->Arg(1)->Arg(3)->ArgName("date_format");

void BM_FormatDecimalDegrees(benchmark::State& state)
{
    const GpsCoordinate coordinates[] = {{46.0f, 33.0f, 21.12f, "N"}, {0.0f, 7.0f, 39.93f, "W"}};
    std::size_t next = 0;
    for (auto _ : state) {
        auto text = FormatDecimalDegrees(coordinates[next]);
        benchmark::DoNotOptimize(text);
        next ^= 1;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatDecimalDegrees);

}  // namespace

BENCHMARK_MAIN();
