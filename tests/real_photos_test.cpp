// The batch command with its real reader processes: every column, and every point of the map,
// agrees with what exiftool reads from the same photos (the generated ones, and the real camera
// photos of ../shared/photos when they are there), the values real cameras write in their own
// ways come out right, and a photo that crashes FreeImage costs only its own metadata.

#include "support/Csv.h"
#include "support/Program.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>

namespace {

const std::filesystem::path photos = FH_TEST_PHOTOS;
const std::filesystem::path cameraPhotos = SHARED_PHOTOS;
// The computer's time zone for the program and exiftool alike, whatever the machine's: a video's
// UTC time is shown in it. One with summer time, so that a time is turned by its own day's offset.
const QString zone = "CET-1CEST,M3.5.0,M10.5.0/3";

// A folder of copies of the test photos, each under the name it is given.
void CopyPhotos(const TempFolder& folder, const std::vector<std::pair<std::string, std::string>>& copies)
{
    for (const auto& [source, name] : copies)
        std::filesystem::copy_file(photos / source, folder.Path() / name, std::filesystem::copy_options::skip_existing);
}

using Records = std::map<std::string, std::vector<std::string>>;

struct Harvest {
    Records records;                        // every column of every photo, by its full path
    std::map<std::string, QJsonArray> map;  // the map's point of every photo placed on it
};

// Every column of every photo under `folder`, and the map of their positions. The run must end
// with `exitCode` (3 when some photos cannot be read).
Harvest AllColumns(const std::filesystem::path& folder)
{
    TempFolder output;
    Program cli(BATCH_COMMAND_PATH);
    cli.environment.insert("TZ", zone);
    const Outcome outcome = cli.Run({"--subfolders", "--full-path", "--columns", "all", "--formats", "all-with-video",
                                     "--output", Q(output.Path() / "all.csv"), "--separator", ",", "--geojson",
                                     Q(output.Path() / "map.geojson"), Q(folder)});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    Harvest harvest;
    for (auto& row : ParseCsv(output.Read("all.csv")))
        harvest.records[row.front()] = row;
    QJsonParseError error{};
    const QJsonObject map =
        QJsonDocument::fromJson(QByteArray::fromStdString(output.Read("map.geojson")), &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_EQ(map["type"].toString(), "FeatureCollection");
    for (const QJsonValue& feature : map["features"].toArray()) {
        EXPECT_EQ(feature["type"].toString(), "Feature");
        EXPECT_EQ(feature["geometry"]["type"].toString(), "Point");
        harvest.map[feature["properties"]["Filename"].toString().toStdString()] =
            feature["geometry"]["coordinates"].toArray();
    }
    return harvest;
}

// exiftool's reading of every photo under `folder`, numbers as numbers, keys as "Group:Tag",
// the UTC times of videos in the computer's time zone.
std::map<std::string, QJsonObject> ExiftoolReadings(const std::filesystem::path& folder)
{
    QProcess exiftool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TZ", zone);
    exiftool.setProcessEnvironment(environment);
    QStringList arguments{"-j", "-n", "-a", "-G1", "-r", "-api", "QuickTimeUTC"};
    for (const char* extension :
         {"jpg", "jpeg", "tif", "tiff", "heic", "png", "webp", "dng", "nef", "mp4", "mov", "m4v", "3gp"})
        arguments << "-ext" << extension;
    exiftool.start("exiftool", arguments << Q(folder));
    exiftool.waitForFinished(300000);
    std::map<std::string, QJsonObject> readings;
    for (const QJsonValue& value : QJsonDocument::fromJson(exiftool.readAllStandardOutput()).array())
        readings[value["SourceFile"].toString().toStdString()] = value.toObject();
    return readings;
}

// A value as text; the parts of a list separated by ";", as the program writes them.
std::string Str(const QJsonValue& value)
{
    QStringList parts;
    for (const QJsonValue& part : value.isArray() ? value.toArray() : QJsonArray{value})
        parts << (part.isDouble() ? QString::number(part.toDouble(), 'g', 17) : part.toString());
    return parts.join(';').toStdString();
}

// The first of the keys that exiftool gives a value for.
std::string First(const QJsonObject& exif, std::initializer_list<const char*> keys)
{
    for (const char* key : keys)
        if (const std::string value = Str(exif[key]); !value.empty())
            return value;
    return {};
}

std::string TrimmedBlanks(const std::string& text)
{
    return QString::fromStdString(text).trimmed().toStdString();
}

std::optional<double> Number(const QJsonObject& exif, const char* key)
{
    const QJsonValue value = exif[key];
    if (value.isDouble())
        return value.toDouble();
    if (value.isString()) {
        bool ok = false;
        const double number = value.toString().section(' ', 0, 0).toDouble(&ok);
        if (ok)
            return number;
    }
    return std::nullopt;
}

// The seconds of a day that "h:m:s" gives.
double DaySeconds(const std::string& text)
{
    const QStringList parts = QString::fromStdString(text).split(':');
    return parts.size() == 3 ? parts[0].toDouble() * 3600 + parts[1].toDouble() * 60 + parts[2].toDouble() : -1;
}

// Compares the record of one photo with exiftool's reading of it, by meaning: "1/160 sec" with
// 0.00625, "F7.1" with 7.1, our six-decimal degrees (a 32-bit float's precision) with exiftool's.
void ExpectAgreement(const std::vector<std::string>& fields, const QJsonObject& exif)
{
    ASSERT_EQ(fields.size(), 30u);
    const auto column = [&](int c) { return fields[c + 1]; };

    // The Exif dates, else the XMP ones (without their time zone), else a video's own local time,
    // else its container's UTC time in the computer's zone, else the file's creation time, which
    // exiftool does not give. A container's time of 0 is none; exiftool gives it as 1904-01-01.
    std::string date = First(exif, {"ExifIFD:DateTimeOriginal", "IFD0:ModifyDate", "XMP-exif:DateTimeOriginal",
                                    "XMP-xmp:CreateDate", "Keys:CreationDate"});
    if (const std::string container = Str(exif["QuickTime:CreateDate"]); date.empty() && container >= "1904:01:02")
        date = container;
    date = date.substr(0, 19);
    if (!date.empty()) {
        EXPECT_EQ(column(2), date) << "date and time";
        EXPECT_EQ(column(0) + " " + column(1), date) << "date, time";
    }
    // A photo's Exif; a video's Apple keys, QuickTime user data, Android keys.
    const std::string make =
        TrimmedBlanks(First(exif, {"IFD0:Make", "Keys:Make", "UserData:Make", "Keys:AndroidManufacturer"}));
    const std::string model =
        TrimmedBlanks(First(exif, {"IFD0:Model", "Keys:Model", "UserData:Model", "Keys:AndroidModel"}));
    EXPECT_EQ(TrimmedBlanks(column(4)), make) << "make";
    EXPECT_EQ(TrimmedBlanks(column(5)), model) << "model";
    EXPECT_EQ(column(3), column(4) + " " + column(5)) << "make and model";
    EXPECT_EQ(column(6), exif.contains("ExifIFD:LensModel") ? Str(exif["ExifIFD:LensModel"]) : "Unknown") << "lens";

    const QStringList size = exif["Composite:ImageSize"].toString().split(' ');
    int width = size.value(0).toInt();
    int height = size.value(1).toInt();
    // A photo turned by its orientation, a video by its rotation.
    const int orientation = exif["IFD0:Orientation"].toInt();
    if ((orientation >= 5 && orientation <= 8) || exif["Composite:Rotation"].toInt() % 180 == 90)
        std::swap(width, height);
    EXPECT_EQ(column(7), std::to_string(width) + "x" + std::to_string(height)) << "dimensions";
    EXPECT_EQ(column(8), Str(exif["System:FileSize"])) << "file size";

    if (const auto seconds = Number(exif, "ExifIFD:ExposureTime"); seconds && *seconds > 0) {
        const std::string text = column(9);
        ASSERT_TRUE(text.ends_with(" sec")) << text;
        if (text.starts_with("1/"))  // the nearest 1/N, or the stored one
            EXPECT_LE(std::abs(std::stod(text.substr(2)) - 1 / *seconds), 0.5 + 1e-9) << text;
        else
            EXPECT_NEAR(std::stod(text), *seconds, 0.05 + 1e-9) << text;
    } else {
        EXPECT_EQ(column(9), "") << "exposure";
    }
    EXPECT_EQ(column(11), exif.contains("ExifIFD:ISO")
                              ? Str(exif["ExifIFD:ISO"]).substr(0, Str(exif["ExifIFD:ISO"]).find(' '))
                              : "")
        << "ISO";
    if (exif.contains("ExifIFD:Flash")) {
        const int flash = exif["ExifIFD:Flash"].toInt();
        const std::string text = column(12);
        const bool fired = text.starts_with("Flash fired") || text.starts_with("Strobe");
        if (text.starts_with("Unknown"))
            EXPECT_EQ(text, "Unknown (" + std::to_string(flash) + ")");
        else
            EXPECT_EQ(fired, (flash & 1) != 0) << text << " for " << flash;
    } else {
        EXPECT_EQ(column(12), "") << "flash";
    }
    EXPECT_EQ(column(15), Str(exif["File:Comment"])) << "comment";

    // Numbers, within the precision each column is written with; empty when unknown or zero.
    const std::tuple<int, const char*, double> numbers[] = {
        {10, "ExifIFD:FNumber", 0.05},        {13, "ExifIFD:SubjectDistance", 0.0005},
        {14, "ExifIFD:FocalLength", 0.05},    {16, "Composite:GPSLatitude", 2e-6},
        {17, "Composite:GPSLongitude", 2e-6}, {18, "Composite:GPSAltitude", 0.006}};
    for (const auto& [c, key, tolerance] : numbers) {
        auto theirs = Number(exif, key);
        // A video's altitude below sea level comes as its size and a reference of 1.
        if (theirs && c == 18 && exif["Composite:GPSAltitudeRef"].toInt() == 1)
            *theirs = -std::abs(*theirs);
        const std::string ours = column(c).starts_with('F') ? column(c).substr(1) : column(c);
        if (theirs && std::isinf(*theirs))
            EXPECT_EQ(ours, "Infinity") << key;
        else if (theirs && std::abs(*theirs) > 0.01)
            EXPECT_NEAR(ours.empty() ? NAN : std::stod(ours), *theirs, tolerance + 2e-7 * std::abs(*theirs)) << key;
        else
            EXPECT_EQ(ours, "") << key;
    }
    const std::string gpsDate = Str(exif["GPS:GPSDateStamp"]);
    const std::string gpsTime = Str(exif["GPS:GPSTimeStamp"]);
    const std::string ours = column(19);
    EXPECT_EQ(ours.substr(0, ours.find(' ')), gpsDate) << "GPS date";
    if (gpsTime.empty())
        EXPECT_EQ(ours.substr(ours.find(' ') + 1), "") << "GPS time";
    else
        EXPECT_NEAR(DaySeconds(ours.substr(ours.find(' ') + 1)), DaySeconds(gpsTime), 0.006) << "GPS time";
    if (const auto direction = Number(exif, "GPS:GPSImgDirection"))
        EXPECT_EQ(column(20), std::to_string(static_cast<long long>(*direction))) << "direction";
    else
        EXPECT_EQ(column(20), "") << "direction";

    EXPECT_EQ(column(21), First(exif, {"IPTC:Headline", "XMP-photoshop:Headline"})) << "headline";
    EXPECT_EQ(column(22), First(exif, {"IPTC:Caption-Abstract", "XMP-dc:Description"})) << "caption";
    EXPECT_EQ(column(23), First(exif, {"IPTC:Keywords", "XMP-dc:Subject"})) << "keywords";
    const std::pair<const char*, int> xp[] = {{"IFD0:XPKeywords", 24},
                                              {"IFD0:XPComment", 25},
                                              {"IFD0:XPAuthor", 26},
                                              {"IFD0:XPTitle", 27},
                                              {"IFD0:XPSubject", 28}};
    for (const auto& [key, c] : xp) {
        // exiftool 12.57 reads a character beyond U+FFFF in an XP text as question marks.
        const std::string theirs = Str(exif[key]);
        const bool ascii = std::ranges::all_of(column(c), [](unsigned char byte) { return byte < 0x80; });
        if (theirs.find('?') == std::string::npos || ascii) {
            EXPECT_EQ(column(c), theirs) << key;
        }
    }
}

// A photo with a position is a point of the map at the position of its columns, longitude first
// (RFC 7946), with the altitude as its third coordinate when known; a photo without one is left out.
void ExpectOnTheMap(const std::map<std::string, QJsonArray>& map, const std::vector<std::string>& fields)
{
    const auto column = [&](int c) { return fields[c + 1]; };
    std::vector<double> expected;
    if (!column(16).empty() && !column(17).empty()) {
        expected = {std::stod(column(17)), std::stod(column(16))};
        if (!column(18).empty())
            expected.push_back(std::stod(column(18)));
    }
    std::vector<double> point;
    if (const auto found = map.find(fields.front()); found != map.end())
        for (const QJsonValue& number : found->second)
            point.push_back(number.toDouble());
    EXPECT_EQ(point, expected) << "map";
}

void ExpectEveryPhotoAgrees(const std::filesystem::path& folder)
{
    const Harvest harvest = AllColumns(folder);
    const auto readings = ExiftoolReadings(folder);
    ASSERT_FALSE(readings.empty());
    for (const auto& [path, exif] : readings) {
        SCOPED_TRACE(path);
        const auto record = harvest.records.find(path);
        ASSERT_NE(record, harvest.records.end());
        ExpectAgreement(record->second, exif);
        ExpectOnTheMap(harvest.map, record->second);
    }
}

}  // namespace

TEST(RealPhotos, GeneratedPhotosAgreeWithExiftool)
{
    // The photos and videos whose tags are well-formed, in every format; damaged ones are for the
    // tests of damage, and the photos with Windows-1252 texts for the table below (exiftool reads
    // those bytes as they are). FreeImage cannot open png-named.jpg and tiff-mm-odd-bits.tif;
    // libexiv2 reads them, and the run counts nothing unread.
    TempFolder folder;
    for (const char* name : {"camera-full.jpg",
                             "gps-south-west.jpg",
                             "date-both.jpg",
                             "date-modified-only.jpg",
                             "date-none.jpg",
                             "orientation-1.jpg",
                             "orientation-3.jpg",
                             "orientation-6.jpg",
                             "orientation-8.jpg",
                             "tagged.tif",
                             "no-metadata.jpg",
                             "with-thumbnail.jpg",
                             "iso-32.jpg",
                             "exposure-unreduced.jpg",
                             "distance-unknown.jpg",
                             "gps-signed.jpg",
                             "long-texts.jpg",
                             "iptc-utf8.jpg",
                             "iptc-latin1-named.jpg",
                             "tiff-ii.tif",
                             "tiff-mm.tif",
                             "format.heic",
                             "format.png",
                             "format.webp",
                             "format.dng",
                             "format.nef",
                             "raw-preview.nef",
                             "xmp-only.jpg",
                             "png-named.jpg",
                             "tiff-mm-odd-bits.tif",
                             "video-upright.mov",
                             "video-utc-only.3gp",
                             "video-android.mp4",
                             "video-camera.m4v"})
        CopyPhotos(folder, {{name, name}});
    ExpectEveryPhotoAgrees(folder.Path());
}

TEST(RealPhotos, CameraPhotosAgreeWithExiftool)
{
    if (!std::filesystem::is_directory(cameraPhotos))
        GTEST_SKIP() << "no real camera photos at " << cameraPhotos << " (see the README)";
    ExpectEveryPhotoAgrees(std::filesystem::canonical(cameraPhotos));
}

// A real big-endian TIFF, tagged and then damaged so that FreeImage refuses it (it has no image
// type for 3-bit samples): libexiv2 reads it, with every value, and the run counts nothing unread.
TEST(RealPhotos, ADamagedRealBigEndianTiffIsReadByTheSecondLibrary)
{
    if (!std::filesystem::is_directory(cameraPhotos))
        GTEST_SKIP() << "no real camera photos at " << cameraPhotos << " (see the README)";
    TempFolder folder;
    const std::filesystem::path damaged = folder.Path() / "damaged.tiff";
    std::filesystem::copy_file(cameraPhotos / "tiff" / "Jobagent.tiff", damaged);
    ASSERT_EQ(QProcess::execute("exiftool", {"-q", "-overwrite_original", "-Make=Scanner", "-Model=S 1",
                                             "-DateTimeOriginal=2001:02:03 04:05:06", "-IPTC:Headline=scanned",
                                             "-BitsPerSample=3 3 3 3", Q(damaged)}),
              0);
    ExpectEveryPhotoAgrees(folder.Path());
}

// Texts of unstated encoding that are not UTF-8 are read as Windows-1252, where exiftool gives
// their bytes as they are.
TEST(RealPhotos, TextsInWindows1252ComeOutAsUtf8)
{
    TempFolder folder;
    CopyPhotos(folder, {{"latin1.jpg", "latin1.jpg"}});
    const std::vector<std::string> columns = AllColumns(folder.Path()).records.at(folder.Text() + "latin1.jpg");
    EXPECT_EQ(columns.at(21 + 1), "Crème brûlée");
    EXPECT_EQ(columns.at(23 + 1), "café;thé");
    EXPECT_EQ(columns.at(15 + 1), "Crème €uro");
    EXPECT_EQ(columns.at(4 + 1), "Société");
}

// One photo for each distinct crash inside FreeImage that fuzzing and the mutation run found
// (docs/hostile-input.md), between good ones, and one crash twice, so that both a fresh reader
// and the replacement of a crashed one meet one. FreeImage never sees a TIFF's IPTC block, and
// the reader's own reading of it stops at a dataset that claims more than the block holds.
TEST(RealPhotos, EveryKnownWayOfBreakingFreeImageCostsOnlyThatPhoto)
{
    TempFolder folder;
    CopyPhotos(folder, {{"camera-full.jpg", "a.jpg"},
                        {"crash-ifd-count.jpg", "b.jpg"},
                        {"gps-south-west.jpg", "c.jpg"},
                        {"crash-ifd-count.jpg", "d.jpg"},
                        {"crash-ifd-count-ii.jpg", "e.jpg"},
                        {"crash-iptc-length.tif", "f.tif"},
                        {"tagged.tif", "g.tif"}});
    for (const char* readers : {"1", "2"}) {
        SCOPED_TRACE(std::string("readers: ") + readers);
        const Outcome outcome = Program(BATCH_COMMAND_PATH)
                                    .Run({"--folder", Q(folder.Path()), "--output", Q(folder.Path() / "out.txt"),
                                          "--columns", "4,7,21", "--separator", "|", "--readers", readers});
        EXPECT_EQ(outcome.exitCode, 3);
        const std::string root = "fotoharvester-cli: " + folder.Text();
        EXPECT_EQ(outcome.err, root + "b.jpg: crashed the reader\n" + root + "d.jpg: crashed the reader\n" + root +
                                   "e.jpg: crashed the reader\nfotoharvester-cli: 7 records written to " +
                                   folder.Text() +
                                   "out.txt\nfotoharvester-cli: 3 photos could not be read; their "
                                   "records hold no metadata\n");
        EXPECT_EQ(folder.Read("out.txt"), "\"a.jpg\"|Canon|6x8|\"  Paris headline \"\n"
                                          "\"b.jpg\"||0x0|\"\"\n"
                                          "\"c.jpg\"||8x6|\"\"\n"
                                          "\"d.jpg\"||0x0|\"\"\n"
                                          "\"e.jpg\"||0x0|\"\"\n"
                                          "\"f.tif\"|Overrun|8x6|\"\"\n"
                                          "\"g.tif\"|Nikon|8x6|\"tiff headline\"\n");
    }
}

// A video cut short costs only itself: the run names it and goes on with the next. A damage in
// what the reader does not read (a track's table of sample sizes) costs nothing, and one that
// libavformat does not notice still gives the video its record. Videos are read without being
// asked for: a new settings store starts with photos and videos.
TEST(RealPhotos, ADamagedVideoCostsOnlyThatVideo)
{
    TempFolder folder;
    CopyPhotos(folder, {{"video-upright.mov", "a.mov"},
                        {"video-truncated.mp4", "b.mp4"},
                        {"video-android.mp4", "c.mp4"},
                        {"video-broken-track.mov", "d.mov"},
                        {"video-flipped.mov", "e.mov"}});
    const Outcome outcome = Program(BATCH_COMMAND_PATH)
                                .Run({"--folder", Q(folder.Path()), "--output", Q(folder.Path() / "out.txt"),
                                      "--columns", "4,7", "--separator", "|"});
    EXPECT_EQ(outcome.exitCode, 3);
    EXPECT_EQ(outcome.err, "fotoharvester-cli: " + folder.Text() +
                               "b.mp4: not a photo, or damaged\nfotoharvester-cli: 5 records written to " +
                               folder.Text() +
                               "out.txt\nfotoharvester-cli: 1 photo could not be read; its record holds no metadata\n");
    const std::string records = folder.Read("out.txt");
    EXPECT_TRUE(records.starts_with("\"a.mov\"|Apple|48x64\n\"b.mp4\"||0x0\n\"c.mp4\"|Google|64x48\n"
                                    "\"d.mov\"|Apple|48x64\n\"e.mov\"|"))
        << records;
}
