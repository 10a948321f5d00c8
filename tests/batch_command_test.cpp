// Runs the built batch command as a user's script would.

#include "support/Csv.h"
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
        process.setWorkingDirectory(QString::fromStdString(workingFolder.Path().string()));
        process.start(QString::fromUtf8(BATCH_COMMAND_PATH), arguments);
        process.waitForStarted();
    }

    Outcome Run(const QStringList& arguments, const QByteArray& input = {})
    {
        QProcess process;
        Start(process, arguments);
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(60000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
    }

    QString Folder() const { return QString::fromStdString(photos.Path().string()); }
    QString Output(const char* name = "out.csv") const { return QString::fromStdString((output.Path() / name).string()); }

    TempFolder config;
    TempFolder photos;
    TempFolder output;
    TempFolder workingFolder;  // the command's current folder
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
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
    Outcome outcome = Run({"--output", Output("out"), "--columns", "4", "--headings", Folder()});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "fotoharvester-cli: 2 photos read, records written to " + Output().toStdString() + "\n");
    EXPECT_EQ(output.Read("out.csv"), "!\"Filename\",\"Camera manufacturer\"\n\"a.jpg\",a.jpg\n\"b.jpg\",b.jpg\n");

    // Or to standard output, and nothing into the current folder.
    outcome = Run({"--output", "-", "--columns", "4,7", "--separator", "tab", "--", Folder()});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out, "\"a.jpg\"\ta.jpg\t0x0\n\"b.jpg\"\tb.jpg\t0x0\n");
    EXPECT_EQ(outcome.err, "fotoharvester-cli: 2 photos read, records written to standard output\n");
    EXPECT_TRUE(std::filesystem::is_empty(workingFolder.Path()));
}

// Names a shell user gives for a device or a stream are used as they are, and a name that is no
// name is refused rather than made into a hidden ".csv".
TEST_F(BatchCommand, OutputNamesAreTakenAsAShellUserMeansThem)
{
    photos.Touch("a.jpg");
    Outcome outcome = Run({Folder(), "--columns", "4", "--output", "/dev/stdout"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "\"a.jpg\",a.jpg\n");
    EXPECT_FALSE(std::filesystem::exists("/dev/stdout.csv"));
    outcome = Run({Folder(), "--columns", "4", "--output", "/dev/null"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_FALSE(std::filesystem::exists("/dev/null.csv"));

    for (const QString& name : {QString(), QStringLiteral(".csv"), Output(".csv")}) {
        outcome = Run({Folder(), "--defaults", "--columns", "4", "--output", name});
        EXPECT_EQ(outcome.exitCode, 2) << name.toStdString();
        EXPECT_EQ(outcome.err.rfind("fotoharvester-cli: ", 0), 0u) << outcome.err;
    }
    outcome = Run({Folder(), "--defaults", "--columns", "4"});  // and no output stored
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_NE(outcome.err.find("no output file"), std::string::npos) << outcome.err;
    EXPECT_TRUE(std::filesystem::is_empty(workingFolder.Path()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(output.Path()), {}), 0);
}

// Read back as a spreadsheet reads it: a byte-order mark, and every name and value as it was, with
// an apostrophe before those that would start a formula.
TEST_F(BatchCommand, ForSpreadsheetsAByteOrderMarkAndNoFormulas)
{
    for (const char* name : {"=1+1.jpg", "-2.jpg", "@x.jpg", "Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65.jpg"})
        photos.Touch(name);
    const Outcome outcome = Run({Folder(), "--output", Output(), "--columns", "4,7", "--headings", "--spreadsheet",
                                 "--separator", "semicolon"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    const std::string written = output.Read("out.csv");
    ASSERT_EQ(written.rfind("\xEF\xBB\xBF!", 0), 0u);
    using Records = std::vector<std::vector<std::string>>;
    EXPECT_EQ(ParseCsv(std::string_view(written).substr(3), ";"),
              (Records{{"!Filename", "Camera manufacturer", "Width x height"},
                       {"'-2.jpg", "'-2.jpg", "0x0"},
                       {"'=1+1.jpg", "'=1+1.jpg", "0x0"},
                       {"'@x.jpg", "'@x.jpg", "0x0"},
                       {"Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65.jpg", "Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65.jpg", "0x0"}}));
}

TEST_F(BatchCommand, DuplicateNamesStopWithoutYesAndLeaveTheOldFile)
{
    photos.Touch("x/a.jpg");
    photos.Touch("y/a.jpg");
    output.Touch("out.csv", "keep me\n");
    Outcome outcome = Run({"--folder", Folder(), "--output", Output(), "--subfolders", "--columns", "4"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, "fotoharvester-cli: photos in different folders share the name a.jpg; add --full-path to "
                           "tell them apart, or --yes to write them all the same\n");
    EXPECT_EQ(output.Read("out.csv"), "keep me\n");

    outcome = Run({"--folder", Folder(), "--output", Output(), "--subfolders", "--columns", "4", "--yes"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(output.Read("out.csv"), "\"a.jpg\",a.jpg\n\"a.jpg\",a.jpg\n");
}

TEST_F(BatchCommand, RefusalsAndUsageErrorsHaveTheirOwnExitStatusAndOneLineEach)
{
    Outcome outcome = Run({Folder() + "/missing", "--output", Output()});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, "fotoharvester-cli: cannot open folder " + Folder().toStdString() +
                               "/missing/: No such file or directory\n");
    outcome = Run({"--folder", "", "--output", Output()});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, "fotoharvester-cli: no folder to scan: name one as FOLDER, or give --files-from\n");
    outcome = Run({Folder(), "--output", Output("no-such-folder/out.csv")});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, "fotoharvester-cli: cannot write " + Output("no-such-folder/out.csv").toStdString() +
                               ": No such file or directory\n");
    for (const QStringList& wrong : {QStringList{"--columns", "99"}, QStringList{"--separator", "Semicolon"},
                                     QStringList{Folder(), Folder()}}) {
        outcome = Run(wrong);
        EXPECT_EQ(outcome.exitCode, 2) << wrong.join(' ').toStdString();
        EXPECT_EQ(outcome.err.rfind("fotoharvester-cli: ", 0), 0u) << outcome.err;
    }
    outcome = Run({"--help"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_NE(outcome.out.find("--month-names"), std::string::npos);
    outcome = Run({"-V"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out.rfind("fotoharvester-cli ", 0), 0u);
}

TEST_F(BatchCommand, PhotosThatCouldNotBeReadAreReportedAndChangeTheExitStatus)
{
    photos.Touch("a.jpg");
    photos.Touch("crash.jpg");
    Outcome outcome = Run({"--folder", Folder(), "--output", Output(), "--columns", "4,7"});
    EXPECT_EQ(outcome.exitCode, 3);
    EXPECT_EQ(outcome.err, "fotoharvester-cli: " + photos.Text() + "crash.jpg: crashed the reader\n"
                           "fotoharvester-cli: 2 photos read, records written to " + Output().toStdString() + "\n"
                           "fotoharvester-cli: 1 photo could not be read; its record holds no metadata\n");
    EXPECT_EQ(output.Read("out.csv"), "\"a.jpg\",a.jpg,0x0\n\"crash.jpg\",,0x0\n");

    // Quiet: the same run and status, and not a word.
    outcome = Run({"--folder", Folder(), "--output", Output(), "--columns", "4,7", "-q"});
    EXPECT_EQ(outcome.exitCode, 3);
    EXPECT_EQ(outcome.err, "");

    // A photo the first library fails on and the second reads counts as read.
    std::filesystem::remove(photos.Path() / "crash.jpg");
    photos.Touch("fallback.jpg");
    outcome = Run({"--folder", Folder(), "--output", Output(), "--columns", "4"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(output.Read("out.csv"), "\"a.jpg\",a.jpg\n\"fallback.jpg\",fallback.jpg\n");
}

TEST_F(BatchCommand, AFullDiskIsAnErrorNamingTheFile)
{
    photos.Touch("a.jpg");
    std::filesystem::create_symlink("/dev/full", output.Path() / "full.csv");
    const Outcome outcome = Run({"--folder", Folder(), "--output", Output("full.csv"), "--columns", "4"});
    EXPECT_EQ(outcome.exitCode, 4);
    EXPECT_EQ(outcome.err, "fotoharvester-cli: could not write " + Output("full.csv").toStdString() +
                               ": No space left on device; an earlier file of that name is left as it was\n");
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
    EXPECT_NE(process.readAllStandardError().toStdString().find("fotoharvester-cli: stopped after "), std::string::npos);
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
    Outcome outcome = Run({});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(output.Read("out.csv"), "!\"Filename\";\"Camera manufacturer\"\n\"a.jpg\";a.jpg\n");

    // Unless the script asks for the defaults: the same file on every machine.
    outcome = Run({"--defaults", "--columns", "4,7", "--output", Output(), Folder()});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(output.Read("out.csv"), "\"a.jpg\",a.jpg,0x0\n");
}

// A list of photos instead of a folder: lines or NUL-separated names, from a file or standard
// input, sorted, with anything that is no photo left out.
TEST_F(BatchCommand, PhotosFromAList)
{
    const std::string b = photos.Touch("b.jpg");
    const std::string a = photos.Touch("sub/a.jpg");
    const std::string c = photos.Touch("c.jpg");
    photos.Touch("ignored.jpg");
    const QStringList run{"--columns", "4", "--full-path", "--output", "-", "--files-from"};
    Outcome outcome = Run(run + QStringList{"-"}, QByteArray::fromStdString(c + "\n" + a + "\r\nnotes.txt\n\n" + b));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "\"" + b + "\",b.jpg\n\"" + c + "\",c.jpg\n\"" + a + "\",a.jpg\n");
    EXPECT_EQ(outcome.err, "fotoharvester-cli: 3 photos read, records written to standard output\n");

    const std::string list = output.Touch("list", a + '\0' + b + '\0');
    outcome = Run(run + QStringList{QString::fromStdString(list), "-0"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "\"" + b + "\",b.jpg\n\"" + a + "\",a.jpg\n");
}

TEST_F(BatchCommand, WithoutAWorkingReaderTheRunIsRefusedAndTheOutputLeftAlone)
{
    photos.Touch("a.jpg");
    output.Touch("out.csv", "keep me\n");
    // A reader named without a folder must not be taken from the current folder, even when one is there.
    std::filesystem::copy_file(FAKE_READER_PATH, workingFolder.Path() / "fake_reader");
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
