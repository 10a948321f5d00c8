#include "extract/ExtractionRun.h"

#include "support/DeepFolder.h"
#include "support/ScriptedTagSource.h"
#include "support/Tags.h"
#include "support/TempFolder.h"
#include "support/TestHost.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

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

    RunResult Execute() { return ExtractionRun(settings, host, source).Execute(); }
    std::string Output(const std::string& name = "out.csv") const { return output.Read(name); }

    TempFolder photos;
    TempFolder output;
    ExtractionSettings settings;
    TestHost host{settings};
    ScriptedTagSource source;
};

}  // namespace

TEST_F(Run, WritesTheHeadingLineAndOneRecordPerPhotoInOrder)
{
    settings.CommentLine = 1;
    host.ticks = "00000110000100001" + std::string(12, '0');
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
}

TEST_F(Run, StoresTheTicksAndSeparatorPositionOnlyAtTheEnd)
{
    host.ticks = "1" + std::string(28, '0');
    host.separatorPosition = 3;
    settings.Flags = std::string(56, '0');
    Execute();
    EXPECT_EQ(settings.Flags, "1" + std::string(28, '0'));
    EXPECT_EQ(settings.SeparatorNum, 3);
    EXPECT_EQ(host.runningStates, (std::vector<bool>{true, false}));
}

TEST_F(Run, TicksAreReadAgainForEveryPhoto)
{
    host.ticks = std::string(29, '0');
    host.ticks[4] = '1';
    host.onPhoto = [this](int done) {
        if (done == 1)
            host.ticks[5] = '1';
    };
    Execute();
    EXPECT_EQ(Output(), "\"IMG_0001.JPG\",Fuji\n\"IMG_0002.JPG\",Nikon,D70\n");
}

TEST_F(Run, PhotosWithOnlyEmptyValuesAreCountedButNotWritten)
{
    host.ticks = std::string(29, '0');
    host.ticks[11] = '1';  // ISO: only the first photo has one
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
    host.ticks = "000011" + std::string(23, '0');
    host.separatorText = "";
    Execute();
    EXPECT_EQ(Output(), "\"IMG_0001.JPG\"FujiX100\n\"IMG_0002.JPG\"NikonD70\n");
    host.separatorText = "Tab";
    Execute();
    EXPECT_EQ(Output(), "\"IMG_0001.JPG\"\tFuji\tX100\n\"IMG_0002.JPG\"\tNikon\tD70\n");
}

TEST_F(Run, FullPathsNameThePhotosAndSkipTheDuplicateCheck)
{
    photos.Touch("sub/IMG_0001.JPG");
    settings.SubFolders = 1;
    settings.FullFilePath = 1;
    host.ticks = "00001" + std::string(24, '0');
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
    EXPECT_EQ(settings.Folder, photos.Path().string() + "/");
    settings.Folder = photos.Path().string() + "\\";
    Execute();
    EXPECT_EQ(settings.Folder, photos.Path().string() + "\\");
}

TEST_F(Run, OutputNameGetsCsvOnlyWithoutAnExtension)
{
    EXPECT_EQ(OutputPathFor("report"), "report.csv");
    EXPECT_EQ(OutputPathFor("out."), "out..csv");
    EXPECT_EQ(OutputPathFor("out.txt"), "out.txt");
    EXPECT_EQ(OutputPathFor(""), ".csv");
    EXPECT_EQ(OutputPathFor("C:\\my.data\\report"), "C:\\my.data\\report");
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
    EXPECT_EQ(settings.Flags, std::string(25, '0'));
}

TEST_F(Run, RefusesAnOutputThatCannotBeOpened)
{
    settings.OutFile = (output.Path() / "no-such-folder" / "out.csv").string();
    EXPECT_EQ(Execute().outcome, RunResult::Outcome::Refused);
    EXPECT_EQ(host.MessageIds(), (std::vector<int>{303}));
    EXPECT_TRUE(host.runningStates.empty());
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
    host.ticks = "00001" + std::string(24, '0');
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

TEST_F(Run, AbortAfterTheFirstPhotoKeepsItsRecordAndShowsNoMessage)
{
    settings.CommentLine = 1;
    host.ticks = "00001" + std::string(24, '0');
    host.abortAfterPhotos = 1;
    host.separatorPosition = 2;
    const RunResult result = Execute();
    EXPECT_EQ(result.outcome, RunResult::Outcome::Aborted);
    EXPECT_EQ(result.photoCount, 1);
    EXPECT_EQ(Output(), "!\"Filename\",\"Camera manufacturer\"\n\"IMG_0001.JPG\",Fuji\n");
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(settings.Flags, host.ticks);
    EXPECT_EQ(settings.SeparatorNum, 2);
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
    host.ticks = "1" + std::string(28, '0');
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
    host.ticks = "0000000100" + std::string(19, '0');
    const RunResult result = Execute();
    EXPECT_EQ(result.outcome, RunResult::Outcome::Completed);
    EXPECT_EQ(result.unreadableCount, 2);
    EXPECT_EQ(result.photoCount, 4);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find("from 4 files"), std::string::npos);
    EXPECT_NE(host.messages[0].text.find("\n2 of these files could not be read as photos"), std::string::npos);
    EXPECT_EQ(host.messages[0].icon, Message::Icon::Warning);
    EXPECT_NE(Output().find("\"broken.jpg\",0x0\n"), std::string::npos);
}

TEST_F(Run, FoldersThatCannotBeListedAreCountedInTheSummary)
{
    // Beyond the path-length limit a folder cannot be listed, whoever runs the test.
    const DeepFolder deep(photos.Path(), "hidden.jpg", "x");
    ASSERT_TRUE(deep.Made());
    settings.SubFolders = 1;
    host.ticks = "0000000100" + std::string(19, '0');
    const RunResult result = Execute();
    EXPECT_EQ(result.outcome, RunResult::Outcome::Completed);
    EXPECT_EQ(result.unlistedFolderCount, 1);
    EXPECT_EQ(result.photoCount, 2);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find("from 2 files"), std::string::npos);
    EXPECT_NE(host.messages[0].text.find("\n1 folders could not be opened"), std::string::npos);
    EXPECT_EQ(host.messages[0].icon, Message::Icon::Warning);
}

TEST_F(Run, AFullDiskIsReportedWithThePathAndNeverAsSuccess)
{
    std::filesystem::create_symlink("/dev/full", output.Path() / "full.csv");
    settings.OutFile = (output.Path() / "full.csv").string();
    settings.CommentLine = 1;
    host.ticks = "00001" + std::string(24, '0');
    const RunResult result = Execute();
    EXPECT_EQ(result.outcome, RunResult::Outcome::WriteFailed);
    ASSERT_EQ(host.MessageIds(), (std::vector<int>{307}));
    EXPECT_NE(host.messages[0].text.find(settings.OutFile), std::string::npos);
    EXPECT_NE(host.messages[0].text.find("No space left on device"), std::string::npos);
    EXPECT_EQ(host.runningStates, (std::vector<bool>{true, false}));
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
