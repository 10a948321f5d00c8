#include "extract/ExtractionRun.h"
#include "platform/FileSystem.h"

#include "support/DeepFolder.h"
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

namespace {

std::string FlagsWith(std::initializer_list<int> ticked)
{
    std::string flags(29, '0');
    for (int column : ticked)
        flags[column] = '1';
    return flags;
}

// A photo at a position, in hundredths of a degree and the hemisphere, and an altitude.
PhotoTags At(int latitude, const char* northOrSouth, int longitude, const char* eastOrWest, int decimetres = 0)
{
    PhotoTags tags = TagsWith({{Tag::GPSLatitude, Triple({latitude, 100}, {0, 1}, {0, 1})},
                               {Tag::GPSLatitudeRef, Text(northOrSouth)},
                               {Tag::GPSLongitude, Triple({longitude, 100}, {0, 1}, {0, 1})},
                               {Tag::GPSLongitudeRef, Text(eastOrWest)}});
    if (decimetres != 0)
        tags[Tag::GPSAltitude] = Fraction(decimetres, 10);
    return tags;
}

class Run : public ::testing::Test {
protected:
    Run()
    {
        settings.Folder = photos.Path().string();
        settings.OutFile = (output.Path() / "out").string();
        settings.MonthNames = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
        photos.Touch("IMG_0001.JPG");
        source.Set("IMG_0001.JPG", TagsWith({{Tag::Model, Text("X100")}, {Tag::ISOSpeed, Number(200)}, {Tag::Make, Text("Fuji")}}));
        photos.Touch("IMG_0002.JPG");
        source.Set("IMG_0002.JPG", TagsWith({{Tag::Model, Text("D70")}, {Tag::Make, Text("Nikon")}}));
    }

    RunResult Execute()
    {
        RunRequest request;
        request.settings = settings;
        request.separator = separator;
        request.mapPath = mapPath;
        request.photos = photoList;
        ExtractionRun run(std::move(request), host, source);
        const RunResult result = run.Execute();
        folderAfterRun = run.Settings().Folder;
        return result;
    }
    std::string Output(const std::string& name = "out.csv") const { return output.Read(name); }

    TempFolder photos;
    TempFolder output;
    ExtractionSettings settings;
    std::string separator = ",";
    std::string mapPath;
    std::optional<PhotoList> photoList;
    std::string folderAfterRun;
    TestHost host;
    ScriptedTagSource source;
};

}  // namespace

TEST_F(Run, WritesTheHeadingLineAndOneRecordPerPhotoInOrder)
{
    settings.CommentLine = 1;
    settings.Flags = FlagsWith({5, 6, 11, 16});
    const RunResult result = Execute();
    EXPECT_EQ(result.outcome, RunResult::Outcome::Completed);
    EXPECT_EQ(Output(),
              "!\"Filename\",\"Camera model\",\"Lens model\",\"ISO\",\"GPS latitude\"\n"
              "\"IMG_0001.JPG\",X100,\"Unknown\",200,\n"
              "\"IMG_0002.JPG\",D70,\"Unknown\",,\n");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].id, MessageId::Summary);
    EXPECT_EQ(host.messages[0].text, "EXIF data have been successfully extracted from 2 files and stored in " +
                                         (output.Path() / "out.csv").string() + ".");
    EXPECT_EQ(host.messages[0].icon, Message::Icon::Information);
    EXPECT_EQ(host.messages[0].writtenFile, (output.Path() / "out.csv").string());
}

TEST_F(Run, PhotosWithOnlyEmptyValuesAreCountedButNotWritten)
{
    settings.Flags = FlagsWith({11});  // ISO: only the first photo has one
    const RunResult result = Execute();
    EXPECT_EQ(Output(), "\"IMG_0001.JPG\",200\n");
    EXPECT_EQ(result.photoCount, 2);
}

TEST_F(Run, NoTickedColumnGivesAnEmptyFileAndStillCounts)
{
    settings.CommentLine = 1;
    const RunResult result = Execute();
    EXPECT_EQ(Output(), "!\"Filename\"\n");
    EXPECT_EQ(result.photoCount, 2);
}

TEST_F(Run, EmptySeparatorRunsTheFieldsTogetherAndTabWorks)
{
    settings.Flags = FlagsWith({4, 5});
    separator = "";
    Execute();
    EXPECT_EQ(Output(), "\"IMG_0001.JPG\"FujiX100\n\"IMG_0002.JPG\"NikonD70\n");
    separator = "\t";
    Execute();
    EXPECT_EQ(Output(), "\"IMG_0001.JPG\"\tFuji\tX100\n\"IMG_0002.JPG\"\tNikon\tD70\n");
}

TEST_F(Run, FullPathsNameThePhotosAndSkipTheDuplicateCheck)
{
    photos.Touch("sub/IMG_0001.JPG");
    settings.SubFolders = 1;
    settings.FullFilePath = 1;
    settings.Flags = FlagsWith({4});
    const RunResult result = Execute();
    EXPECT_EQ(result.outcome, RunResult::Outcome::Completed);
    const std::string root = photos.Path().string();
    EXPECT_EQ(Output(), "\"" + root + "/IMG_0001.JPG\",Fuji\n\"" + root + "/IMG_0002.JPG\",Nikon\n\"" + root +
                            "/sub/IMG_0001.JPG\",Fuji\n");
    EXPECT_EQ(host.MessageIds(), (std::vector<int>{301}));
}

TEST_F(Run, FolderGetsATrailingSeparatorThatStays)
{
    Execute();
    EXPECT_EQ(folderAfterRun, photos.Path().string() + "/");
    settings.Folder = photos.Path().string() + "\\";
    Execute();
    EXPECT_EQ(folderAfterRun, photos.Path().string() + "\\");
}

TEST_F(Run, OutputNameGetsCsvOnlyWithoutAnExtension)
{
    EXPECT_EQ(OutputPathFor("report"), "report.csv");
    EXPECT_EQ(OutputPathFor("out."), "out..csv");
    EXPECT_EQ(OutputPathFor("out.txt"), "out.txt");
    EXPECT_EQ(OutputPathFor(""), ".csv");
    EXPECT_EQ(OutputPathFor("C:\\my.data\\report"), "C:\\my.data\\report");
    EXPECT_EQ(MapPathFor("out.csv"), "out.geojson");
    EXPECT_EQ(MapPathFor("a.b.txt"), "a.b.geojson");
    EXPECT_EQ(MapPathFor("my.data/report"), "my.data/report.geojson");
    EXPECT_EQ(MapPathFor("places.geojson"), "places.geojson.geojson");
    settings.OutFile = (output.Path() / "out.").string();
    Execute();
    EXPECT_TRUE(std::filesystem::exists(output.Path() / "out..csv"));
}

TEST_F(Run, RefusesAnEmptyOrMissingFolderBeforeTouchingAnything)
{
    settings.Folder = "";
    EXPECT_EQ(Execute().outcome, RunResult::Outcome::Refused);
    settings.Folder = (photos.Path() / "missing").string();
    EXPECT_EQ(Execute().outcome, RunResult::Outcome::Refused);
    EXPECT_EQ(host.MessageIds(), (std::vector<int>{302, 300}));
    EXPECT_EQ(host.messages[1].text,
              "This folder does not exist! Please reenter or use the browse button to locate the folder..");
    EXPECT_FALSE(std::filesystem::exists(output.Path() / "out.csv"));
    EXPECT_TRUE(host.runningStates.empty());
}

TEST_F(Run, RefusesAnOutputThatCannotBeOpened)
{
    settings.OutFile = (output.Path() / "no-such-folder" / "out.csv").string();
    EXPECT_EQ(Execute().outcome, RunResult::Outcome::Refused);
    EXPECT_EQ(host.MessageIds(), (std::vector<int>{303}));
    EXPECT_EQ(host.messages[0].arguments, (std::vector<std::string>{settings.OutFile, "No such file or directory"}));
    EXPECT_TRUE(host.runningStates.empty());
}

TEST_F(Run, ASecondRunOnTheSameOutputIsRefusedWhileTheFirstHoldsIt)
{
    output.Touch("out.csv", "earlier work\n");
    platform::ReplacementFile first;
    ASSERT_EQ(first.Open((output.Path() / "out.csv").string()), platform::ReplacementFile::Opening::Opened);
    EXPECT_EQ(Execute().outcome, RunResult::Outcome::Refused);
    ASSERT_EQ(host.MessageIds(), (std::vector<int>{311}));
    EXPECT_NE(host.messages[0].text.find((output.Path() / "out.csv").string()), std::string::npos);
    EXPECT_TRUE(source.readPaths.empty());
    first.Discard();
    EXPECT_EQ(Output(), "earlier work\n");
    EXPECT_EQ(Execute().outcome, RunResult::Outcome::Completed);
}

// A write that fails part-way (here a file size limit, as a full disk would) leaves the earlier
// output as it was and nothing beside it.
TEST_F(Run, AFailedWriteLeavesTheEarlierOutputAndNoTemporaryFile)
{
    for (int i = 0; i < 200; ++i)
        photos.Touch("P" + std::to_string(1000 + i) + ".jpg");
    settings.Flags = FlagsWith({3, 6, 7});
    output.Touch("out.csv", "earlier work\n");
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previousLimit{};
    ::getrlimit(RLIMIT_FSIZE, &previousLimit);
    rlimit small = previousLimit;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const RunResult result = Execute();
    ::setrlimit(RLIMIT_FSIZE, &previousLimit);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(result.outcome, RunResult::Outcome::WriteFailed);
    EXPECT_EQ(host.MessageIds(), (std::vector<int>{307}));
    EXPECT_EQ(Output(), "earlier work\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(output.Path()), {}), 1);
}

// The output keeps its permissions and stays behind its link; a new one gets the usual permissions.
TEST_F(Run, TheOutputKeepsItsPermissionsAndLinksAndANewOneGetsTheUsualOnes)
{
    namespace fs = std::filesystem;
    const mode_t previousMask = ::umask(027);
    Execute();
    ::umask(previousMask);
    EXPECT_EQ(fs::status(output.Path() / "out.csv").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    fs::permissions(output.Path() / "out.csv", fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    fs::create_directory(output.Path() / "real");
    output.Touch("real/target.csv", "earlier work\n");
    fs::create_symlink("real/target.csv", output.Path() / "link.csv");
    settings.Flags = FlagsWith({4});
    Execute();
    EXPECT_EQ(fs::status(output.Path() / "out.csv").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    settings.OutFile = (output.Path() / "link.csv").string();
    Execute();
    EXPECT_TRUE(fs::is_symlink(output.Path() / "link.csv"));
    EXPECT_EQ(Output("real/target.csv"), "\"IMG_0001.JPG\",Fuji\n\"IMG_0002.JPG\",Nikon\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(output.Path() / "real"), {}), 1);
}

TEST_F(Run, DuplicateNamesAreAskedAboutBeforeTheOutputIsOpened)
{
    photos.Touch("sub/IMG_0001.JPG");
    settings.SubFolders = 1;
    output.Touch("out.csv", "earlier work\n");
    host.duplicateAnswer = Answer::No;
    EXPECT_EQ(Execute().outcome, RunResult::Outcome::Declined);
    EXPECT_EQ(host.MessageIds(), (std::vector<int>{305}));
    EXPECT_EQ(host.messages[0].buttons, Message::Buttons::YesNo);
    EXPECT_EQ(host.messages[0].text,
              "Duplicate filenames found. Do you want to continue?\nTo avoid this problem, use the full path option. ");
    EXPECT_EQ(Output(), "earlier work\n");
    EXPECT_TRUE(source.readPaths.empty());

    host.duplicateAnswer = Answer::Yes;
    settings.Flags = FlagsWith({4});
    EXPECT_EQ(Execute().outcome, RunResult::Outcome::Completed);
    EXPECT_EQ(Output(), "\"IMG_0001.JPG\",Fuji\n\"IMG_0002.JPG\",Nikon\n\"IMG_0001.JPG\",Fuji\n");
}

TEST_F(Run, NeverWritesTheOutputOverOneOfThePhotos)
{
    const std::string photo = photos.Touch("IMG_0003.jpg", "precious");
    settings.OutFile = photo;
    EXPECT_EQ(Execute().outcome, RunResult::Outcome::Refused);
    std::filesystem::create_symlink(photo, output.Path() / "link.csv");
    settings.OutFile = (output.Path() / "link.csv").string();
    EXPECT_EQ(Execute().outcome, RunResult::Outcome::Refused);
    std::filesystem::create_hard_link(photo, output.Path() / "second-name.csv");
    settings.OutFile = (output.Path() / "second-name.csv").string();
    EXPECT_EQ(Execute().outcome, RunResult::Outcome::Refused);
    std::filesystem::create_directory_symlink(photos.Path(), output.Path() / "photos-again");
    settings.OutFile = (output.Path() / "photos-again" / "IMG_0003.jpg").string();
    EXPECT_EQ(Execute().outcome, RunResult::Outcome::Refused);
    EXPECT_EQ(host.MessageIds(), (std::vector<int>{308, 308, 308, 308}));
    EXPECT_EQ(host.messages[0].text,
              "The output file " + photo + " is one of the photos to be read. Please choose another output file.");
    EXPECT_EQ(photos.Read("IMG_0003.jpg"), "precious");
    EXPECT_TRUE(host.runningStates.empty());
}

TEST_F(Run, AbortAfterTheFirstPhotoKeepsItsRecordAndSaysSo)
{
    settings.CommentLine = 1;
    settings.Flags = FlagsWith({4});
    output.Touch("out.csv", "earlier work\n");
    host.abortAfterPhotos = 1;
    const RunResult result = Execute();
    EXPECT_EQ(result.outcome, RunResult::Outcome::Aborted);
    EXPECT_EQ(result.photoCount, 1);
    EXPECT_EQ(Output(), "!\"Filename\",\"Camera manufacturer\"\n\"IMG_0001.JPG\",Fuji\n");
    const std::string written = (output.Path() / "out.csv").string();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Stopped after 1 photos; " + written + " holds the records written so far.");
    EXPECT_EQ(host.messages[0].writtenFile, written);
    EXPECT_EQ(host.runningStates, (std::vector<bool>{true, false}));
}

TEST_F(Run, AnEarlierAbortRequestDoesNotStopANewRun)
{
    host.abortAfterPhotos = 0;  // requested before the loop starts
    host.SetProgressPosition(0);
    host.abortAfterPhotos = -1;
    EXPECT_EQ(Execute().outcome, RunResult::Outcome::Completed);
}

TEST_F(Run, ProgressCountsPhotosDoneAndTheRangeIsTheListSize)
{
    for (int i = 0; i < 70; ++i)
        photos.Touch("many/P" + std::to_string(1000 + i) + ".jpg");
    settings.SubFolders = 1;
    const RunResult result = Execute();
    EXPECT_EQ(host.progressRange, 72);
    ASSERT_EQ(host.progressPositions.size(), 72u);
    EXPECT_EQ(host.progressPositions.front(), 0);
    EXPECT_EQ(host.progressPositions.back(), 71);
    EXPECT_EQ(result.photoCount, 72);
}

TEST_F(Run, AnEmptyFolderGivesAHeadingOnlyAndACountOfZero)
{
    TempFolder empty;
    settings.Folder = empty.Path().string();
    settings.CommentLine = 1;
    settings.Flags = FlagsWith({0});
    const RunResult result = Execute();
    EXPECT_EQ(Output(), "!\"Filename\",\"Date\"\n");
    EXPECT_EQ(result.photoCount, 0);
    EXPECT_NE(host.messages.at(0).text.find("from 0 files"), std::string::npos);
}

TEST_F(Run, UnreadablePhotosAreCountedAndNamedInTheSummary)
{
    photos.Touch("broken.jpg");
    source.Set("broken.jpg", {}, ReadOutcome::Crashed);
    photos.Touch("text.jpg");  // not in the script: the library cannot open it
    settings.Flags = FlagsWith({7});
    const RunResult result = Execute();
    EXPECT_EQ(result.outcome, RunResult::Outcome::Completed);
    const std::string root = photos.Text();
    EXPECT_EQ(result.unreadPhotos, (std::vector<Unread>{{root + "broken.jpg", "crashed the reader"},
                                                        {root + "text.jpg", "not a photo, or damaged"}}));
    EXPECT_EQ(result.photoCount, 4);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find("extracted from 2 of 4 files"), std::string::npos);
    EXPECT_NE(host.messages[0].text.find("\n2 of these files could not be read as photos"), std::string::npos);
    EXPECT_EQ(host.messages[0].details, (std::vector<std::string>{root + "broken.jpg: crashed the reader",
                                                                  root + "text.jpg: not a photo, or damaged"}));
    EXPECT_EQ(host.messages[0].icon, Message::Icon::Warning);
    EXPECT_NE(Output().find("\"broken.jpg\",0x0\n"), std::string::npos);
}

TEST_F(Run, FoldersThatCannotBeListedAreCountedInTheSummary)
{
    // Beyond the path-length limit a folder cannot be listed, whoever runs the test.
    const DeepFolder deep(photos.Path(), "hidden.jpg", "x");
    ASSERT_TRUE(deep.Made());
    settings.SubFolders = 1;
    settings.Flags = FlagsWith({7});
    const RunResult result = Execute();
    EXPECT_EQ(result.outcome, RunResult::Outcome::Completed);
    ASSERT_EQ(result.unlistedFolders.size(), 1u);
    EXPECT_EQ(result.unlistedFolders[0].reason, "File name too long");
    EXPECT_EQ(result.photoCount, 2);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find("from 2 files"), std::string::npos);
    EXPECT_NE(host.messages[0].text.find("\n1 folders could not be opened"), std::string::npos);
    EXPECT_EQ(host.messages[0].details,
              (std::vector<std::string>{result.unlistedFolders[0].path + ": folder not opened: File name too long"}));
    EXPECT_EQ(host.messages[0].icon, Message::Icon::Warning);
}

TEST_F(Run, AFullDiskIsReportedWithThePathAndNeverAsSuccess)
{
    std::filesystem::create_symlink("/dev/full", output.Path() / "full.csv");
    settings.OutFile = (output.Path() / "full.csv").string();
    settings.CommentLine = 1;
    settings.Flags = FlagsWith({4});
    const RunResult result = Execute();
    EXPECT_EQ(result.outcome, RunResult::Outcome::WriteFailed);
    ASSERT_EQ(host.MessageIds(), (std::vector<int>{307}));
    EXPECT_NE(host.messages[0].text.find(settings.OutFile), std::string::npos);
    EXPECT_NE(host.messages[0].text.find("No space left on device"), std::string::npos);
    EXPECT_EQ(host.runningStates, (std::vector<bool>{true, false}));
}

TEST_F(Run, ForSpreadsheetsTheFileStartsWithAByteOrderMark)
{
    settings.Spreadsheet = 1;
    settings.CommentLine = 1;
    settings.Flags = FlagsWith({4});
    Execute();
    EXPECT_EQ(Output(), "\xEF\xBB\xBF!\"Filename\",\"Camera manufacturer\"\n\"IMG_0001.JPG\",Fuji\n\"IMG_0002.JPG\",Nikon\n");
}

// Checked as a map program reads it: valid JSON and UTF-8, a FeatureCollection of Points,
// longitude first, the altitude third when known, the photo's columns as properties.
TEST_F(Run, TheMapHoldsAPointForEachPhotoThatHasAPosition)
{
    photos.Touch("north.jpg");
    source.Set("north.jpg", At(4850, "N", 225, "E", 1234));
    photos.Touch("south.jpg");
    source.Set("south.jpg", At(2275, "S", 4350, "W"));
    photos.Touch("\xFF odd.jpg");  // a name that is not UTF-8
    source.Set("\xFF odd.jpg", At(9000, "N", 18000, "W"));
    settings.Flags = FlagsWith({4, 16});
    mapPath = (output.Path() / "map.geojson").string();
    const RunResult result = Execute();
    EXPECT_EQ(result.mappedCount, 3);
    EXPECT_EQ(result.unmappedCount, 2);  // the fixture's two photos have no position
    ASSERT_EQ(host.MessageIds(), (std::vector<int>{301}));
    EXPECT_NE(host.messages[0].text.find("\nThe map file " + mapPath + " shows 3 of them; photos without a position (2) are left out."),
              std::string::npos);

    QJsonParseError error{};
    const QJsonDocument map = QJsonDocument::fromJson(QByteArray::fromStdString(output.Read("map.geojson")), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    const QJsonObject collection = map.object();
    EXPECT_EQ(collection.keys(), (QStringList{"features", "type"}));
    EXPECT_EQ(collection["type"].toString(), "FeatureCollection");
    const QJsonArray features = collection["features"].toArray();
    ASSERT_EQ(features.size(), 3);
    const std::vector<std::vector<double>> coordinates{{2.25, 48.5, 123.4}, {-43.5, -22.75}, {-180.0, 90.0}};
    const QStringList names{"north.jpg", "south.jpg", "\u00FF odd.jpg"};
    for (int i = 0; i < 3; ++i) {
        const QJsonObject feature = features[i].toObject();
        EXPECT_EQ(feature["type"].toString(), "Feature");
        const QJsonObject geometry = feature["geometry"].toObject();
        EXPECT_EQ(geometry["type"].toString(), "Point");
        std::vector<double> point;
        for (const QJsonValue& number : geometry["coordinates"].toArray()) {
            EXPECT_TRUE(number.isDouble());
            point.push_back(number.toDouble());
        }
        EXPECT_EQ(point, coordinates[i]) << i;
        const QJsonObject properties = feature["properties"].toObject();
        EXPECT_EQ(properties.keys(), (QStringList{"Camera manufacturer", "Filename", "GPS latitude"}));
        EXPECT_EQ(properties["Filename"].toString(), names[i]);
    }
    EXPECT_EQ(features[1].toObject()["properties"].toObject()["GPS latitude"].toString(), "-22.750000");
}

TEST_F(Run, AGivenListOfPhotosIsReadInsteadOfTheFolderLikeAFoldersPhotos)
{
    const std::string root = photos.Text();
    photos.Touch("other/IMG_0001.JPG");
    photoList = PhotoList{root + "IMG_0002.JPG", root + "notes.txt", root + "other/IMG_0001.JPG", root + "IMG_0001.JPG"};
    settings.Folder = "";
    settings.Flags = FlagsWith({4});
    host.duplicateAnswer = Answer::Yes;
    const RunResult result = Execute();
    EXPECT_EQ(result.outcome, RunResult::Outcome::Completed);
    EXPECT_EQ(result.photoCount, 3);
    EXPECT_EQ(source.readPaths, (std::vector<std::string>{root + "IMG_0001.JPG", root + "IMG_0002.JPG",
                                                          root + "other/IMG_0001.JPG"}));
    ASSERT_EQ(host.MessageIds(), (std::vector<int>{305, 301}));
    EXPECT_EQ(host.messages[0].arguments, (std::vector<std::string>{"IMG_0001.JPG"}));
}

TEST_F(Run, ReadsEachPhotoOnceInSortedOrderAsAnnounced)
{
    photos.Touch("a.jpg");
    photos.Touch("B.jpg");
    Execute();
    const std::string root = photos.Path().string() + "/";
    const std::vector<std::string> expected{root + "B.jpg", root + "IMG_0001.JPG", root + "IMG_0002.JPG", root + "a.jpg"};
    EXPECT_EQ(source.readPaths, expected);
    EXPECT_EQ(source.announced, expected);
}
