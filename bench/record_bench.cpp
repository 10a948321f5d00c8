// record-bench: what the main process spends per photo once the reader has answered -- decoding
// the reply, filling the value slots, composing the record of every column and emptying the slots --
// and the two formatting helpers that run for several columns of every record.
//
// The tags come from a canned source, not from FreeImage, so that these figures are about our own
// code only. The mix follows the benchmark library: camera and phone photos with full Exif, some
// with GPS, an edited one with IPTC and XP texts, a stripped one.

#include "extract/ColumnCatalogue.h"
#include "extract/DateFormat.h"
#include "extract/RecordComposer.h"
#include "metadata/PhotoValues.h"
#include "metadata/TagWire.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

TagValue T(std::string text)
{
    return TagValue::Text(std::move(text));
}

TagValue R(std::int64_t numerator, std::int64_t denominator)
{
    return TagValue::Rationals({{numerator, denominator}});
}

TagValue Dms(std::int64_t degrees, std::int64_t minutes, std::int64_t centiseconds)
{
    return TagValue::Rationals({{degrees, 1}, {minutes, 1}, {centiseconds, 100}});
}

PhotoTags CameraTags()
{
    PhotoTags tags;
    tags.width = 6000;
    tags.height = 4000;
    tags[Tag::DateTimeOriginal] = T("2021:05:02 10:11:12");
    tags[Tag::FNumber] = R(28, 10);
    tags[Tag::ExposureTime] = R(1, 1000);
    tags[Tag::ISOSpeed] = TagValue::Integer(100);
    tags[Tag::Make] = T("NIKON CORPORATION");
    tags[Tag::Model] = T("NIKON D750");
    tags[Tag::Flash] = TagValue::Integer(0);
    tags[Tag::FocalLength] = R(850, 10);
    tags[Tag::LensModel] = T("AF-S NIKKOR 85mm f/1.8G");
    tags[Tag::GPSLatitude] = Dms(46, 33, 2112);
    tags[Tag::GPSLatitudeRef] = T("N");
    tags[Tag::GPSLongitude] = Dms(7, 58, 3660);
    tags[Tag::GPSLongitudeRef] = T("E");
    tags[Tag::GPSAltitude] = R(20615, 10);
    tags[Tag::GPSTimeStamp] = Dms(8, 11, 1200);
    tags[Tag::GPSDateStamp] = T("2021:05:02");
    tags[Tag::Orientation] = TagValue::Integer(6);
    return tags;
}

PhotoTags PhoneTags()
{
    PhotoTags tags;
    tags.width = 4032;
    tags.height = 3024;
    tags[Tag::DateTimeOriginal] = T("2022:12:24 18:40:03");
    tags[Tag::FNumber] = R(16, 10);
    tags[Tag::ExposureTime] = R(1, 60);
    tags[Tag::ISOSpeed] = TagValue::Integer(640);
    tags[Tag::Make] = T("Apple");
    tags[Tag::Model] = T("iPhone 12");
    tags[Tag::Flash] = TagValue::Integer(16);
    tags[Tag::FocalLength] = R(42, 10);
    tags[Tag::LensModel] = T("iPhone 12 back dual wide camera 4.2mm f/1.6");
    tags[Tag::GPSLatitude] = Dms(51, 30, 2646);
    tags[Tag::GPSLatitudeRef] = T("N");
    tags[Tag::GPSLongitude] = Dms(0, 7, 3993);
    tags[Tag::GPSLongitudeRef] = T("W");
    tags[Tag::GPSAltitude] = R(213, 10);
    tags[Tag::GPSTimeStamp] = Dms(18, 40, 200);
    tags[Tag::GPSDateStamp] = T("2022:12:24");
    tags[Tag::GPSImgDirection] = R(18724, 100);
    tags[Tag::Orientation] = TagValue::Integer(1);
    return tags;
}

PhotoTags EditedTags()
{
    PhotoTags tags;
    tags.width = 1920;
    tags.height = 1280;
    tags[Tag::DateTimeOriginal] = T("2020:06:30 12:00:01");
    tags[Tag::FNumber] = R(4, 1);
    tags[Tag::ExposureTime] = R(1, 125);
    tags[Tag::ISOSpeed] = TagValue::Integer(400);
    tags[Tag::Make] = T("FUJIFILM");
    tags[Tag::Model] = T("X-T3");
    tags[Tag::FocalLength] = R(23, 1);
    tags[Tag::SubjectDistance] = R(7, 2);
    tags[Tag::LensModel] = T("XF23mmF2 R WR");
    tags[Tag::Comment] = T("Exported for the web gallery");
    tags[Tag::Headline] = T("Harbour at noon");
    tags[Tag::Caption] = T("Fishing boats in the old harbour, \"Le Vieux Port\"");
    tags[Tag::Keywords] = T("harbour;boats;summer;Marseille, France");
    tags[Tag::XPKeywords] = T("harbour;boats;summer");
    tags[Tag::XPTitle] = T("Harbour at noon");
    tags[Tag::XPAuthor] = T("Anna Müller");
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

const std::vector<Column>& allColumns = ColumnCatalogue();

// The whole main-process share of one photo, as the extraction loop does it.
void BM_PhotoRecord(benchmark::State& state)
{
    const PhotoFile file;
    CannedTagSource source;
    PhotoValues reader(source);
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

// Record alone, slots already filled: every column's value operation and the quoting.
void BM_RecordOnly(benchmark::State& state)
{
    const PhotoFile file;
    CannedTagSource source;
    PhotoValues reader(source);
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
    PhotoValues reader(source);
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
    const GpsCoordinate coordinates[] = {{46.0, 33.0, 21.12, "N"}, {0.0, 7.0, 39.93, "W"}};
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
