// The batch command with its real reader processes: every column agrees with what exiftool reads
// from the same photos (the generated ones, and the real camera photos of ../shared/photos when
// they are there), the values real cameras write in their own ways come out right, and a photo
// that crashes FreeImage costs only its own metadata.

#include "support/Csv.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>

namespace {

const std::filesystem::path photos = FH_TEST_PHOTOS;
const std::filesystem::path cameraPhotos = SHARED_PHOTOS;

struct Outcome {
    int exitCode = -1;
    std::string err;
};

Outcome RunBatch(const TempFolder& config, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString(config.Path().string()));
    environment.remove("FOTOHARVESTER_READER");
    process.setProcessEnvironment(environment);
    process.start(QString::fromUtf8(BATCH_COMMAND_PATH), arguments);
    process.waitForFinished(300000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardError().toStdString()};
}

QString Q(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

using Records = std::map<std::string, std::vector<std::string>>;

// Every column of every photo under `folder`, by the photo's full path. The run must end with
// `exitCode` (3 when some photos cannot be read).
Records AllColumns(const std::filesystem::path& folder, int exitCode = 0)
{
    TempFolder config;
    TempFolder output;
    const Outcome outcome = RunBatch(config, {"--folder", Q(folder), "--subfolders", "--full-path", "--columns", "all",
                                              "--formats", "all", "--output", Q(output.Path() / "all.csv"),
                                              "--separator", ","});
    EXPECT_EQ(outcome.exitCode, exitCode) << outcome.err;
    Records records;
    for (auto& row : ParseCsv(output.Read("all.csv")))
        records[row.front()] = row;
    return records;
}

// exiftool's reading of every photo under `folder`, numbers as numbers, keys as "Group:Tag".
std::map<std::string, QJsonObject> ExiftoolReadings(const std::filesystem::path& folder)
{
    QProcess exiftool;
    QStringList arguments{"-j", "-n", "-a", "-G1", "-r"};
    for (const char* extension : {"jpg", "jpeg", "tif", "tiff", "heic", "png", "webp", "dng", "nef"})
        arguments << "-ext" << extension;
    exiftool.start("exiftool", arguments << Q(folder));
    exiftool.waitForFinished(300000);
    std::map<std::string, QJsonObject> readings;
    for (const QJsonValue& value : QJsonDocument::fromJson(exiftool.readAllStandardOutput()).array())
        readings[value["SourceFile"].toString().toStdString()] = value.toObject();
    return readings;
}

std::string Str(const QJsonValue& value)
{
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 17).toStdString();
    if (value.isArray()) {
        QStringList parts;
        for (const QJsonValue& part : value.toArray())
            parts << (part.isDouble() ? QString::number(part.toDouble(), 'g', 17) : part.toString());
        return parts.join(';').toStdString();
    }
    return value.toString().toStdString();
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
    const auto first = text.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(" \t") - first + 1);
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

bool IsAsciiOnly(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
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

    // The Exif dates, else the XMP ones (without their time zone), else the file's creation time,
    // which exiftool does not give.
    std::string date = First(exif, {"ExifIFD:DateTimeOriginal", "IFD0:ModifyDate", "XMP-exif:DateTimeOriginal",
                                    "XMP-xmp:CreateDate"});
    date = date.substr(0, 19);
    if (!date.empty()) {
        EXPECT_EQ(column(2), date) << "date and time";
        EXPECT_EQ(column(0) + " " + column(1), date) << "date, time";
    }
    const std::string make = TrimmedBlanks(Str(exif["IFD0:Make"]));
    const std::string model = TrimmedBlanks(Str(exif["IFD0:Model"]));
    EXPECT_EQ(TrimmedBlanks(column(4)), make) << "make";
    EXPECT_EQ(TrimmedBlanks(column(5)), model) << "model";
    EXPECT_EQ(column(3), column(4) + " " + column(5)) << "make and model";
    EXPECT_EQ(column(6), exif.contains("ExifIFD:LensModel") ? Str(exif["ExifIFD:LensModel"]) : "Unknown") << "lens";

    const QStringList size = exif["Composite:ImageSize"].toString().split(' ');
    int width = size.value(0).toInt();
    int height = size.value(1).toInt();
    const int orientation = exif["IFD0:Orientation"].toInt();
    if (orientation >= 5 && orientation <= 8)
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
    if (const auto f = Number(exif, "ExifIFD:FNumber"))
        EXPECT_NEAR(std::stod(column(10).substr(1)), *f, 0.05 + 1e-9) << column(10);
    else
        EXPECT_EQ(column(10), "") << "f-number";
    EXPECT_EQ(column(11), exif.contains("ExifIFD:ISO") ? Str(exif["ExifIFD:ISO"]).substr(0, Str(exif["ExifIFD:ISO"]).find(' ')) : "")
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
    const auto distance = Number(exif, "ExifIFD:SubjectDistance");
    if (Str(exif["ExifIFD:SubjectDistance"]) == "inf")
        EXPECT_EQ(column(13), "Infinity");
    else if (distance && *distance > 0)
        EXPECT_NEAR(std::stod(column(13)), *distance, 0.0005 + 1e-9) << "distance";
    else
        EXPECT_EQ(column(13), "") << "distance, unknown or absent";
    if (const auto focal = Number(exif, "ExifIFD:FocalLength"))
        EXPECT_NEAR(std::stod(column(14)), *focal, 0.05 + 1e-9) << "focal length";
    else
        EXPECT_EQ(column(14), "") << "focal length";
    EXPECT_EQ(column(15), Str(exif["File:Comment"])) << "comment";

    const std::pair<const char*, int> positions[] = {{"Composite:GPSLatitude", 16}, {"Composite:GPSLongitude", 17}};
    for (const auto& [key, c] : positions) {
        if (const auto degrees = Number(exif, key))
            EXPECT_NEAR(std::stod(column(c)), *degrees, 2e-7 * std::abs(*degrees) + 2e-6) << key;
        else
            EXPECT_EQ(column(c), "") << key;
    }
    if (const auto altitude = Number(exif, "Composite:GPSAltitude"); altitude && std::abs(*altitude) > 0.01)
        EXPECT_NEAR(std::stod(column(18)), *altitude, 0.006) << "altitude";
    else
        EXPECT_EQ(column(18), "") << "altitude";
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
    const std::pair<const char*, int> xp[] = {{"IFD0:XPKeywords", 24}, {"IFD0:XPComment", 25}, {"IFD0:XPAuthor", 26},
                                              {"IFD0:XPTitle", 27},    {"IFD0:XPSubject", 28}};
    for (const auto& [key, c] : xp) {
        // exiftool 12.57 reads a character beyond U+FFFF in an XP text as question marks.
        const std::string theirs = Str(exif[key]);
        if (theirs.find('?') == std::string::npos || IsAsciiOnly(column(c))) {
            EXPECT_EQ(column(c), theirs) << key;
        }
    }
}

void ExpectEveryPhotoAgrees(const std::filesystem::path& folder, int exitCode = 0)
{
    const Records records = AllColumns(folder, exitCode);
    const auto readings = ExiftoolReadings(folder);
    ASSERT_FALSE(readings.empty());
    for (const auto& [path, exif] : readings) {
        SCOPED_TRACE(path);
        const auto record = records.find(path);
        ASSERT_NE(record, records.end());
        ExpectAgreement(record->second, exif);
    }
}

}  // namespace

TEST(RealPhotos, GeneratedPhotosAgreeWithExiftool)
{
    // The photos whose tags are well-formed; damaged ones are for the tests of damage, and the
    // photos with Windows-1252 texts for the table below (exiftool reads those bytes as they are).
    const char* names[] = {"camera-full.jpg", "gps-south-west.jpg", "date-both.jpg", "date-modified-only.jpg",
                           "date-none.jpg", "orientation-1.jpg", "orientation-3.jpg", "orientation-6.jpg",
                           "orientation-8.jpg", "tagged.tif", "no-metadata.jpg", "with-thumbnail.jpg", "iso-32.jpg",
                           "exposure-unreduced.jpg", "distance-unknown.jpg", "gps-signed.jpg", "long-texts.jpg",
                           "iptc-utf8.jpg", "iptc-latin1-named.jpg", "tiff-ii.tif", "tiff-mm.tif"};
    TempFolder folder;
    for (const char* name : names)
        std::filesystem::copy_file(photos / name, folder.Path() / name);
    ExpectEveryPhotoAgrees(folder.Path());
}

TEST(RealPhotos, OtherFormatsAndXmpAgreeWithExiftool)
{
    TempFolder folder;
    for (const char* name : {"format.png", "format.webp", "format.dng", "format.nef", "xmp-only.jpg", "png-named.jpg"})
        std::filesystem::copy_file(photos / name, folder.Path() / name);
    ExpectEveryPhotoAgrees(folder.Path());
}

TEST(RealPhotos, CameraPhotosAgreeWithExiftool)
{
    if (!std::filesystem::is_directory(cameraPhotos))
        GTEST_SKIP() << "no real camera photos at " << cameraPhotos << " (see the README)";
    ExpectEveryPhotoAgrees(std::filesystem::canonical(cameraPhotos));
}

TEST(RealPhotos, ValuesRealCamerasWriteTheirOwnWayComeOutRight)
{
    struct Expected {
        const char* photo;
        int column;
        std::string text;
    };
    const std::string longText = "x" + std::string(509, 'x') + "\u00e9\u65e5" + std::string(100, 'y') + " end";
    std::string keywords;
    for (int k = 1; k <= 60; ++k)
        keywords += (k > 1 ? ";keyword" : "keyword") + std::string(k < 10 ? "0" : "") + std::to_string(k);
    const Expected table[] = {
        {"iso-32.jpg", 11, "32"},
        {"exposure-unreduced.jpg", 9, "1/178 sec"},
        {"distance-unknown.jpg", 13, ""},
        {"distance-unknown.jpg", 14, "4.5"},
        {"gps-signed.jpg", 16, "60.146706"},
        {"gps-signed.jpg", 17, "24.906773"},
        {"long-texts.jpg", 22, longText},
        {"long-texts.jpg", 15, longText},
        {"long-texts.jpg", 23, keywords},
        {"latin1.jpg", 21, "Crème brûlée"},
        {"latin1.jpg", 23, "café;thé"},
        {"latin1.jpg", 15, "Crème €uro"},
        {"latin1.jpg", 4, "Société"},
        {"iptc-utf8.jpg", 21, "Crème brûlée"},
        {"iptc-latin1-named.jpg", 21, "Ã\u0192Â©"},
        // TIFFs in both byte orders: turned, placed, and (big-endian) with IPTC that FreeImage
        // would have lost the whole photo over.
        {"tiff-ii.tif", 7, "6x8"},
        {"tiff-mm.tif", 7, "6x8"},
        {"tiff-mm.tif", 4, "Scanner mm"},
        {"tiff-mm.tif", 2, "2020:03:04 05:06:07"},
        {"tiff-mm.tif", 16, "51.507332"},
        {"tiff-mm.tif", 17, "-0.127750"},
        {"tiff-mm.tif", 18, "35.00"},
        {"tiff-mm.tif", 19, "2020:03:04 5:6:7.00"},
        {"tiff-mm.tif", 20, "90"},
        {"tiff-mm.tif", 21, "tiff mm headline"},
        {"tiff-mm.tif", 23, "one;two"},
        {"tiff-ii.tif", 21, "tiff ii headline"},
    };
    TempFolder folder;
    for (const Expected& row : table)
        if (!std::filesystem::exists(folder.Path() / row.photo))
            std::filesystem::copy_file(photos / row.photo, folder.Path() / row.photo);
    const Records records = AllColumns(folder.Path());
    for (const Expected& row : table) {
        const auto record = records.find((folder.Path() / row.photo).string());
        ASSERT_NE(record, records.end()) << row.photo;
        EXPECT_EQ(record->second.at(row.column + 1), row.text) << row.photo << ", column " << row.column;
    }
}

TEST(RealPhotos, APhotoThatCrashesTheReaderCostsOnlyItsOwnMetadata)
{
    TempFolder folder;
    TempFolder config;
    // The crashing photo sits between good ones, twice, so that both a fresh reader and the
    // replacement of a crashed one are exercised.
    const std::vector<std::pair<std::string, std::string>> layout{
        {"camera-full.jpg", "a.jpg"}, {"crash-ifd-count.jpg", "b.jpg"}, {"gps-south-west.jpg", "c.jpg"},
        {"date-both.jpg", "d.jpg"},   {"crash-ifd-count.jpg", "e.jpg"}, {"tagged.tif", "f.tif"}};
    for (const auto& [source, name] : layout)
        std::filesystem::copy_file(photos / source, folder.Path() / name);

    for (const char* readers : {"1", "2"}) {
        SCOPED_TRACE(std::string("readers: ") + readers);
        const Outcome outcome =
            RunBatch(config, {"--folder", Q(folder.Path()), "--output", Q(folder.Path() / "out.txt"), "--columns", "4,7",
                              "--separator", "T", "--readers", readers});
        EXPECT_EQ(outcome.exitCode, 3);
        EXPECT_NE(outcome.err.find("extracted from 4 of 6 files"), std::string::npos) << outcome.err;
        EXPECT_NE(outcome.err.find("2 of these files could not be read"), std::string::npos) << outcome.err;
        EXPECT_EQ(folder.Read("out.txt"), "\"a.jpg\"\tCanon\t6x8\n"
                                          "\"b.jpg\"\t\t0x0\n"
                                          "\"c.jpg\"\t\t8x6\n"
                                          "\"d.jpg\"\t\t8x6\n"
                                          "\"e.jpg\"\t\t0x0\n"
                                          "\"f.tif\"\tNikon\t8x6\n");
    }
}

TEST(RealPhotos, EveryKnownWayOfBreakingFreeImageCostsOnlyThatPhoto)
{
    // One photo for each distinct crash inside FreeImage that fuzzing and the mutation run found
    // (docs/hostile-input.md), between good ones. FreeImage never sees a TIFF's IPTC block, and
    // the reader's own reading of it stops at a dataset that claims more than the block holds.
    TempFolder folder;
    TempFolder config;
    const std::vector<std::pair<std::string, std::string>> layout{
        {"camera-full.jpg", "a.jpg"},       {"crash-ifd-count.jpg", "b.jpg"}, {"crash-ifd-count-ii.jpg", "c.jpg"},
        {"crash-iptc-length.tif", "d.tif"}, {"tagged.tif", "e.tif"}};
    for (const auto& [source, name] : layout)
        std::filesystem::copy_file(photos / source, folder.Path() / name);

    const Outcome outcome = RunBatch(config, {"--folder", Q(folder.Path()), "--output", Q(folder.Path() / "out.txt"),
                                              "--columns", "4,7,21", "--separator", "|", "--readers", "2"});
    EXPECT_EQ(outcome.exitCode, 3);
    EXPECT_NE(outcome.err.find("extracted from 3 of 5 files"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("2 of these files could not be read"), std::string::npos) << outcome.err;
    EXPECT_EQ(folder.Read("out.txt"), "\"a.jpg\"|Canon|6x8|\"  Paris headline \"\n"
                                      "\"b.jpg\"||0x0|\"\"\n"
                                      "\"c.jpg\"||0x0|\"\"\n"
                                      "\"d.tif\"|Overrun|8x6|\"\"\n"
                                      "\"e.tif\"|Nikon|8x6|\"tiff headline\"\n");
}
