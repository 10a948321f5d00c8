// Runs the built batch command as a user's script would.

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <unistd.h>

#include <csignal>
#include <filesystem>
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
        process.setWorkingDirectory(workingFolder);
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
    QString workingFolder = QString::fromStdString(output.Path().string());
};

// The processes running `program`, by process id.
std::vector<pid_t> ProcessesOf(const std::filesystem::path& program)
{
    std::vector<pid_t> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code gone;
        if (std::filesystem::read_symlink(entry.path() / "exe", gone) == program)
            found.push_back(static_cast<pid_t>(std::stoi(name)));
    }
    return found;
}

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
    EXPECT_NE(outcome.err.find("from 2 files"), std::string::npos);
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

TEST_F(BatchCommand, WithoutAWorkingReaderTheRunIsRefusedAndTheOutputLeftAlone)
{
    photos.Touch("a.jpg");
    output.Touch("out.csv", "keep me\n");
    // A reader named without a folder must not be taken from the current folder, even when one is there.
    std::filesystem::copy_file(FAKE_READER_PATH, output.Path() / "fake_reader");
    const std::string folder = photos.Path().string();
    for (const std::string& reader : {std::string("/nonexistent/fotoharvester-reader"), std::string("fake_reader"),
                                      std::string("/bin/false"), folder}) {
        environment.insert("FOTOHARVESTER_READER", QString::fromStdString(reader));
        const Outcome outcome = Run({"--folder", Folder(), "--output", Output(), "--columns", "4"});
        EXPECT_EQ(outcome.exitCode, 5) << reader;
        EXPECT_NE(outcome.err.find("No photo can be read: the photo reader " + reader + " could not be started"),
                  std::string::npos)
            << outcome.err;
        EXPECT_EQ(output.Read("out.csv"), "keep me\n") << reader;
    }
}

TEST_F(BatchCommand, KillingTheCommandLeavesNoReaderRunning)
{
    // A copy of the reader of its own, so that its processes are told from those of other tests.
    const std::filesystem::path reader = output.Path() / "stuck-reader";
    std::filesystem::copy_file(FAKE_READER_PATH, reader);
    environment.insert("FOTOHARVESTER_READER", QString::fromStdString(reader.string()));
    photos.Touch("a-hang.jpg");  // the fake reader never finishes it
    photos.Touch("b-hang.jpg");
    QProcess process;
    Start(process, {"--folder", Folder(), "--output", Output(), "--columns", "4", "--readers", "2"});
    const auto waitFor = [&reader](auto enough) {
        for (int tries = 0; tries < 300 && !enough(ProcessesOf(reader).size()); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return ProcessesOf(reader).size();
    };
    // Two readers at work (and the one they are forked from, where there is one).
    ASSERT_GE(waitFor([](std::size_t running) { return running >= 2; }), 2u);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // for both to be given their photo
    ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(waitFor([](std::size_t running) { return running == 0; }), 0u);
    for (const pid_t left : ProcessesOf(reader))
        ::kill(left, SIGKILL);
}
