// The batch command and its real readers against folders, destinations and settings that work
// against them: whatever is there, the run ends with a well-formed file holding every readable
// photo, a count of what could not be read, and no crash.
//
// Permissions mean nothing to root, so the checks that need them run the command as the user
// "nobody" when the tests run as root.

#include "extract/ExtractionRun.h"
#include "metadata/ReaderPool.h"
#include "support/DeepFolder.h"
#include "support/TempFolder.h"
#include "support/TestHost.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const fs::path testPhotos = FH_TEST_PHOTOS;
const std::string cameraModel = "EOS 5D Mark IV\t";  // the model of camera-full.jpg

struct Outcome {
    int exitCode = -1;  // -1: the command crashed or did not finish
    std::string err;
};

enum class As { Caller, OrdinaryUser };

// The records of an output written with --full-path --no-headings --separator "|" and one column:
// the value by photo path. A photo whose values are all empty has no record.
std::map<std::string, std::string> Records(const std::string& output)
{
    std::map<std::string, std::string> records;
    std::stringstream stream(output);
    for (std::string line; std::getline(stream, line);) {
        const auto end = line.rfind("\"|");
        EXPECT_TRUE(line.front() == '"' && end != std::string::npos) << "not a record: " << line;
        if (end != std::string::npos)
            records[line.substr(1, end - 1)] = line.substr(end + 2);
    }
    return records;
}

class HostileInput : public ::testing::Test {
protected:
    HostileInput()
    {
        // An ordinary user must be able to reach the photos, write the output and read the settings.
        for (const TempFolder* folder : {&photos, &output, &config})
            fs::permissions(folder->Path(), fs::perms::all);
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(config.Path().string()));
        environment.remove("FOTOHARVESTER_READER");
    }

    // Runs the batch command, as the given user and behind the given command (which takes the
    // batch command and its arguments as its last arguments).
    Outcome Run(const QStringList& arguments, As as = As::Caller, QStringList wrapper = {})
    {
        QStringList command{QString::fromUtf8(BATCH_COMMAND_PATH)};
        if (as == As::OrdinaryUser && ::geteuid() == 0)
            command = QStringList{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--",
                                  ProgramsForEveryone()};
        command = wrapper + command + arguments;
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(workingFolder);
        process.start(command.takeFirst(), command);
        process.waitForFinished(300000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardError().toStdString()};
    }

    // The build tree may lie in a folder only its owner can enter: the batch command and its reader
    // are copied to where anyone may run them.
    QString ProgramsForEveryone()
    {
        const fs::path folder = programs.Path();
        fs::permissions(folder, fs::perms::all);
        for (const fs::path& program : {fs::path(BATCH_COMMAND_PATH), fs::path(READER_PATH)})
            fs::copy_file(program, folder / program.filename(), fs::copy_options::skip_existing);
        return QString::fromStdString((folder / fs::path(BATCH_COMMAND_PATH).filename()).string());
    }

    // Reads the model column of every photo below the photo folder into out.csv.
    Outcome RunOverPhotos(As as = As::Caller)
    {
        return Run({"--folder", Folder(), "--output", Output(), "--columns", "5", "--separator", "|",
                    "--no-headings", "--full-path", "--subfolders"},
                   as);
    }

    std::string Photo(const std::string& relative, const std::string& source = "camera-full.jpg") const
    {
        const fs::path path = photos.Path() / relative;
        fs::create_directories(path.parent_path());
        fs::copy_file(testPhotos / source, path, fs::copy_options::overwrite_existing);
        return path.string();
    }

    QString Folder() const { return QString::fromStdString(photos.Path().string()); }
    QString Output(const std::string& name = "out.csv") const
    {
        return QString::fromStdString((output.Path() / name).string());
    }

    TempFolder photos;
    TempFolder output;
    TempFolder config;
    TempFolder programs;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QString workingFolder = QString::fromStdString(output.Path().string());
};

}  // namespace

TEST_F(HostileInput, UnreadableFoldersAndPhotosAreCountedAndTheRestIsRead)
{
    const std::string readable = Photo("readable.jpg");
    const std::string locked = Photo("locked.jpg");
    Photo("closed/inside.jpg");
    fs::permissions(locked, fs::perms::none);
    fs::permissions(photos.Path() / "closed", fs::perms::none);

    const Outcome outcome = RunOverPhotos(As::OrdinaryUser);
    EXPECT_EQ(outcome.exitCode, 3) << outcome.err;
    // Each is named with the reason, before the summary counts them.
    EXPECT_EQ(outcome.err.find("fotoharvester-cli: cannot open folder " + photos.Text() + "closed/: Permission denied\n"
                               "fotoharvester-cli: " + locked + ": "),
              0u)
        << outcome.err;
    EXPECT_NE(outcome.err.find("\nfotoharvester-cli: 2 photos read"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("\nfotoharvester-cli: 1 photo could not be read"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("\nfotoharvester-cli: 1 folder could not be opened"), std::string::npos) << outcome.err;
    const auto records = Records(output.Read("out.csv"));
    EXPECT_EQ(records, (std::map<std::string, std::string>{{readable, cameraModel}}));
}

TEST_F(HostileInput, LoopsEmptyFilesPipesOddNamesAndFoldersNamedLikePhotos)
{
    const std::string good = Photo("good.jpg");
    const std::string inFolder = Photo("folder.jpg/inside.jpg");
    // Not UTF-8: the name comes out as Windows-1252 read into UTF-8, like any text of unstated encoding.
    Photo("odd-\xFF\xFE-\xC3(.jpg");
    const std::string oddName = (photos.Path() / "odd-\xC3\xBF\xC3\xBE-\xC3\x83(.jpg").string();
    photos.Touch("empty.jpg", "");
    const std::string pipe = (photos.Path() / "pipe.jpg").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    fs::create_directory_symlink(photos.Path(), photos.Path() / "folder.jpg" / "loop");
    fs::create_symlink(photos.Path() / "gone.jpg", photos.Path() / "dangling.jpg");

    const Outcome outcome = RunOverPhotos();
    EXPECT_EQ(outcome.exitCode, 3) << outcome.err;
    EXPECT_NE(outcome.err.find("\nfotoharvester-cli: 3 photos could not be read"), std::string::npos) << outcome.err;
    for (const char* unread : {"dangling.jpg: ", "empty.jpg: ", "pipe.jpg: "})
        EXPECT_NE(outcome.err.find("fotoharvester-cli: " + photos.Text() + unread), std::string::npos) << unread;
    EXPECT_EQ(outcome.err.find("could not be opened"), std::string::npos) << outcome.err;
    EXPECT_EQ(Records(output.Read("out.csv")),
              (std::map<std::string, std::string>{{good, cameraModel}, {inFolder, cameraModel}, {oddName, cameraModel}}));
}

TEST_F(HostileInput, PathsAtTheLengthLimitAreReadAndBeyondItCounted)
{
    // Folders of 250 bytes down to a path of nearly 4,096 bytes, ending in a file name of 255 bytes.
    fs::path folder = photos.Path();
    while (folder.string().size() + 251 + 256 < 4096)
        folder /= std::string(250, 'p');
    const std::string longest = (folder / (std::string(251, 'n') + ".jpg")).string();
    ASSERT_LT(longest.size(), 4096u);
    Photo(fs::relative(longest, photos.Path()).string());
    const DeepFolder beyond(photos.Path(), "lost.jpg", "x");
    ASSERT_TRUE(beyond.Made());

    const Outcome outcome = RunOverPhotos();
    EXPECT_EQ(outcome.exitCode, 3) << outcome.err;
    EXPECT_NE(outcome.err.find("/: File name too long\n"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("\nfotoharvester-cli: 1 folder could not be opened"), std::string::npos) << outcome.err;
    EXPECT_EQ(Records(output.Read("out.csv")), (std::map<std::string, std::string>{{longest, cameraModel}}));
}

TEST_F(HostileInput, PhotosThatVanishOrChangeAfterTheyWereListedAreReadAsTheyNowAre)
{
    // The duplicate-name question comes after the listing and before the first photo is read.
    Photo("a/twin.jpg");
    Photo("b/twin.jpg");
    Photo("vanishing.jpg");
    Photo("changing.jpg");
    ExtractionSettings settings;
    settings.Folder = photos.Text();
    settings.OutFile = (output.Path() / "out.csv").string();
    settings.SubFolders = 1;
    settings.Flags = "000001001" + std::string(20, '0');  // model and file size
    TestHost host;
    host.duplicateAnswer = Answer::Yes;
    host.onQuestion = [this] {
        fs::remove(photos.Path() / "vanishing.jpg");
        fs::copy_file(testPhotos / "with-thumbnail.jpg", photos.Path() / "changing.jpg",
                      fs::copy_options::overwrite_existing);
    };
    ReaderPool::Options options;
    options.program = READER_PATH;
    options.readers = 2;
    ReaderPool readers(options);
    RunRequest request;
    request.settings = settings;
    request.separator = ",";
    const RunResult result = ExtractionRun(request, host, readers).Execute();

    EXPECT_EQ(result.outcome, RunResult::Outcome::Completed);
    EXPECT_EQ(result.photoCount, 4);
    ASSERT_EQ(result.unreadPhotos.size(), 1u);
    EXPECT_EQ(result.unreadPhotos[0].path, photos.Text() + "vanishing.jpg");
    const std::string twin = "\"twin.jpg\"," + cameraModel + "," + std::to_string(fs::file_size(testPhotos / "camera-full.jpg"));
    EXPECT_EQ(output.Read("out.csv"), twin + "\n" + twin + "\n\"changing.jpg\",E-M10," +
                                          std::to_string(fs::file_size(testPhotos / "with-thumbnail.jpg")) + "\n");
}

TEST_F(HostileInput, AHundredThousandPhotosInOneFolder)
{
    // Hard links keep it quick; a file takes at most 65,000 of them.
    constexpr int photoCount = 100'000;
    std::string source;
    for (int index = 0; index < photoCount; ++index) {
        std::string name = std::to_string(index);
        name = "IMG_" + std::string(6 - name.size(), '0') + name + ".jpg";
        if (index % 50'000 == 0)
            source = Photo(name);
        else
            fs::create_hard_link(source, photos.Path() / name);
    }
    const Outcome outcome = RunOverPhotos();
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_NE(outcome.err.find("fotoharvester-cli: 100000 photos read"), std::string::npos) << outcome.err;
    const auto records = Records(output.Read("out.csv"));
    EXPECT_EQ(records.size(), static_cast<std::size_t>(photoCount));
    const auto withModel = std::count_if(records.begin(), records.end(),
                                         [](const auto& record) { return record.second == cameraModel; });
    EXPECT_EQ(withModel, photoCount);
}

TEST_F(HostileInput, DestinationsThatCannotTakeTheOutputLeaveEverythingAsItWas)
{
    const std::string photo = Photo("a.jpg");
    const QStringList run{"--folder", Folder(), "--columns", "5", "--output"};

    fs::create_directory(output.Path() / "folder.csv");
    Outcome outcome = Run(run + QStringList{Output("folder.csv")});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, "fotoharvester-cli: cannot write " + Output("folder.csv").toStdString() + ": Is a directory\n");
    EXPECT_TRUE(fs::is_empty(output.Path() / "folder.csv"));

    const std::string earlier = output.Touch("read-only.csv", "an earlier output\n");
    fs::permissions(earlier, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ::chown(earlier.c_str(), 65534, 65534);
    outcome = Run(run + QStringList{Output("read-only.csv")}, As::OrdinaryUser);
    EXPECT_EQ(outcome.exitCode, 1) << outcome.err;
    EXPECT_NE(outcome.err.find("read-only.csv: Permission denied\n"), std::string::npos) << outcome.err;
    EXPECT_EQ(output.Read("read-only.csv"), "an earlier output\n");

    fs::create_directory(output.Path() / "closed");
    fs::permissions(output.Path() / "closed", fs::perms::owner_read | fs::perms::owner_exec |
                                                  fs::perms::others_read | fs::perms::others_exec);
    outcome = Run(run + QStringList{Output("closed/out.csv")}, As::OrdinaryUser);
    EXPECT_EQ(outcome.exitCode, 1) << outcome.err;
    EXPECT_FALSE(fs::exists(output.Path() / "closed" / "out.csv"));

    fs::create_hard_link(photo, output.Path() / "photo-again.csv");
    outcome = Run(run + QStringList{Output("photo-again.csv")});
    EXPECT_EQ(outcome.exitCode, 1) << outcome.err;
    EXPECT_NE(outcome.err.find("is one of the photos to read"), std::string::npos) << outcome.err;
    EXPECT_EQ(fs::file_size(photo), fs::file_size(testPhotos / "camera-full.jpg"));
}

TEST_F(HostileInput, ADiskThatFillsUpPartWayIsReportedAsAFailureAndKeepsTheEarlierFile)
{
    // A tmpfs of 8 KiB in a mount namespace of the command's own; /dev/full is tested elsewhere, but
    // there the very first write fails, here some lines are stored before the disk is full.
    for (int index = 0; index < 400; ++index)
        fs::create_hard_link(Photo("first.jpg"), photos.Path() / ("photo-" + std::to_string(index) + ".jpg"));
    const std::string disk = (output.Path() / "small-disk").string();
    fs::create_directory(disk);
    environment.insert("DISK", QString::fromStdString(disk));
    environment.insert("PATH", environment.value("PATH") + ":/usr/sbin:/sbin");
    const QString script = "mount -t tmpfs -o size=8k tmpfs \"$DISK\" || exit 99; "
                           "echo 'an earlier output' > \"$DISK/out.csv\"; \"$@\"; status=$?; "
                           "echo \"stored: $(cat \"$DISK/out.csv\")\" >&2; echo \"files: $(ls -A \"$DISK\")\" >&2; exit $status";
    const Outcome outcome =
        Run({"--folder", Folder(), "--full-path", "--columns", "5", "--output", QString::fromStdString(disk + "/out.csv")},
            As::Caller, {"unshare", "--mount", "sh", "-c", script, "small-disk"});
    if (outcome.exitCode == 99 || outcome.err.rfind("unshare:", 0) == 0)
        GTEST_SKIP() << "no tmpfs can be mounted here: " << outcome.err;
    EXPECT_EQ(outcome.exitCode, 4) << outcome.err;
    EXPECT_EQ(outcome.err.find("fotoharvester-cli: could not write " + disk + "/out.csv: No space left on device;"), 0u)
        << outcome.err;
    EXPECT_EQ(outcome.err.find("photos read"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("stored: an earlier output\nfiles: out.csv\n"), std::string::npos) << outcome.err;
}

TEST_F(HostileInput, ADamagedSettingsFileStillGivesACleanRun)
{
    const std::string photo = Photo("a.jpg");
    fs::create_directories(config.Path() / "QX Software");
    std::ofstream(config.Path() / "QX Software" / "Pixgatherer.conf", std::ios::binary)
        << "[General]\nDateFormat=2147483648\nSeparatorNum=-5\nFlags=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\nQStringLis)\n"
        << "Month1=" << std::string(100'000, 'M') << "\nCommentLine=\xFF\xFE\n" << std::string("\0\x01[\n", 4);
    const Outcome outcome = Run({"--folder", Folder(), "--output", Output(), "--columns", "0,5"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "fotoharvester-cli: 1 photo read, records written to " + Output().toStdString() + "\n");
    EXPECT_EQ(output.Read("out.csv"), "\"a.jpg\",\"2021:07:14\"," + cameraModel + "\n");
}

TEST_F(HostileInput, APhotoThatTakesLongButKeepsReadingIsReadEveryTime)
{
    // many-segments.jpg takes FreeImage seconds. Six readers sharing one processor make each of
    // them take six times as long, as on a busy machine: still every link to it must be read.
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    ASSERT_EQ(::sched_getaffinity(0, sizeof allowed, &allowed), 0);
    int processor = 0;
    while (!CPU_ISSET(processor, &allowed))
        ++processor;
    const std::string photo = Photo("slow-0.jpg", "many-segments.jpg");
    for (int link = 1; link < 6; ++link)
        fs::create_hard_link(photo, photos.Path() / ("slow-" + std::to_string(link) + ".jpg"));
    const Outcome outcome =
        Run({"--folder", Folder(), "--output", Output(), "--columns", "5", "--separator", "|", "--no-headings",
             "--full-path", "--readers", "6"},
            As::Caller, {"taskset", "--cpu-list", QString::number(processor)});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    const auto records = Records(output.Read("out.csv"));
    EXPECT_EQ(records.size(), 6u);
    for (const auto& [path, model] : records)
        EXPECT_EQ(model, cameraModel) << path;
}

TEST_F(HostileInput, WithoutProcTheReaderIsNeverTakenFromTheCurrentFolder)
{
    // Without /proc the program cannot tell where it lies. Hiding /proc takes a mount namespace of
    // its own, which only root may make.
    if (::geteuid() != 0 || QProcess::execute("unshare", {"--mount", "true"}) != 0)
        GTEST_SKIP() << "hiding /proc needs root and mount namespaces";
#ifdef __SANITIZE_ADDRESS__
    // The sanitizer runtime reads its options from /proc: without it the leak check at exit always
    // runs, and fails.
    GTEST_SKIP() << "a sanitizer build cannot run without /proc";
#endif
    const QStringList withoutProc{"unshare", "--mount", "sh", "-c", "mount -t tmpfs none /proc && exec \"$0\" \"$@\""};
    Photo("a.jpg");
    output.Touch("out.csv", "keep me\n");
    TempFolder current;
    const fs::path planted = current.Path() / "planted-reader-ran";
    current.Touch("fotoharvester-reader", "#!/bin/sh\ntouch '" + planted.string() + "'\n");
    fs::permissions(current.Path() / "fotoharvester-reader", fs::perms::owner_all);
    workingFolder = QString::fromStdString(current.Path().string());

    const Outcome outcome = Run({"--folder", Folder(), "--output", Output(), "--columns", "5"}, As::Caller, withoutProc);
    EXPECT_EQ(outcome.exitCode, 5) << outcome.err;
    EXPECT_NE(outcome.err.find("the folder of the running program cannot be found"), std::string::npos) << outcome.err;
    EXPECT_FALSE(fs::exists(planted));
    EXPECT_EQ(output.Read("out.csv"), "keep me\n");
}
