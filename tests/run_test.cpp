#include "extract/ColumnCatalogue.h"
#include "extract/ExtractionRun.h"

#include "support/ScriptedTagSource.h"
#include "support/Tags.h"
#include "support/TempFolder.h"
#include "support/TestHost.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string FlagsWith(const std::vector<int>& ticked)
{
    std::string flags(ColumnCount(), '0');
    for (int column : ticked)
        flags[column] = '1';
    return flags;
}

// Two photos, IMG_0001.JPG by Fuji with an ISO and IMG_0002.JPG by Nikon without.
class Run : public ::testing::Test {
protected:
    Run()
    {
        photos.Touch("IMG_0001.JPG");
        source.Set("IMG_0001.JPG",
                   TagsWith({{Tag::Model, Text("X100")}, {Tag::ISOSpeed, Number(200)}, {Tag::Make, Text("Fuji")}}));
        photos.Touch("IMG_0002.JPG");
        source.Set("IMG_0002.JPG", TagsWith({{Tag::Model, Text("D70")}, {Tag::Make, Text("Nikon")}}));
        request.separator = ",";
    }

    ExtractionSettings Defaults() const
    {
        ExtractionSettings defaults;
        defaults.Folder = photos.Path().string();
        defaults.OutFile = (output.Path() / "out").string();  // .csv is added
        defaults.Flags = FlagsWith({4});
        return defaults;
    }

    RunResult Execute()
    {
        request.settings = settings;
        return ExtractionRun(request, host, source).Execute();
    }
    std::string Output(const std::string& name = "out.csv") const { return output.Read(name); }
    std::string OutputPath() const { return (output.Path() / "out.csv").string(); }

    TempFolder photos;
    TempFolder output;
    ExtractionSettings settings = Defaults();
    RunRequest request;  // Execute() puts the settings above in it
    TestHost host;
    ScriptedTagSource source;
};

}  // namespace

TEST_F(Run, WritesTheChosenLinesAndCountsEveryPhoto)
{
    photos.Touch("sub/IMG_0001.JPG");
    TempFolder empty;
    const std::string root = photos.Text();
    struct Case {
        const char* what;
        std::vector<int> columns;
        std::string expected;
        bool headings = false;
        bool fullPathsBelow = false;  // full paths of the photos in every folder below
        bool forSpreadsheets = false;
        bool emptyFolder = false;
        const char* typedAfterTheFolder = "";
    };
    const Case cases[] = {
        {.what = "for spreadsheets",
         .columns = {4},
         .expected =
             "\xEF\xBB\xBF\"Filename\",\"Camera manufacturer\"\n\"IMG_0001.JPG\",Fuji\n\"IMG_0002.JPG\",Nikon\n",
         .headings = true,
         .forSpreadsheets = true},
        {.what = "full paths, which tell duplicate names apart, in clean form however the folder was typed",
         .columns = {4},
         .expected = "\"" + root + "IMG_0001.JPG\",Fuji\n\"" + root + "IMG_0002.JPG\",Nikon\n\"" + root +
                     "sub/IMG_0001.JPG\",Fuji\n",
         .fullPathsBelow = true,
         .typedAfterTheFolder = "/sub/..//./"},
        {.what = "an empty folder",
         .columns = {0},
         .expected = "!\"Filename\",\"Date\"\n",
         .headings = true,
         .emptyFolder = true},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        settings = Defaults();
        settings.Flags = FlagsWith(row.columns);
        settings.CommentLine = row.headings ? 1 : 0;
        settings.FullFilePath = settings.SubFolders = row.fullPathsBelow ? 1 : 0;
        settings.Spreadsheet = row.forSpreadsheets ? 1 : 0;
        if (row.emptyFolder)
            settings.Folder = empty.Path().string();
        settings.Folder += row.typedAfterTheFolder;
        host = TestHost();
        source.readPaths.clear();

        Execute();
        EXPECT_EQ(Output(), row.expected);
        const std::int64_t count = row.emptyFolder ? 0 : row.fullPathsBelow ? 3 : 2;
        EXPECT_EQ(host.progressRange, count);
        EXPECT_EQ(host.progressPositions.size(), static_cast<std::size_t>(count));
        EXPECT_EQ(host.progressPositions.empty() ? -1 : host.progressPositions.back(), count - 1);
        EXPECT_EQ(source.readPaths, source.announced);
    }
}

// A run that is refused shows why, reads nothing and leaves the earlier output as it was.
TEST_F(Run, RefusedRunsTouchNothing)
{
    const std::string photo = photos.Touch("IMG_0003.jpg", "precious");
    fs::create_symlink(photo, output.Path() / "link.csv");
    fs::create_hard_link(photo, output.Path() / "second-name.csv");
    fs::create_directory_symlink(photos.Path(), output.Path() / "photos-again");
    struct Case {
        const char* what;
        std::function<void()> change;
        MessageId message;
        std::string shown = "";  // a part of the text: the path and the reason, where the message has them
    };
    const Case cases[] = {
        {"a missing folder", [&] { settings.Folder = (photos.Path() / "missing").string(); }, MessageId::FolderMissing,
         (photos.Path() / "missing/ cannot be opened (No such file or directory)").string()},
        {"the output is a photo", [&] { settings.OutFile = photo; }, MessageId::OutputIsAPhoto},
        {"the output links to a photo", [&] { settings.OutFile = (output.Path() / "link.csv").string(); },
         MessageId::OutputIsAPhoto},
        {"the output is a second name of a photo",
         [&] { settings.OutFile = (output.Path() / "second-name.csv").string(); }, MessageId::OutputIsAPhoto},
        {"the output is a photo in a linked folder",
         [&] { settings.OutFile = (output.Path() / "photos-again" / "IMG_0003.jpg").string(); },
         MessageId::OutputIsAPhoto},
        // Nothing that could be read back: fields run together, no fields, or a hidden file.
        {"no separator", [&] { request.separator = ""; }, MessageId::SeparatorUnusable},
        {"a quote as separator, typed in the window", [&] { request.separator = "\""; }, MessageId::SeparatorUnusable},
        {"no column ticked", [&] { settings.Flags = FlagsWith({}); }, MessageId::NoColumns},
        {"no output name", [&] { settings.OutFile = ""; }, MessageId::OutputEmpty},
        {"an output name that is only an extension", [&] { settings.OutFile = (output.Path() / ".csv").string(); },
         MessageId::OutputUnnamed, "filename " + (output.Path() / ".csv").string() + " has"},
    };
    output.Touch("out.csv", "earlier work\n");
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        settings = Defaults();
        request.separator = ",";
        host = TestHost();
        row.change();
        EXPECT_EQ(Execute().outcome, RunResult::Outcome::Refused);
        EXPECT_EQ(host.MessageIds(), (std::vector{row.message}));
        EXPECT_NE(host.messages.at(0).text.find(row.shown), std::string::npos) << host.messages.at(0).text;
        EXPECT_TRUE(host.runningStates.empty());
        EXPECT_TRUE(source.readPaths.empty());
        EXPECT_EQ(Output(), "earlier work\n");
    }
}

TEST_F(Run, TheMapFileIsNamedAfterTheOutputAndNeverTakesItsPlace)
{
    EXPECT_EQ(MapPathFor("my.data/report"), "my.data/report.geojson");
    EXPECT_EQ(MapPathFor("places.geojson"), "places.geojson.geojson");
}

// A write that fails part-way (here a file size limit, as a full disk would) leaves the earlier
// output as it was and nothing beside it.
TEST_F(Run, AFailedWriteLeavesTheEarlierOutputAndNoTemporaryFile)
{
    for (int i = 0; i < 200; ++i)
        photos.Touch("P" + std::to_string(1000 + i) + ".jpg");
    settings.Flags = FlagsWith({3, 6, 7});
    // A workbook is written by its library, all at the end of the run.
    for (const std::string name : {"out.csv", "out.xlsx"}) {
        SCOPED_TRACE(name);
        const std::string path = (output.Path() / name).string();
        settings.OutFile = path;
        host = TestHost();
        output.Touch(name, "earlier work\n");
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit previousLimit{};
        ::getrlimit(RLIMIT_FSIZE, &previousLimit);
        const rlimit small{1000, previousLimit.rlim_max};
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        const RunResult result = Execute();
        ::setrlimit(RLIMIT_FSIZE, &previousLimit);
        std::signal(SIGXFSZ, previousHandler);

        EXPECT_EQ(result.outcome, RunResult::Outcome::WriteFailed);
        EXPECT_EQ(host.MessageIds(), (std::vector{MessageId::OutputNotWritten}));
        EXPECT_NE(host.messages[0].text.find(path + " (File too large)"), std::string::npos) << host.messages[0].text;
        EXPECT_EQ(output.Read(name), "earlier work\n");
        EXPECT_EQ(std::distance(fs::directory_iterator(output.Path()), {}), name == "out.csv" ? 1 : 2);
    }
}

// The output keeps its permissions and stays behind its link; a new one gets the usual permissions.
TEST_F(Run, TheOutputKeepsItsPermissionsAndLinksAndANewOneGetsTheUsualOnes)
{
    const mode_t previousMask = ::umask(027);
    Execute();
    ::umask(previousMask);
    EXPECT_EQ(fs::status(OutputPath()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    fs::permissions(OutputPath(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    output.Touch("real/target.csv", "earlier work\n");
    fs::create_symlink("real/target.csv", output.Path() / "link.csv");
    Execute();
    EXPECT_EQ(fs::status(OutputPath()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    settings.OutFile = (output.Path() / "link.csv").string();
    Execute();
    EXPECT_TRUE(fs::is_symlink(output.Path() / "link.csv"));
    EXPECT_EQ(Output("real/target.csv"), "\"IMG_0001.JPG\",Fuji\n\"IMG_0002.JPG\",Nikon\n");
}

// A stopped run keeps the records read so far where there was no file; an earlier file it
// replaces only when the host says so. Stopped while the folder is listed, it touches no file.
TEST_F(Run, AStoppedRunReplacesNoEarlierFileWithoutAsking)
{
    const std::string records = "\"IMG_0001.JPG\",Fuji\n";
    const std::string out = OutputPath();
    struct Case {
        const char* what;
        bool earlierFile;
        Answer answer;  // to the question whether to keep the records
        std::string kept;
        std::vector<MessageId> shown;
        std::string said;  // a part of the first message
        bool whileListing = false;
    };
    const Case cases[] = {
        {"no earlier file",
         false,
         Answer::No,
         records,
         {MessageId::Stopped},
         "Stopped after 1 photo; " + out + " holds the records written so far."},
        {"an earlier file, replaced",
         true,
         Answer::Yes,
         records,
         {MessageId::KeepStoppedRecords, MessageId::Stopped},
         "Stopped after 1 photo. Do you want to keep the records read so far?\nYes puts them in place of " + out +
             "; No keeps " + out + " as before."},
        {"stopped while listing", true, Answer::Yes, "earlier work\n", {MessageId::StoppedBeforeReading}, "", true},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        fs::remove(out);
        if (row.earlierFile)
            output.Touch("out.csv", "earlier work\n");
        if (row.whileListing)
            for (int i = 0; i < 300; ++i)  // enough to be looked after while they are listed
                photos.Touch("P" + std::to_string(1000 + i) + ".jpg");
        host = TestHost();
        host.abortAfterPhotos = 1;
        host.abortWhileListing = row.whileListing;
        host.duplicateAnswer = row.answer;
        source.readPaths.clear();
        EXPECT_EQ(Execute().outcome, RunResult::Outcome::Aborted);
        EXPECT_EQ(Output(), row.kept);
        ASSERT_EQ(host.MessageIds(), row.shown);
        EXPECT_NE(host.messages[0].text.find(row.said), std::string::npos) << host.messages[0].text;
        EXPECT_EQ(host.messages.back().writtenFile, row.kept == records ? out : "");
    }

    host.abortAfterPhotos = -1;  // the request is still there when the next run starts
    host.abortWhileListing = false;
    EXPECT_EQ(Execute().outcome, RunResult::Outcome::Completed);
}

// A folder that cannot be opened is named and counted the same way, as the batch command over a
// hostile tree shows.
TEST_F(Run, UnreadablePhotosAreCountedAndNamedInTheSummary)
{
    settings.Flags = FlagsWith({7});
    photos.Touch("broken.jpg");
    source.Set("broken.jpg", {}, ReadOutcome::Crashed);
    photos.Touch("text.jpg");  // not in the script: the library cannot open it
    Execute();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "EXIF data have been extracted from 2 of 4 files and stored in " + OutputPath() +
                                         ".\n2 of these files could not be read as photos: none of their metadata is "
                                         "in the output.");
    EXPECT_EQ(host.messages[0].icon, Message::Icon::Warning);
}

// Checked as a map program reads it: valid JSON and UTF-8 even for a name that is not, a point
// at the very edge of the globe, the photo's ticked columns as properties.
TEST_F(Run, TheMapHoldsAPointForEachPhotoThatHasAPosition)
{
    // 51°1'30" N 0°7'39.93" W, which a 32-bit float would make 51.025002.
    photos.Touch("north.jpg");
    source.Set("north.jpg",
               TagsWith({{Tag::GPSLatitude, Triple({51, 1}, {1, 1}, {30, 1})},
                         {Tag::GPSLatitudeRef, Text("N")},
                         {Tag::GPSLongitude, Triple({0, 1}, {7, 1}, {3993, 100})},
                         {Tag::GPSLongitudeRef, Text("W")},
                         {Tag::GPSAltitude, Fraction(1234, 10)}}),
               ReadOutcome::Read, {{"4", 4.0}, {"Jo", std::nullopt}});
    photos.Touch("\xFF edge.jpg");
    source.Set("\xFF edge.jpg", TagsWith({{Tag::GPSLatitude, Triple({9000, 100}, {0, 1}, {0, 1})},
                                          {Tag::GPSLatitudeRef, Text("N")},
                                          {Tag::GPSLongitude, Triple({18000, 100}, {0, 1}, {0, 1})},
                                          {Tag::GPSLongitudeRef, Text("W")}}));
    settings.Flags = FlagsWith({4, 16, 18, 19}) + "11";
    settings.ExtraTags = "Xmp.xmp.Rating Exif.Image.Artist";
    request.mapPath = (output.Path() / "map.geojson").string();
    Execute();
    EXPECT_EQ(host.MessageIds(), (std::vector{MessageId::Summary}));

    QJsonParseError error{};
    const QJsonDocument map = QJsonDocument::fromJson(QByteArray::fromStdString(output.Read("map.geojson")), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    const QJsonArray features = map["features"].toArray();
    ASSERT_EQ(features.size(), 2);
    // The columns' six decimals as they are; the points themselves are compared with exiftool's
    // reading of the generated photos.
    EXPECT_EQ(features[0]["properties"]["GPS latitude"], QJsonValue(51.025));
    EXPECT_EQ(features[1]["geometry"]["coordinates"].toArray(), (QJsonArray{-180.0, 90.0}));
    // Numbers as numbers, for a map program to sort and style by; none as null, never "" or " ".
    EXPECT_EQ(features[0]["properties"]["GPS altitude"], QJsonValue(123.4));
    // Tags by key too, keyed by the key: a number as a number, a text as a string.
    EXPECT_EQ(features[0]["properties"]["Xmp.xmp.Rating"], QJsonValue(4));
    EXPECT_EQ(features[0]["properties"]["Exif.Image.Artist"], QJsonValue("Jo"));
    const QJsonObject properties = features[1]["properties"].toObject();
    EXPECT_EQ(properties.keys(), (QStringList{"Camera manufacturer", "Exif.Image.Artist", "Filename", "GPS altitude",
                                              "GPS date/time", "GPS latitude", "Xmp.xmp.Rating"}));
    EXPECT_EQ(properties["Filename"].toString(), "\u00FF edge.jpg");
    EXPECT_EQ(properties["GPS latitude"], QJsonValue(90.0));
    for (const char* none : {"Camera manufacturer", "GPS altitude", "GPS date/time", "Xmp.xmp.Rating"})
        EXPECT_TRUE(properties[none].isNull()) << none;
}

// A listed path that goes back from a link's name is read as given, as going back from the link's
// target would lead elsewhere; duplicate names in a list are asked about as in a folder.
TEST_F(Run, AGivenListOfPhotosIsReadInsteadOfTheFolderLikeAFoldersPhotos)
{
    const std::string root = photos.Text();
    photos.Touch("other/IMG_0001.JPG");
    fs::create_directories(photos.Path() / "other" / "deeper");
    fs::create_directory_symlink(photos.Path() / "other" / "deeper", photos.Path() / "link");
    request.photos = PhotoList{root + "link/../IMG_0001.JPG", root + "IMG_0001.JPG"};
    settings.Folder = "";
    host.duplicateAnswer = Answer::Yes;
    Execute();
    EXPECT_EQ(source.readPaths, (std::vector<std::string>{root + "IMG_0001.JPG", root + "link/../IMG_0001.JPG"}));
    EXPECT_EQ(host.MessageIds(), (std::vector{MessageId::DuplicateNames, MessageId::Summary}));
}
