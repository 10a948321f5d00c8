// Runs the built batch command as a user's script would.

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <csignal>
#include <fstream>
#include <thread>

namespace {

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class BatchCommand : public ::testing::Test {
protected:
    BatchCommand()
    {
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(config.Path().string()));
        environment.insert("FOTOHARVESTER_READER", QString::fromUtf8(FAKE_READER_PATH));
    }

    void Start(QProcess& process, const QStringList& arguments)
    {
        process.setProcessEnvironment(environment);
        process.start(QString::fromUtf8(BATCH_COMMAND_PATH), arguments);
        process.waitForStarted();
    }

    Outcome Run(const QStringList& arguments)
    {
        QProcess process;
        Start(process, arguments);
        process.waitForFinished(60000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
    }

    QString Folder() const { return QString::fromStdString(photos.Path().string()); }
    QString Output(const char* name = "out.csv") const { return QString::fromStdString((output.Path() / name).string()); }

    TempFolder config;
    TempFolder photos;
    TempFolder output;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

}  // namespace

TEST_F(BatchCommand, WritesRecordsToTheFileAndTheSummaryToStandardError)
{
    photos.Touch("b.jpg");
    photos.Touch("a.jpg");
    const Outcome outcome = Run({"--folder", Folder(), "--output", Output("out"), "--columns", "4", "--headings"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "EXIF data have been successfully extracted from 2 files and stored in " +
                               Output().toStdString() + ".\n");
    EXPECT_EQ(output.Read("out.csv"), "!\"Filename\",\"Camera manufacturer\"\n\"a.jpg\",a.jpg\n\"b.jpg\",b.jpg\n");
}

TEST_F(BatchCommand, TabSeparatorFromTheTextT)
{
    photos.Touch("a.jpg");
    const Outcome outcome = Run({"--folder", Folder(), "--output", Output(), "--columns", "4,7", "--separator", "Tab"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(output.Read("out.csv"), "\"a.jpg\"\ta.jpg\t0x0\n");
}

TEST_F(BatchCommand, DuplicateNamesStopWithoutYesAndLeaveTheOldFile)
{
    photos.Touch("x/a.jpg");
    photos.Touch("y/a.jpg");
    output.Touch("out.csv", "keep me\n");
    Outcome outcome = Run({"--folder", Folder(), "--output", Output(), "--subfolders", "--columns", "4"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.err.find("Duplicate filenames found. Do you want to continue?"), std::string::npos);
    EXPECT_EQ(output.Read("out.csv"), "keep me\n");

    outcome = Run({"--folder", Folder(), "--output", Output(), "--subfolders", "--columns", "4", "--yes"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(output.Read("out.csv"), "\"a.jpg\",a.jpg\n\"a.jpg\",a.jpg\n");
}

TEST_F(BatchCommand, RefusalsAndUsageErrorsHaveTheirOwnExitStatus)
{
    Outcome outcome = Run({"--folder", Folder() + "/missing", "--output", Output()});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, "This folder does not exist! Please reenter or use the browse button to locate the folder..\n");
    outcome = Run({"--folder", "", "--output", Output()});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, "Folder to scan cannot be empty. Please fill in or select a folder.\n");
    outcome = Run({"--columns", "99"});
    EXPECT_EQ(outcome.exitCode, 2);
    outcome = Run({"--help"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_NE(outcome.out.find("--month-names"), std::string::npos);
}

TEST_F(BatchCommand, PhotosThatCouldNotBeReadAreReportedAndChangeTheExitStatus)
{
    photos.Touch("a.jpg");
    photos.Touch("crash.jpg");
    const Outcome outcome = Run({"--folder", Folder(), "--output", Output(), "--columns", "4,7"});
    EXPECT_EQ(outcome.exitCode, 3);
    EXPECT_NE(outcome.err.find("extracted from 1 of 2 files"), std::string::npos);
    EXPECT_NE(outcome.err.find("1 of these files could not be read as photos"), std::string::npos);
    EXPECT_EQ(output.Read("out.csv"), "\"a.jpg\",a.jpg,0x0\n\"crash.jpg\",,0x0\n");
}

TEST_F(BatchCommand, AFullDiskIsAnErrorNamingTheFile)
{
    photos.Touch("a.jpg");
    std::filesystem::create_symlink("/dev/full", output.Path() / "full.csv");
    const Outcome outcome = Run({"--folder", Folder(), "--output", Output("full.csv"), "--columns", "4"});
    EXPECT_EQ(outcome.exitCode, 4);
    EXPECT_NE(outcome.err.find("could not be written to " + Output("full.csv").toStdString()), std::string::npos);
    EXPECT_EQ(outcome.err.find("successfully"), std::string::npos);
}

TEST_F(BatchCommand, InterruptFinishesThePhotoInProgressAndClosesTheFile)
{
    for (int i = 0; i < 200; ++i)
        photos.Touch("slow" + std::to_string(1000 + i) + ".jpg");  // the fake reader takes 30 ms each
    QProcess process;
    Start(process, {"--folder", Folder(), "--output", Output(), "--columns", "4", "--readers", "1"});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 130);
    const std::string written = output.Read("out.csv");
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.back(), '\n');
    const auto lines = std::count(written.begin(), written.end(), '\n');
    EXPECT_GT(lines, 0);
    EXPECT_LT(lines, 200);
    EXPECT_EQ(written.substr(0, 23), "\"slow1000.jpg\",slow1000");
    EXPECT_NE(process.readAllStandardError().toStdString().find("Stopped after"), std::string::npos);
}

TEST_F(BatchCommand, AKilledRunLeavesTheEarlierOutputAndTheNextRunNothingBesideItsOwn)
{
    for (int i = 0; i < 200; ++i)
        photos.Touch("slow" + std::to_string(1000 + i) + ".jpg");
    const std::string earlier("an earlier output\n\0\xFF\n", 21);
    output.Touch("out.csv", earlier);
    QProcess process;
    Start(process, {"--folder", Folder(), "--output", Output(), "--columns", "4", "--readers", "1"});
    // Killed once the run has started writing: something appears beside the output.
    const auto started = std::chrono::steady_clock::now();
    while (std::distance(std::filesystem::directory_iterator(output.Path()), {}) < 2 &&
           std::chrono::steady_clock::now() - started < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(output.Read("out.csv"), earlier);

    const Outcome next = Run({"--folder", Folder(), "--output", Output(), "--columns", "4", "--readers", "8"});
    EXPECT_EQ(next.exitCode, 0) << next.err;
    const std::string written = output.Read("out.csv");
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 200);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(output.Path()), {}), 1);
}

TEST_F(BatchCommand, TwoRunsOnOneOutputGiveOneWholeFileAndARefusalNamingIt)
{
    // The two write records of different lengths, so that any mixing of them shows.
    std::string shortRecords;
    std::string longRecords;
    for (int i = 0; i < 300; ++i) {
        const std::string name = "slow" + std::to_string(1000 + i) + ".jpg";
        photos.Touch(name);
        shortRecords += "\"" + name + "\"," + name + "\n";
        longRecords += "\"" + name + "\"," + name + ",0x0\n";
    }
    QProcess first;
    QProcess second;
    Start(first, {"--folder", Folder(), "--output", Output(), "--columns", "4", "--readers", "8"});
    Start(second, {"--folder", Folder(), "--output", Output(), "--columns", "4,7", "--readers", "8"});
    ASSERT_TRUE(first.waitForFinished(30000) && second.waitForFinished(30000));
    const std::string written = output.Read("out.csv");
    EXPECT_TRUE(written == shortRecords || written == longRecords) << written.substr(0, 2000);
    for (QProcess* run : {&first, &second}) {
        const std::string err = run->readAllStandardError().toStdString();
        EXPECT_TRUE(run->exitCode() == 0 || run->exitCode() == 1) << err;
        if (run->exitCode() == 1) {
            EXPECT_NE(err.find(Output().toStdString() + " is being written by another"), std::string::npos) << err;
        }
    }
}

TEST_F(BatchCommand, DefaultsComeFromTheWindowsStoredSettings)
{
    photos.Touch("a.jpg");
    const auto configFolder = config.Path() / "QX Software";
    std::filesystem::create_directories(configFolder);
    std::ofstream(configFolder / "Pixgatherer.conf")
        << "[General]\nFolder=" << photos.Path().string() << "\nOutFile=" << Output().toStdString()
        << "\nFlags=00001\nCommentLine=1\nSeparatorNum=2\n";
    const Outcome outcome = Run({});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(output.Read("out.csv"), "!\"Filename\";\"Camera manufacturer\"\n\"a.jpg\";a.jpg\n");
}
