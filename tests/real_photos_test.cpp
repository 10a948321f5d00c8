// The batch command with its real reader processes, on the generated test photos: the values agree
// with what exiftool reads from the same files, and a photo that crashes FreeImage costs only its
// own metadata.

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

namespace {

const std::filesystem::path photos = FH_TEST_PHOTOS;

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
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardError().toStdString()};
}

// The fields of one "|"-separated output line, their enclosing quotes removed. The test photos hold
// tabs and commas in their values but no "|".
std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::stringstream stream(line);
    for (std::string field; std::getline(stream, field, '|');)
        fields.push_back(field.size() >= 2 && field.front() == '"' ? field.substr(1, field.size() - 2) : field);
    if (!line.empty() && line.back() == '|')
        fields.emplace_back();
    return fields;
}

// The output's records by photo name.
std::map<std::string, std::vector<std::string>> Records(const std::string& output)
{
    std::map<std::string, std::vector<std::string>> records;
    std::stringstream stream(output);
    for (std::string line; std::getline(stream, line);) {
        auto fields = Fields(line);
        records[fields.front()] = fields;
    }
    return records;
}

QJsonArray ExiftoolReadings(const std::vector<std::string>& files)
{
    QStringList arguments{"-j", "-n", "-EXIF:Make", "-EXIF:Model", "-ImageWidth", "-ImageHeight",
                          "-EXIF:ISO", "-EXIF:DateTimeOriginal", "-EXIF:ModifyDate", "-EXIF:Orientation",
                          "-Composite:GPSLatitude", "-Composite:GPSLongitude", "-Composite:GPSAltitude"};
    for (const auto& file : files)
        arguments << QString::fromStdString(file);
    QProcess exiftool;
    exiftool.start("exiftool", arguments);
    exiftool.waitForFinished(60000);
    return QJsonDocument::fromJson(exiftool.readAllStandardOutput()).array();
}

std::string Trimmed(const QString& text)
{
    return text.trimmed().toStdString();
}

}  // namespace

// The map of the same run too: every photo with a position is a Point where exiftool places it,
// longitude first, with the altitude as the third coordinate.
TEST(RealPhotos, ValuesAndMapAgreeWithExiftool)
{
    // Photos whose tags are well-formed; the deliberately damaged ones are for other tests.
    const std::vector<std::string> names{"camera-full.jpg",   "date-both.jpg",     "date-modified-only.jpg",
                                         "gps-south-west.jpg", "orientation-1.jpg", "orientation-3.jpg",
                                         "orientation-6.jpg", "orientation-8.jpg", "tagged.tif",
                                         "no-metadata.jpg"};
    TempFolder folder;
    TempFolder config;
    std::vector<std::string> files;
    for (const auto& name : names) {
        ASSERT_TRUE(std::filesystem::exists(photos / name)) << name;
        std::filesystem::copy_file(photos / name, folder.Path() / name);
        files.push_back((folder.Path() / name).string());
    }
    const std::string mapPath = (folder.Path() / "map.geojson").string();
    const Outcome outcome = RunBatch(config, {"--folder", QString::fromStdString(folder.Path().string()), "--output",
                                              QString::fromStdString((folder.Path() / "out.txt").string()),
                                              "--columns", "2,4,5,7,11,16,17,18", "--separator", "|", "--geojson",
                                              QString::fromStdString(mapPath)});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    const auto records = Records(folder.Read("out.txt"));
    const QJsonArray readings = ExiftoolReadings(files);
    ASSERT_EQ(readings.size(), static_cast<qsizetype>(names.size()));

    QJsonParseError error{};
    const QJsonObject map = QJsonDocument::fromJson(QByteArray::fromStdString(folder.Read("map.geojson")), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_EQ(map["type"].toString(), "FeatureCollection");
    std::map<std::string, QJsonArray> points;
    for (const QJsonValue& feature : map["features"].toArray()) {
        EXPECT_EQ(feature["type"].toString(), "Feature");
        EXPECT_EQ(feature["geometry"]["type"].toString(), "Point");
        points[feature["properties"]["Filename"].toString().toStdString()] = feature["geometry"]["coordinates"].toArray();
    }
    const auto placed = std::count_if(readings.begin(), readings.end(),
                                      [](const QJsonValue& exif) { return exif.toObject().contains("GPSLatitude"); });
    EXPECT_EQ(static_cast<qsizetype>(points.size()), placed);
    EXPECT_NE(outcome.err.find("fotoharvester-cli: map written to " + mapPath + ": " + std::to_string(placed) +
                               " photos placed, " + std::to_string(names.size() - placed) + " without a position left out\n"),
              std::string::npos)
        << outcome.err;

    for (const auto& value : readings) {
        const QJsonObject exif = value.toObject();
        const std::string name = std::filesystem::path(exif["SourceFile"].toString().toStdString()).filename();
        SCOPED_TRACE(name);
        ASSERT_TRUE(records.count(name));
        const auto& fields = records.at(name);
        ASSERT_EQ(fields.size(), 9u);

        const QString date = exif.contains("DateTimeOriginal") ? exif["DateTimeOriginal"].toString()
                                                               : exif["ModifyDate"].toString();
        if (!date.isEmpty()) {
            EXPECT_EQ(fields[1], date.toStdString());
        }
        // We trim blanks only and exiftool all white space; the camera-full photo's model ends in a tab.
        EXPECT_EQ(QString::fromStdString(fields[2]).trimmed().toStdString(), Trimmed(exif["Make"].toString()));
        EXPECT_EQ(QString::fromStdString(fields[3]).trimmed().toStdString(), Trimmed(exif["Model"].toString()));
        int width = exif["ImageWidth"].toInt();
        int height = exif["ImageHeight"].toInt();
        const int orientation = exif["Orientation"].toInt();
        if (orientation >= 5 && orientation <= 8)
            std::swap(width, height);
        EXPECT_EQ(fields[4], std::to_string(width) + "x" + std::to_string(height));
        EXPECT_EQ(fields[5], exif.contains("ISO") ? std::to_string(exif["ISO"].toInt()) : "");
        for (const auto& [key, column] : {std::pair{"GPSLatitude", 6}, std::pair{"GPSLongitude", 7}}) {
            if (!exif.contains(key)) {
                EXPECT_EQ(fields[column], "") << key;
                continue;
            }
            // Our position carries a 32-bit float's precision.
            EXPECT_NEAR(std::stod(fields[column]), exif[key].toDouble(), 2e-5) << key;
        }
        if (exif.contains("GPSAltitude")) {
            EXPECT_NEAR(std::stod(fields[8]), exif["GPSAltitude"].toDouble(), 0.006);
        } else {
            EXPECT_EQ(fields[8], "");
        }
        if (exif.contains("GPSLatitude")) {
            ASSERT_TRUE(points.count(name));
            const QJsonArray& point = points.at(name);
            ASSERT_EQ(point.size(), exif.contains("GPSAltitude") ? 3 : 2);
            EXPECT_NEAR(point[0].toDouble(), exif["GPSLongitude"].toDouble(), 2e-5);
            EXPECT_NEAR(point[1].toDouble(), exif["GPSLatitude"].toDouble(), 2e-5);
            if (point.size() == 3) {
                EXPECT_NEAR(point[2].toDouble(), exif["GPSAltitude"].toDouble(), 0.006);
            }
        }
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
            RunBatch(config, {"--folder", QString::fromStdString(folder.Path().string()), "--output",
                              QString::fromStdString((folder.Path() / "out.txt").string()), "--columns", "4,7",
                              "--separator", "tab", "--readers", readers});
        EXPECT_EQ(outcome.exitCode, 3);
        EXPECT_NE(outcome.err.find("fotoharvester-cli: 6 photos read"), std::string::npos) << outcome.err;
        EXPECT_NE(outcome.err.find("fotoharvester-cli: 2 photos could not be read"), std::string::npos) << outcome.err;
        for (const char* crashed : {"b.jpg: crashed the reader\n", "e.jpg: crashed the reader\n"})
            EXPECT_NE(outcome.err.find(folder.Text() + crashed), std::string::npos) << outcome.err;
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
    // (docs/hostile-input.md), between good ones. The IPTC overrun only reads past a buffer: a
    // reader built with AddressSanitizer dies of it, any other reader reads the photo, but never
    // the bytes beyond the IPTC block as its headline.
    TempFolder folder;
    TempFolder config;
    const std::vector<std::pair<std::string, std::string>> layout{
        {"camera-full.jpg", "a.jpg"},       {"crash-ifd-count.jpg", "b.jpg"}, {"crash-ifd-count-ii.jpg", "c.jpg"},
        {"crash-iptc-length.tif", "d.tif"}, {"tagged.tif", "e.tif"}};
    for (const auto& [source, name] : layout)
        std::filesystem::copy_file(photos / source, folder.Path() / name);

    const Outcome outcome =
        RunBatch(config, {"--folder", QString::fromStdString(folder.Path().string()), "--output",
                          QString::fromStdString((folder.Path() / "out.txt").string()), "--columns", "4,7,21",
                          "--separator", "|", "--readers", "2"});
    EXPECT_EQ(outcome.exitCode, 3);
    EXPECT_NE(outcome.err.find("fotoharvester-cli: 5 photos read"), std::string::npos) << outcome.err;
    const auto records = Records(folder.Read("out.txt"));
    ASSERT_EQ(records.size(), 5u);
    using Row = std::vector<std::string>;
    EXPECT_EQ(records.at("a.jpg"), (Row{"a.jpg", "Canon", "6x8", "  Paris headline "}));
    EXPECT_EQ(records.at("b.jpg"), (Row{"b.jpg", "", "0x0", ""}));
    EXPECT_EQ(records.at("c.jpg"), (Row{"c.jpg", "", "0x0", ""}));
    EXPECT_EQ(records.at("e.tif"), (Row{"e.tif", "Nikon", "8x6", "tiff headline"}));
    const Row& overrun = records.at("d.tif");
    const bool overrunRead = overrun.at(2) == "8x6";
    EXPECT_EQ(overrun, (Row{"d.tif", overrunRead ? "Overrun" : "", overrunRead ? "8x6" : "0x0", ""}));
    const std::string unreadable = overrunRead ? "2 photos" : "3 photos";
    EXPECT_NE(outcome.err.find(unreadable + " could not be read"), std::string::npos) << outcome.err;
}
