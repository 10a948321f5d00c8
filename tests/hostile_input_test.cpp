// The batch command and its real readers against folders, destinations and settings that work
// against them: whatever is there, the run ends with a well-formed file holding every readable
// photo, a count of what could not be read, and no crash.
//
// Permissions mean nothing to root, so the checks that need them run the command as the user
// "nobody" when the tests run as root.

#include "metadata/ReaderPool.h"
#include "metadata/TagWire.h"
#include "support/Csv.h"
#include "support/DeepFolder.h"
#include "support/Program.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <map>
#include <regex>

namespace fs = std::filesystem;

namespace {

const fs::path testPhotos = FH_TEST_PHOTOS;
const std::string cameraModel = "EOS 5D Mark IV\t";  // the model of camera-full.jpg

// Every entry below `folder` by its path from there: a regular file's bytes, anything else
// "(not a file)".
std::map<std::string, std::string> Contents(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        files[fs::relative(entry.path(), folder).string()] =
            entry.is_regular_file() && !entry.is_symlink() ? FileText(entry.path()) : "(not a file)";
    return files;
}

const QStringList asNobody{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};

class HostileInput : public ::testing::Test {
protected:
    HostileInput()
    {
        // An ordinary user must be able to reach the photos, write the output and read the settings.
        for (const TempFolder* folder : {&photos, &output, &cli.config})
            fs::permissions(folder->Path(), fs::perms::all);
        cli.workingFolder = Q(output.Path());
    }

    // Runs the batch command as the user "nobody" when the tests run as root, for whom permissions
    // mean nothing. The build tree may lie in a folder only its owner can enter: the command and
    // its reader are copied to where anyone may run them.
    Outcome RunAsOrdinaryUser(const QStringList& arguments)
    {
        if (::geteuid() != 0)
            return cli.Run(arguments);
        fs::permissions(programs.Path(), fs::perms::all);
        for (const fs::path program : {BATCH_COMMAND_PATH, READER_PATH})
            fs::copy_file(program, programs.Path() / program.filename(), fs::copy_options::skip_existing);
        cli.path = Q(programs.Path() / fs::path(BATCH_COMMAND_PATH).filename());
        return cli.Run(arguments, {}, asNobody);
    }

    std::string Photo(const std::string& relative) const
    {
        return photos.Touch(relative, FileText(testPhotos / "camera-full.jpg"));
    }

    QString Output(const std::string& name = "out.csv") const { return Q(output.Path() / name); }

    Program cli{BATCH_COMMAND_PATH};
    TempFolder photos;
    TempFolder output;
    TempFolder programs;
};

}  // namespace

// A tree holding what a disk can hold: every photo that can be read is, and everything else is
// named with its reason and counted, without a stop or a hang over any of it.
TEST_F(HostileInput, EveryReadablePhotoOfAHostileTreeIsReadAndTheRestNamed)
{
    std::map<std::string, std::string> readable;
    for (const char* name : {"good.jpg", "folder.jpg/inside.jpg"})
        readable[Photo(name)] = cameraModel;
    // Not UTF-8: the name comes out as Windows-1252 read into UTF-8, like any text of unstated encoding.
    Photo("odd-\xFF\xFE-\xC3(.jpg");
    readable[(photos.Path() / "odd-\xC3\xBF\xC3\xBE-\xC3\x83(.jpg").string()] = cameraModel;
    // Folders of 250 bytes down to a path of nearly 4,096 bytes, ending in a file name of 255 bytes.
    fs::path folder = photos.Path();
    while (folder.string().size() + 251 + 256 < 4096)
        folder /= std::string(250, 'p');
    readable[Photo(fs::relative(folder / (std::string(251, 'n') + ".jpg"), photos.Path()))] = cameraModel;
    // Folders beyond the path-length limit are listed, and their photos read.
    const fs::path beyond = MakeDeepFolder(photos.Path(), "deep.jpg", FileText(testPhotos / "camera-full.jpg"));
    ASSERT_FALSE(beyond.empty());
    fs::create_directory_symlink(photos.Path(), photos.Path() / "folder.jpg" / "loop");
    photos.Touch("empty.jpg", "");
    ASSERT_EQ(::mkfifo((photos.Path() / "pipe.jpg").c_str(), 0644), 0);
    fs::create_symlink(photos.Path() / "gone.jpg", photos.Path() / "dangling.jpg");
    fs::permissions(Photo("locked.jpg"), fs::perms::none);
    Photo("closed/inside.jpg");
    fs::permissions(photos.Path() / "closed", fs::perms::none);

    // The model column of every photo below the photo folder, into out.csv.
    const Outcome outcome = RunAsOrdinaryUser({"--folder", Q(photos.Path()), "--output", Output(), "--columns", "5",
                                               "--separator", "|", "--no-headings", "--full-path", "--subfolders"});
    EXPECT_EQ(outcome.exitCode, 3) << outcome.err;
    const std::string root = "fotoharvester-cli: " + photos.Text();
    const std::vector<std::string> named{
        "fotoharvester-cli: cannot open folder " + photos.Text() + "closed/: Permission denied\n",
        root + "dangling.jpg: gone, or not a regular file\n",
        root + "empty.jpg: not a photo, or damaged\n",
        root + "locked.jpg: no permission to read it\n",
        root + "pipe.jpg: gone, or not a regular file\n",
        "fotoharvester-cli: 5 records written to " + output.Text() +
            "out.csv; 4 photos had none of the chosen values\n",
        "fotoharvester-cli: 4 photos could not be read",
        "fotoharvester-cli: 1 folder could not be opened"};
    for (const std::string& line : named)
        EXPECT_NE(outcome.err.find(line), std::string::npos) << line;
    const std::string deepPath = (beyond / "").string();
    // The output has --full-path and one column: the value by photo path.
    std::map<std::string, std::string> records;
    for (const auto& record : ParseCsv(output.Read("out.csv"), "|"))
        records[record.front()] = record.back();
    const auto deep = std::find_if(records.begin(), records.end(), [&](const auto& record) {
        return record.first.starts_with(deepPath) && record.first.ends_with("/deep.jpg");
    });
    ASSERT_NE(deep, records.end()) << outcome.err;
    EXPECT_GT(deep->first.size(), std::size_t{PATH_MAX});
    readable[deep->first] = cameraModel;
    EXPECT_EQ(records, readable) << outcome.err;
}

// A photo that crashed FreeImage is read once more, by a fresh reader with libexiv2 alone, which
// declines its damaged directory rather than crash again: it costs one reader, not two, and the
// photo after it is read by the reader that replaced the first.
TEST_F(HostileInput, APhotoThatCrashedFreeImageIsReadAgainWithLibexiv2Alone)
{
    ReaderPool::Options options = ReaderPool::DefaultOptions();
    options.program = READER_PATH;
    options.readers = 1;
    ReaderPool readers(options);
    const std::vector<std::string> paths{(testPhotos / "crash-ifd-count.jpg").string(),
                                         (testPhotos / "camera-full.jpg").string()};
    readers.Begin(paths, nullptr);
    EXPECT_EQ(readers.Read(paths[0]).outcome, ReadOutcome::Crashed);
    EXPECT_EQ(readers.Read(paths[1]).outcome, ReadOutcome::Read);
    readers.End();
    EXPECT_EQ(readers.ReadersStarted(), 2);
}

TEST_F(HostileInput, DestinationsThatCannotTakeTheOutputLeaveEverythingAsItWas)
{
    Photo("a.jpg");
    const std::string readOnly = output.Touch("read-only.csv", "an earlier output\n");
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ::chown(readOnly.c_str(), 65534, 65534);
    fs::create_directory(output.Path() / "closed");
    fs::permissions(output.Path() / "closed",
                    fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec);
    fs::create_directory(output.Path() / "folder.csv");
    const auto everything = [this] { return std::pair{Contents(photos.Path()), Contents(output.Path())}; };
    const auto before = everything();
    const std::pair<std::string, std::string> destinations[] = {
        {"folder.csv", "folder.csv: Is a directory\n"},
        {"read-only.csv", "read-only.csv: Permission denied\n"},
        {"closed/out.csv", "closed/out.csv: Permission denied\n"},
    };
    for (const auto& [name, reason] : destinations) {
        const Outcome outcome =
            RunAsOrdinaryUser({"--folder", Q(photos.Path()), "--columns", "5", "--output", Output(name)});
        EXPECT_EQ(outcome.exitCode, 1) << name;
        EXPECT_TRUE(outcome.err.ends_with(reason)) << outcome.err;
        EXPECT_EQ(everything(), before) << name;
    }
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
    Photo("a.jpg");
    output.Touch("out.csv", "keep me\n");
    TempFolder current;
    const fs::path planted = current.Path() / "planted-reader-ran";
    current.Touch("fotoharvester-reader", "#!/bin/sh\ntouch '" + planted.string() + "'\n");
    fs::permissions(current.Path() / "fotoharvester-reader", fs::perms::owner_all);
    cli.workingFolder = Q(current.Path());

    const Outcome outcome =
        cli.Run({"--folder", Q(photos.Path()), "--output", Output(), "--columns", "5"}, {},
                {"unshare", "--mount", "sh", "-c", "mount -t tmpfs none /proc && exec \"$0\" \"$@\""});
    EXPECT_EQ(outcome.exitCode, 5) << outcome.err;
    EXPECT_NE(outcome.err.find("the folder of the running program cannot be found"), std::string::npos) << outcome.err;
    EXPECT_FALSE(fs::exists(planted));
    EXPECT_EQ(output.Read("out.csv"), "keep me\n");
}

// A photo that drives a library beyond a gigabyte fails alone (and is counted unread) rather than
// taking the machine's memory: each reader runs with that limit on its data.
TEST_F(HostileInput, EachReaderMayTakeAGigabyteOfMemoryAtMost)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "a sanitizer build reserves terabytes at start-up, and its readers run without the limit";
#endif
    QProcess reader;
    reader.start(READER_PATH, {});
    ASSERT_TRUE(reader.waitForStarted());
    const std::string hello = tagwire::Frame(tagwire::Kind::Hello, {});
    reader.write(hello.data(), static_cast<qint64>(hello.size()));
    ASSERT_TRUE(reader.waitForReadyRead(10000));  // ready, and so past its start-up
    const std::string limits = FileText("/proc/" + std::to_string(reader.processId()) + "/limits");
    EXPECT_TRUE(std::regex_search(limits, std::regex("\\nMax data size[^\\n]* 1073741824 "))) << limits;
    reader.closeWriteChannel();
    reader.waitForFinished();
}

// Another user who may write to the output's folder (a sticky /tmp, a shared project folder) can
// neither turn the output onto a file of their choosing, nor read or change the output through a
// file they made, nor stall or block the run.
TEST_F(HostileInput, AnotherUsersFilesInASharedFolderNeitherLeadStallNorBlockTheRun)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs two users: runs as root, the other user being nobody";
    Photo("a.jpg");
    const fs::path shared = output.Path() / "shared";
    const std::string secret = output.Touch("private/secret.conf", "secret\n");
    fs::permissions(output.Path() / "private", fs::perms::owner_all);
    const std::string daily = (shared / "daily.csv").string();
    struct Case {
        const char* what;
        std::string planted;  // a shell command run by nobody in the shared folder
        bool held = false;    // its file stays open (and locked) while the run goes on
        int exitCode = 0;
        std::string message = "1 record written to ";
    };
    const Case cases[] = {
        {"a link to a file only root may write", "ln -s '" + secret + "' daily.csv", false, 1,
         "daily.csv is a symbolic link another user made in a shared folder; not followed, nothing written"},
        {"a temporary file of the name an earlier version used, held open",
         ": > .daily.csv.part; chmod 666 "
         ".daily.csv.part",
         true},
        {"a pipe as that temporary file", "mkfifo -m 666 .daily.csv.part"},
        {"a folder and a link as that temporary file and as the lock",
         "mkdir .daily.csv.part; ln -s '" + secret + "' .daily.csv.lock"},
        {"a pipe as the lock", "mkfifo -m 666 .daily.csv.lock"},
        {"a lock file, held", ": > .daily.csv.lock; chmod 666 .daily.csv.lock", true},
        {"a temporary file left by another user's run", ": > .daily.csv.ABCDEFGH.part"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        fs::remove_all(shared);
        fs::create_directory(shared);
        fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
        QProcess planter;
        planter.setWorkingDirectory(Q(shared));
        const std::string hold =
            row.held ? "; exec 3<>\"$(ls -A | head -n 1)\"; flock 3; echo held; exec sleep 60" : "; echo held";
        planter.start(asNobody.front(),
                      asNobody.mid(1) + QStringList{"sh", "-c", QString::fromStdString(row.planted + hold)});
        ASSERT_TRUE(planter.waitForReadyRead(10000));
        const auto planted = Contents(shared);

        // A run that hangs is stopped after 20 s, and ends with -1 and "did not finish".
        const Outcome outcome =
            cli.Run({"--folder", Q(photos.Path()), "--columns", "5", "--output", Q(daily)}, {}, {}, 20000);
        EXPECT_EQ(outcome.exitCode, row.exitCode) << outcome.err;
        EXPECT_NE(outcome.err.find(row.message), std::string::npos) << outcome.err;
        EXPECT_EQ(output.Read("private/secret.conf"), "secret\n");
        // What nobody planted is as it was (a held file shows nothing of the output), and beside it
        // is only the output, root's own and as private as any new file.
        auto after = Contents(shared);
        if (row.exitCode == 0) {
            EXPECT_EQ(after["daily.csv"], "\"a.jpg\"," + cameraModel + "\n");
            struct stat status {};
            ASSERT_EQ(::lstat(daily.c_str(), &status), 0);
            EXPECT_EQ(status.st_uid, 0u);
            EXPECT_EQ(status.st_mode & 0022, 0u);
            after.erase("daily.csv");
        }
        EXPECT_EQ(after, planted);
        planter.kill();
        planter.waitForFinished();
    }
}
