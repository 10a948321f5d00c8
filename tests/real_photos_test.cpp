// The batch command with its real reader processes: every column, and every point of the map,
// agrees with what exiftool reads from the same photos (the generated ones, and the real camera
// photos of ../shared/photos when they are there), the values real cameras write in their own
// ways come out right, and a photo that crashes FreeImage costs only its own metadata.

#include "metadata/PhotoFormats.h"
#include "metadata/TextEncoding.h"
#include "support/Csv.h"
#include "support/Program.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

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

// Every column of every photo under `folder`, and the map of their positions, from a run that
// reads them all.
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

// The dates that stand for the capture date after the Exif ones, in the order the program takes
// them, as exiftool gives them in the Exif layout (a date alone at midnight, no time zone).
constexpr const char* laterDates[] = {
    "XMP-exif:DateTimeOriginal", "XMP-xmp:CreateDate", "Composite:DateTimeCreated", "IPTC:DateCreated",
    "XMP-photoshop:DateCreated", "Keys:CreationDate",  "QuickTime:CreateDate",      "PNG:CreationTime"};

// The tags of every file by its path, as one of the reference readers reads them.
using Readings = std::map<std::string, QJsonObject>;

// exiftool's reading of every file under `folder` with one of the extensions, keys as
// "Group:Tag", numbers as numbers, and the later dates (laterDates) again under "Date:Group:Tag";
// the UTC times of videos in the computer's time zone.
Readings ExiftoolReadings(const std::filesystem::path& folder)
{
    QStringList files{"-r", "-api", "QuickTimeUTC"};
    for (const char* extension : {"jpg", "jpeg", "tif", "tiff", "heic", "avif", "png", "webp", "dng", "nef", "cr3",
                                  "jxl", "xmp", "mp4", "mov", "m4v", "3gp"})
        files << "-ext" << extension;
    files << Q(folder);
    QStringList dates{"-d", "%Y:%m:%d %H:%M:%S"};
    for (const char* key : laterDates)
        dates << QString("-%1").arg(key);
    Program exiftool("exiftool");
    exiftool.environment.insert("TZ", zone);
    Readings readings;
    for (const QStringList& arguments :
         {QStringList{"-j", "-n", "-a", "-G1"} + files, QStringList{"-j", "-a", "-G1"} + dates + files}) {
        const std::string out = exiftool.Run(arguments).out;
        for (const QJsonValue& value : QJsonDocument::fromJson(QByteArray::fromStdString(out)).array()) {
            QJsonObject& reading = readings[value["SourceFile"].toString().toStdString()];
            const QJsonObject found = value.toObject();
            for (auto field = found.begin(); field != found.end(); ++field)
                reading[arguments.contains("-d") ? "Date:" + field.key() : field.key()] = field.value();
        }
    }
    return readings;
}

// A sidecar's path without its ".xmp", in any case; empty for a photo.
std::string SidecarOf(const std::string& path)
{
    return QString::fromStdString(path).endsWith(".xmp", Qt::CaseInsensitive) ? path.substr(0, path.size() - 4)
                                                                              : std::string();
}

// What the program takes from a photo's sidecars (NAME.xmp, then NAME.EXT.xmp over it): their XMP
// values over the photo's own, in exiftool's keys or exiv2's.
void ApplySidecars(Readings& readings)
{
    Readings sidecars;
    for (const auto& [path, reading] : readings)
        if (const std::string named = SidecarOf(path); !named.empty())
            sidecars[named] = reading;
    for (auto& [path, reading] : readings)
        for (const std::string& named : {path.substr(0, path.rfind('.')), path}) {
            const auto sidecar = sidecars.find(named);
            if (sidecar == sidecars.end() || !SidecarOf(path).empty())
                continue;
            for (auto field = sidecar->second.begin(); field != sidecar->second.end(); ++field)
                if (field.key().startsWith("XMP-") || field.key().startsWith("Date:XMP-") ||
                    field.key().startsWith("Xmp."))
                    reading[field.key()] = field.value();
        }
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
    bool ok = exif[key].isDouble();
    const double number = ok ? exif[key].toDouble() : exif[key].toString().section(' ', 0, 0).toDouble(&ok);
    return ok ? std::optional(number) : std::nullopt;
}

// exiftool's altitude: a video's below sea level comes as its size and a reference of 1.
std::optional<double> Altitude(const QJsonObject& exif)
{
    const std::optional<double> altitude = Number(exif, "Composite:GPSAltitude");
    return altitude && exif["Composite:GPSAltitudeRef"].toInt() == 1 ? -std::abs(*altitude) : altitude;
}

// The seconds of a day that "h:m:s" gives; -1 for no time, NaN for a text that is no time.
double DaySeconds(const std::string& text)
{
    if (text.empty())
        return -1;
    const QStringList parts = QString::fromStdString(text).split(':');
    return parts.size() == 3 ? parts[0].toDouble() * 3600 + parts[1].toDouble() * 60 + parts[2].toDouble() : NAN;
}

// Compares the record of one photo with exiftool's reading of it, by meaning: "1/160 sec" with
// 0.00625, "F7.1" with 7.1, our six-decimal degrees with exiftool's rounded to six decimals.
void ExpectAgreement(const std::vector<std::string>& fields, const QJsonObject& exif)
{
    ASSERT_EQ(fields.size(), 30u);
    const auto column = [&](int c) { return fields[c + 1]; };

    // The Exif dates, else the later ones (a video's own local time, else its container's UTC time
    // in the computer's zone, among them), else the file's time, which the comparison leaves out.
    // A container's time of 0 is none; exiftool gives it as 1904-01-01.
    std::string date = First(exif, {"ExifIFD:DateTimeOriginal", "IFD0:ModifyDate"}).substr(0, 19);
    for (const char* key : laterDates)
        if (const std::string later = Str(exif[QString("Date:%1").arg(key)]); date.empty() && later >= "1904:01:02")
            date = later;
    if (!date.empty()) {
        EXPECT_EQ(column(2), date) << "date and time";
        EXPECT_EQ(column(0) + " " + column(1), date) << "date, time";
    }
    // A photo's Exif; a video's Apple keys, QuickTime user data, Android keys.
    EXPECT_EQ(TrimmedBlanks(column(4)),
              TrimmedBlanks(First(exif, {"IFD0:Make", "Keys:Make", "UserData:Make", "Keys:AndroidManufacturer"})));
    EXPECT_EQ(TrimmedBlanks(column(5)),
              TrimmedBlanks(First(exif, {"IFD0:Model", "Keys:Model", "UserData:Model", "Keys:AndroidModel"})));
    EXPECT_EQ(column(3), column(4) + " " + column(5)) << "make and model";
    EXPECT_EQ(column(6), exif.contains("ExifIFD:LensModel") ? Str(exif["ExifIFD:LensModel"]) : "Unknown") << "lens";

    const QStringList size = exif["Composite:ImageSize"].toString().split(' ');
    int width = size.value(0).toInt();
    int height = size.value(1).toInt();
    // A photo turned by its orientation, a video by its rotation. A JPEG XL is turned by its
    // codestream's orientation (which exiftool does not read), not by its Exif one; the generated
    // ones have none.
    const int orientation = exif["File:FileType"].toString().startsWith("JXL") ? 1 : exif["IFD0:Orientation"].toInt();
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
    const std::string iso = Str(exif["ExifIFD:ISO"]);
    EXPECT_EQ(column(11), iso.substr(0, iso.find(' '))) << "ISO";
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
        {14, "ExifIFD:FocalLength", 0.05},    {16, "Composite:GPSLatitude", 5e-7},
        {17, "Composite:GPSLongitude", 5e-7}, {18, "Composite:GPSAltitude", 0.005}};
    for (const auto& [c, key, tolerance] : numbers) {
        const auto theirs = c == 18 ? Altitude(exif) : Number(exif, key);
        const std::string ours = column(c).starts_with('F') ? column(c).substr(1) : column(c);
        if (theirs && std::isinf(*theirs))
            EXPECT_EQ(ours, "Infinity") << key;
        else if (theirs && std::abs(*theirs) > 0.01)
            EXPECT_NEAR(ours.empty() ? NAN : std::stod(ours), *theirs, tolerance + 1e-9) << key;
        else
            EXPECT_EQ(ours, "") << key;
    }
    const std::string ours = column(19);
    EXPECT_EQ(ours.substr(0, ours.find(' ')), Str(exif["GPS:GPSDateStamp"])) << "GPS date";
    EXPECT_NEAR(DaySeconds(ours.substr(ours.find(' ') + 1)), DaySeconds(Str(exif["GPS:GPSTimeStamp"])), 0.006)
        << "GPS time";
    const auto direction = Number(exif, "GPS:GPSImgDirection");
    EXPECT_EQ(column(20), direction ? std::to_string(static_cast<long long>(*direction)) : "") << "direction";

    EXPECT_EQ(column(21), First(exif, {"IPTC:Headline", "XMP-photoshop:Headline"})) << "headline";
    EXPECT_EQ(column(22), First(exif, {"IPTC:Caption-Abstract", "XMP-dc:Description"})) << "caption";
    EXPECT_EQ(column(23), First(exif, {"IPTC:Keywords", "XMP-dc:Subject"})) << "keywords";
    for (int c = 24;
         const char* key : {"IFD0:XPKeywords", "IFD0:XPComment", "IFD0:XPAuthor", "IFD0:XPTitle", "IFD0:XPSubject"}) {
        // exiftool 12.57 reads a character beyond U+FFFF in an XP text as question marks.
        const std::string theirs = Str(exif[key]);
        const std::string text = column(c++);
        const bool ascii = std::ranges::all_of(text, [](unsigned char byte) { return byte < 0x80; });
        if (theirs.find('?') == std::string::npos || ascii) {
            EXPECT_EQ(text, theirs) << key;
        }
    }
}

// A photo with a position is a point of the map at exiftool's position in full precision (to the
// ten digits exiftool gives of an altitude), longitude first (RFC 7946), with the altitude as its
// third coordinate when known; a photo without one is left out.
void ExpectOnTheMap(const std::map<std::string, QJsonArray>& map, const std::vector<std::string>& fields,
                    const QJsonObject& exif)
{
    const auto column = [&](int c) { return fields[c + 1]; };
    std::vector<double> expected;
    if (!column(16).empty() && !column(17).empty()) {
        expected = {Number(exif, "Composite:GPSLongitude").value_or(NAN),
                    Number(exif, "Composite:GPSLatitude").value_or(NAN)};
        if (!column(18).empty())
            expected.push_back(Altitude(exif).value_or(NAN));
    }
    const auto found = map.find(fields.front());
    const QJsonArray point = found == map.end() ? QJsonArray() : found->second;
    ASSERT_EQ(static_cast<std::size_t>(point.size()), expected.size()) << "map";
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(point[i].toDouble(), expected[i], 1e-9 * (1 + std::abs(expected[i]))) << "map coordinate " << i;
}

void ExpectEveryPhotoAgrees(const std::filesystem::path& folder)
{
    const Harvest harvest = AllColumns(folder);
    Readings readings = ExiftoolReadings(folder);
    ASSERT_FALSE(readings.empty());
    ApplySidecars(readings);
    for (const auto& [path, exif] : readings) {
        SCOPED_TRACE(path);
        const auto record = harvest.records.find(path);
        if (!SidecarOf(path).empty()) {
            EXPECT_EQ(record, harvest.records.end()) << "a sidecar is no photo";
            continue;
        }
        ASSERT_NE(record, harvest.records.end());
        ExpectAgreement(record->second, exif);
        ExpectOnTheMap(harvest.map, record->second, exif);
    }
}

// The tags asked for by key in the comparison with exiv2, and how a column holds what exiv2 prints.
enum class Printed {
    AsItIs,       // one value
    Repeated,     // a dataset that may be given several times: one line each, joined with ";"
    LanguageAlt,  // lang="x-default" TEXT, lang="de" TEXT: the default text
    List,         // an XMP list, "A, B": joined with ";"
};
const std::pair<std::string, Printed> comparedKeys[] = {
    {"Exif.Photo.LensSerialNumber", Printed::AsItIs},  // texts
    {"Exif.Photo.OffsetTimeOriginal", Printed::AsItIs},
    {"Exif.Image.Artist", Printed::AsItIs},
    {"Exif.Image.Copyright", Printed::AsItIs},
    {"Exif.Image.Model", Printed::AsItIs},
    {"Exif.Photo.UserComment", Printed::AsItIs},        // a comment, with its character set
    {"Exif.Photo.ISOSpeedRatings", Printed::AsItIs},    // a whole number
    {"Exif.Photo.ExposureBiasValue", Printed::AsItIs},  // rationals
    {"Exif.Image.XResolution", Printed::AsItIs},
    {"Exif.Photo.FNumber", Printed::AsItIs},
    {"Exif.GPSInfo.GPSLatitude", Printed::AsItIs},
    {"Exif.Canon.FirmwareVersion", Printed::AsItIs},  // in a maker note
    {"Iptc.Application2.City", Printed::AsItIs},
    {"Iptc.Application2.Keywords", Printed::Repeated},
    {"Xmp.xmp.Rating", Printed::AsItIs},  // a number in XMP
    {"Xmp.photoshop.City", Printed::AsItIs},
    {"Xmp.iptc.Location", Printed::AsItIs},
    {"Xmp.dc.rights", Printed::LanguageAlt},
    {"Xmp.dc.creator", Printed::List},
    {"Xmp.dc.subject", Printed::List},
};

// What `exiv2 -Pkt` prints of every tag of `photo`, by key, as a column holds it; empty when exiv2
// reads no tag of the photo at all (a format it does not read).
QJsonObject Exiv2Texts(const std::filesystem::path& photo)
{
    std::istringstream out(Program("exiv2").Run({"-Pkt", Q(photo)}).out);
    std::map<std::string, std::string> printedTexts;  // a key's values joined with ";"
    std::string key;
    for (std::string line; std::getline(out, line);) {
        // The key in 45 columns and a blank, then the value; a line break inside a value goes on
        // in the lines that follow.
        if (line.starts_with("Exif.") || line.starts_with("Iptc.") || line.starts_with("Xmp.")) {
            key = line.substr(0, line.find(' '));
            const std::size_t value = std::max<std::size_t>(45, key.size()) + 1;
            std::string& text = printedTexts[key];
            text += (text.empty() ? "" : ";") + (line.size() > value ? line.substr(value) : std::string());
        } else if (!key.empty()) {
            printedTexts[key] += "\n" + line;
        }
    }
    QJsonObject texts;
    for (auto [printedKey, text] : printedTexts) {
        const auto compared = std::find_if(std::begin(comparedKeys), std::end(comparedKeys),
                                           [&key = printedKey](const auto& entry) { return entry.first == key; });
        const Printed printed = compared == std::end(comparedKeys) ? Printed::AsItIs : compared->second;
        if (printed == Printed::LanguageAlt && text.starts_with("lang=\"")) {
            const std::string standard = "lang=\"x-default\" ";
            const std::size_t at = text.find(standard);
            const std::size_t from =
                at != std::string::npos ? at + standard.size() : std::min(text.find("\" ") + 2, text.size());
            text = text.substr(from, text.find(", lang=\"", from) - from);
        }
        if (printed == Printed::List)
            for (std::size_t comma; (comma = text.find(", ")) != std::string::npos;)
                text.replace(comma, 2, ";");
        // Every column is UTF-8: a text in another encoding is read as the program reads it.
        texts[QString::fromStdString(printedKey)] = QString::fromStdString(Utf8FromUnstated(text));
    }
    return texts;
}

// Every tag asked for by key, in every photo under `folder` that exiv2 reads, holds what
// `exiv2 -Pkt -K KEY` prints, with the XMP of the photo's sidecars over its own; `atLeast` values
// must have been compared that are not empty. Run twice: beside a column of the program's own,
// and alone (the keys but those of maker notes), when the readers read nothing but the keys.
void ExpectKeysAgreeWithExiv2(const std::filesystem::path& folder, int atLeast)
{
    Readings readings;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string path = entry.path().string();
        const std::string extension = entry.path().extension().string();
        if (entry.is_regular_file() && !extension.empty() &&
            (IsPhotoExtension(extension.substr(1), PhotoFormats::All) || !SidecarOf(path).empty()))
            readings[path] = Exiv2Texts(entry.path());
    }
    ApplySidecars(readings);
    for (const bool alone : {false, true}) {
        SCOPED_TRACE(alone ? "the keys alone" : "the keys beside a column");
        QStringList keys;
        for (const auto& [key, printed] : comparedKeys)
            if (!alone || !key.starts_with("Exif.Canon."))
                keys << QString::fromStdString(key);
        TempFolder output;
        const QString columns = (alone ? keys : QStringList{"filesize"} + keys).join(',');
        const Outcome outcome = Program(BATCH_COMMAND_PATH)
                                    .Run({"--subfolders", "--full-path", "--columns", columns, "--formats", "all",
                                          "--yes", "--headings", "--output", Q(output.Path() / "keys.csv"), Q(folder)});
        ASSERT_TRUE(outcome.exitCode == 0 || outcome.exitCode == 3) << outcome.err;
        const auto records = ParseCsv(output.Read("keys.csv"));
        ASSERT_FALSE(records.empty());
        // The heading line names each tag's column by its key.
        const std::size_t first = alone ? 1 : 2;
        EXPECT_EQ(records.front().at(first), keys.front().toStdString());
        std::map<std::string, std::vector<std::string>> ours;
        for (std::size_t row = 1; row < records.size(); ++row) {
            ASSERT_EQ(records[row].size(), first + static_cast<std::size_t>(keys.size())) << records[row].front();
            ours[records[row].front()].assign(records[row].begin() + static_cast<long>(first), records[row].end());
        }
        int compared = 0;
        for (const auto& [path, expected] : readings) {
            // A photo without a record had none of the values.
            const auto record = ours.find(path);
            if (!SidecarOf(path).empty() || expected.isEmpty() || (!alone && record == ours.end()))
                continue;  // a sidecar, a file exiv2 does not read, or no photo of the program's formats
            for (qsizetype i = 0; i < keys.size(); ++i) {
                const std::string value = record == ours.end() ? std::string() : record->second[i];
                EXPECT_EQ(value, Str(expected[keys[i]])) << path << " " << keys[i].toStdString();
                compared += !value.empty();
            }
        }
        EXPECT_GE(compared, atLeast);
    }
}

}  // namespace

// Tags asked for by key give libexiv2's own text, whichever library read the photo.
TEST(RealPhotos, TagsByKeyAgreeWithExiv2)
{
    // The keys libexiv2 knows come from the reader; one it does not know is refused before the run.
    const Outcome listed = Program(BATCH_COMMAND_PATH).Run({"--list-tags"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_NE(listed.out.find("\tRating\tXmp.xmp.Rating\t"), std::string::npos);
    const Outcome refused =
        Program(BATCH_COMMAND_PATH).Run({"--columns", "date,Xmp.xmp.Ratin", "--output", "-", Q(photos)});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("libexiv2 knows no tag Xmp.xmp.Ratin"), std::string::npos) << refused.err;

    ExpectKeysAgreeWithExiv2(photos, 3 * 16);  // keys.jpg, keys.tif and keys.png hold every tag but two
    if (!std::filesystem::is_directory(cameraPhotos))
        GTEST_SKIP() << "no real camera photos at " << cameraPhotos << " (see the README)";
    ExpectKeysAgreeWithExiv2(std::filesystem::canonical(cameraPhotos), 100);
}

TEST(RealPhotos, GeneratedPhotosAgreeWithExiftool)
{
    // Every photo whose tags are well-formed, in every format. Damaged ones are for the tests of
    // damage, the photos with Windows-1252 texts for the comparison of the readers (exiftool reads
    // those bytes as they are), and the JPEG XL files made from a JPEG for the test below.
    const QRegularExpression left("^(crash|count-zero|gps-malformed|gps-zero|xp-malformed|wrong-model|latin1|"
                                  "not-an-image|jxl-source|jxl-from|jxl-boxes|keys|video-truncated)");
    TempFolder folder;
    for (const auto& entry : std::filesystem::directory_iterator(photos))
        if (!left.match(QString::fromStdString(entry.path().filename().string())).hasMatch())
            CopyPhotos(folder, {{entry.path().filename().string(), entry.path().filename().string()}});
    ExpectEveryPhotoAgrees(folder.Path());
}

// exiftool 12.57 reads neither compressed boxes nor a codestream split into boxes: a JPEG XL made
// from a JPEG, as cameras' JPEGs are converted, must read as its JPEG, the compressed boxes before
// the codestream or after it.
TEST(RealPhotos, AJpegXlMadeFromAJpegReadsAsTheJpeg)
{
    TempFolder folder;
    CopyPhotos(folder, {{"jxl-source.jpg", "source.jpg"},
                        {"jxl-from-jpeg.jxl", "from-jpeg.jxl"},
                        {"jxl-boxes-last.jxl", "boxes-last.jxl"}});
    const Records records = AllColumns(folder.Path()).records;
    std::vector<std::string> jpeg = records.at(folder.Text() + "source.jpg");
    ASSERT_EQ(jpeg.at(4 + 1), "Maker jpeg");
    for (const char* name : {"from-jpeg.jxl", "boxes-last.jxl"}) {
        std::vector<std::string> jxl = records.at(folder.Text() + name);
        jxl.at(8 + 1) = jpeg.at(8 + 1);  // the file size
        jxl.front() = jpeg.front();
        EXPECT_EQ(jxl, jpeg) << name;
    }
}

TEST(RealPhotos, CameraPhotosAgreeWithExiftool)
{
    if (!std::filesystem::is_directory(cameraPhotos))
        GTEST_SKIP() << "no real camera photos at " << cameraPhotos << " (see the README)";
    ExpectEveryPhotoAgrees(std::filesystem::canonical(cameraPhotos));
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
                                   "out.txt\nfotoharvester-cli: 3 photos could not be read; none of their "
                                   "metadata is in the output\n");
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
// asked for: a new settings store starts with photos and videos. A tag asked for by key is empty
// for a video but where its sidecar holds it.
TEST(RealPhotos, ADamagedVideoCostsOnlyThatVideo)
{
    TempFolder folder;
    CopyPhotos(folder, {{"video-upright.mov", "a.mov"},
                        {"video-truncated.mp4", "b.mp4"},
                        {"video-android.mp4", "c.mp4"},
                        {"sidecar.jpg.XMP", "c.mp4.xmp"},
                        {"video-broken-track.mov", "d.mov"},
                        {"video-flipped.mov", "e.mov"}});
    const Outcome outcome = Program(BATCH_COMMAND_PATH)
                                .Run({"--folder", Q(folder.Path()), "--output", Q(folder.Path() / "out.txt"),
                                      "--columns", "4,7,Xmp.dc.subject,Xmp.xmp.Rating", "--separator", "|"});
    EXPECT_EQ(outcome.exitCode, 3);
    EXPECT_EQ(outcome.err,
              "fotoharvester-cli: " + folder.Text() +
                  "b.mp4: not a photo, or damaged\nfotoharvester-cli: 5 records written to " + folder.Text() +
                  "out.txt\nfotoharvester-cli: 1 photo could not be read; none of its metadata is in the output\n");
    const std::string records = folder.Read("out.txt");
    EXPECT_TRUE(records.starts_with("\"a.mov\"|Apple|48x64|\"\"|\"\"\n\"b.mp4\"||0x0|\"\"|\"\"\n"
                                    "\"c.mp4\"|Google|64x48|\"this very file\"|\"\"\n"
                                    "\"d.mov\"|Apple|48x64|\"\"|\"\"\n\"e.mov\"|"))
        << records;
}
