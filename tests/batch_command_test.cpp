// Runs the built batch command as a user's script would, for what it adds to a run: its
// arguments, exit statuses, words on standard error, standard output as a destination, and how it
// ends when it is stopped or killed.

#include "cli/CommandLine.h"

#include "support/Program.h"
#include "support/TempFolder.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <thread>

namespace {

class BatchCommand : public ::testing::Test {
protected:
    BatchCommand()
    {
        cli.environment.insert("FOTOHARVESTER_READER", FAKE_READER_PATH);
        cli.workingFolder = Q(workingFolder.Path());
        // For the check that a reader named without a folder is never taken from the current one.
        std::filesystem::copy_file(FAKE_READER_PATH, workingFolder.Path() / "fake_reader");
    }

    QStringList Arguments(const QStringList& options) const
    {
        return QStringList{"--folder", Q(photos.Path()), "--output", Q(output.Path() / "out.csv")} + options;
    }

    // The names beside out.csv, the random part of a temporary file's name as "*".
    std::vector<std::string> Beside() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(output.Path())) {
            std::string name = entry.path().filename().string();
            if (name.starts_with(".out.csv.") && name.ends_with(".part"))
                name = ".out.csv.*.part";
            if (name != "out.csv")
                names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // The bytes a run has written so far into its temporary file; 0 when there is none.
    std::uintmax_t HeldSoFar() const
    {
        std::error_code gone;  // the run may end meanwhile
        for (const auto& entry : std::filesystem::directory_iterator(output.Path()))
            if (const auto size = entry.file_size(gone); entry.path().extension() == ".part" && !gone)
                return size;
        return 0;
    }

    // A temporary file and the lock.
    static std::vector<std::string> RunFiles() { return {".out.csv.*.part", ".out.csv.lock"}; }

    // A run of the columns `columns` with one reader, sent `signal` once it has been writing a while
    // and `meanwhile` has run.
    Outcome StoppedWhileWriting(const char* columns, int signal, const std::function<void()>& meanwhile = {})
    {
        QProcess run;
        cli.Start(run, Arguments({"--columns", columns, "--readers", "1"}));
        // Writing, as its temporary file beside the output shows, within 5 s.
        EXPECT_TRUE(WaitUntil([this] { return Beside() == RunFiles(); }));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (meanwhile)
            meanwhile();
        ::kill(static_cast<pid_t>(run.processId()), signal);
        EXPECT_TRUE(run.waitForFinished(10000));
        return Program::Ended(run);
    }

    Program cli{BATCH_COMMAND_PATH};
    TempFolder photos;
    TempFolder output;
    TempFolder workingFolder;  // the command's current folder
};

// The processes running `program`, by process id.
std::vector<pid_t> ProcessesOf(const std::filesystem::path& program)
{
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::error_code gone;  // ended, or no process; "self" and "thread-self" are this test
        if (std::filesystem::read_symlink(entry.path() / "exe", gone) == program)
            found.push_back(static_cast<pid_t>(std::stoi(entry.path().filename().string())));
    }
    return found;
}

}  // namespace

// {photos} and {out} stand for the folder of the photos and that of the output, whose out.csv
// holds "keep me" before each run.
TEST_F(BatchCommand, ArgumentsExitStatusesAndMessages)
{
    const std::string summary = "fotoharvester-cli: 2 records written to ";
    const std::string tryHelp = "\nTry 'fotoharvester-cli --help'.\n";
    const std::string full = "fotoharvester-cli: could not write /dev/full: No space left on device; an earlier file "
                             "of that name is left as it was\n";
    const std::string general = "[General]\nFolder={photos}\nOutFile={out}/out.csv\nFlags=00001\n";
    const std::string stored = general + "CommentLine=1\nSeparatorNum=2\n";
    struct Case {
        const char* what = "";
        std::vector<std::string> arguments{};
        int exitCode = 0;
        std::string err{};
        std::string written = "keep me\n";  // out.csv afterwards
        std::string out{};
        std::vector<std::string> photos{"a.jpg", "b.jpg"};
        std::string input{};   // standard input
        std::string list{};    // {out}/list
        std::string stored{};  // the window's settings
        const char* reader = FAKE_READER_PATH;
        std::vector<std::string> wrapper{};  // what starts the command, e.g. a shell that redirects
        bool starved = false;                // the wrapper leaves it almost no file descriptors
    };
    // The photos of {photos} into {out}/out.csv, and what else is given.
    const auto run = [](std::vector<std::string> more) {
        more.insert(more.begin(), {"{photos}", "--output", "{out}/out.csv"});
        return more;
    };
    const Case cases[] = {
        {.what = "the records to the file, the summary to standard error, from a folder named like a photo",
         .arguments = {"--output", "{out}/out", "--columns", "4", "--headings", "{photos}/album.jpg"},
         .err = summary + "{out}/out.csv\n",
         .written = "!\"Filename\",\"Camera manufacturer\"\n\"a.jpg\",a.jpg\n\"b.jpg\",b.jpg\n",
         .photos = {"album.jpg/a.jpg", "album.jpg/b.jpg"}},
        {.what = "the records to standard output",
         .arguments = {"--output", "-", "--columns", "4,7", "--separator", "tab", "--", "{photos}"},
         .err = summary + "standard output\n",
         .out = "\"a.jpg\"\ta.jpg\t0x0\n\"b.jpg\"\tb.jpg\t0x0\n"},
        {.what = "standard output by its system name, sent to a file with >>: appended, never replaced",
         .arguments = {"{photos}", "--columns", "4", "--output", "/dev/stdout"},
         .err = summary + "/dev/stdout\n",
         .written = "keep me\n\"a.jpg\",a.jpg\n\"b.jpg\",b.jpg\n",
         .wrapper = {"sh", "-c", "exec \"$0\" \"$@\" >> {out}/out.csv"}},
        {.what = "a map that cannot be written: the output is left as it was too",
         .arguments = run({"--columns", "4", "--geojson", "/dev/full"}),
         .exitCode = 4,
         .err = full},
        {.what = "an output in a folder that is not there",
         .arguments = {"{photos}", "--columns", "4", "--output", "{out}/missing/out.csv"},
         .exitCode = 1,
         .err = "fotoharvester-cli: cannot write {out}/missing/out.csv: No such file or directory\n"},
        {.what = "no column chosen",
         .arguments = run({"--defaults"}),
         .exitCode = 2,
         .err = "fotoharvester-cli: no column chosen: choose them with --columns (\"all\", or the names, numbers or "
                "tag keys --help lists)" +
                tryHelp},
        {.what = "no output named or stored",
         .arguments = {"{photos}", "--defaults"},
         .exitCode = 2,
         .err = "fotoharvester-cli: no output file: give one with --output FILE, or --output - for standard output" +
                tryHelp},
        {.what = "the map over the records",
         .arguments = run({"--geojson", "{out}/out.csv"}),
         .exitCode = 2,
         .err = "fotoharvester-cli: the map file and the output file must differ" + tryHelp},
        {.what = "duplicate names: the first five, and how many more",
         .arguments = run({"--subfolders", "--columns", "4"}),
         .exitCode = 1,
         .err = "fotoharvester-cli: photos in different folders share the names 1.jpg, 2.jpg, 3.jpg, 4.jpg, 5.jpg and "
                "2 more; add --full-path to tell them apart, or --yes to write them all the same\n",
         .photos = {"x/1.jpg", "x/2.jpg", "x/3.jpg", "x/4.jpg", "x/5.jpg", "x/6.jpg", "x/7.jpg", "y/1.jpg", "y/2.jpg",
                    "y/3.jpg", "y/4.jpg", "y/5.jpg", "y/6.jpg", "y/7.jpg", "y/8.jpg"}},
        {.what = "duplicate names with --yes",
         .arguments = run({"--subfolders", "--columns", "4", "--yes"}),
         .err = summary + "{out}/out.csv\n",
         .written = "\"a.jpg\",a.jpg\n\"a.jpg\",a.jpg\n",
         .photos = {"x/a.jpg", "y/a.jpg"}},
        {.what = "a photo that crashes the reader, quietly",
         .arguments = run({"--columns", "4,7", "-q"}),
         .exitCode = 3,
         .written = "\"a.jpg\",a.jpg,0x0\n\"crash.jpg\",,0x0\n",
         .photos = {"a.jpg", "crash.jpg"}},
        {.what = "no reader",
         .arguments = run({"--columns", "4"}),
         .exitCode = 5,
         .err = "fotoharvester-cli: No photo can be read: the photo reader fake_reader could not be started "
                "(FOTOHARVESTER_READER must name it with an absolute path). Nothing was written.\n",
         .reader = "fake_reader"},
        {.what = "no file descriptors left for a reader",
         .arguments = run({"--columns", "4"}),
         .exitCode = 5,
         .err = std::string("fotoharvester-cli: No photo can be read: the photo reader ") + FAKE_READER_PATH +
                " could not be started (Too many open files). Nothing was written.\n",
         .wrapper = {"sh", "-c", "ulimit -n 6; exec \"$0\" \"$@\""},
         .starved = true},
        {.what = "a map",
         .arguments = run({"--columns", "4", "--geojson", "{out}/map.geojson"}),
         .err = summary + "{out}/out.csv\nfotoharvester-cli: map written to {out}/map.geojson: 0 photos placed, 2 "
                          "without a position left out\n",
         .written = "\"a.jpg\",a.jpg\n\"b.jpg\",b.jpg\n"},
        {.what = "photos from standard input, lines ended either way, the photos alone, in clean form",
         .arguments = {"--columns", "4", "--full-path", "--output", "-", "--files-from", "-"},
         .err = summary + "standard output\n",
         .out = "\"{photos}/a.jpg\",a.jpg\n\"{photos}/b.jpg\",b.jpg\n",
         .input = "{photos}//b.jpg\r\n\n{photos}/notes.txt\n{photos}/./a.jpg"},
        {.what = "photos from a list separated by NUL",
         .arguments = {"--columns", "4", "--output", "-", "--files-from", "{out}/list", "-0"},
         .err = summary + "standard output\n",
         .out = "\"a\nb.jpg\",\"a\nb.jpg\"\n\"b.jpg\",b.jpg\n",
         .photos = {"a\nb.jpg", "b.jpg"},
         .list = std::string("{photos}/b.jpg\0{photos}/a\nb.jpg\0", 32)},
        {.what = "photos as arguments: exactly those",
         .arguments = {"{photos}/b.jpg", "--columns", "4", "--output", "-", "{photos}/a.jpg"},
         .err = summary + "standard output\n",
         .out = "\"a.jpg\",a.jpg\n\"b.jpg\",b.jpg\n",
         .photos = {"a.jpg", "b.jpg", "c.jpg"}},
        {.what = "a folder and a photo",
         .arguments = run({"{photos}/a.jpg"}),
         .exitCode = 2,
         .err = "fotoharvester-cli: give one FOLDER or photos, not both: {photos} is no photo" + tryHelp},
        {.what = "a list that cannot be read",
         .arguments = {"--files-from", "{out}/missing", "--output", "-", "--columns", "4"},
         .exitCode = 1,
         .err = "fotoharvester-cli: cannot read {out}/missing: No such file or directory\n"},
        {.what = "the window's stored settings",
         .err = summary + "{out}/out.csv\n",
         .written = "!\"Filename\";\"Camera manufacturer\"\n\"a.jpg\";a.jpg\n\"b.jpg\";b.jpg\n",
         .stored = stored},
        {.what = "a separator typed in the window",
         .err = summary + "{out}/out.csv\n",
         .written = "\"a.jpg\"|a.jpg\n\"b.jpg\"|b.jpg\n",
         .stored = general + "SeparatorNum=-1\nSeparatorText=|\n"},
        {.what = "no separator stored",
         .exitCode = 2,
         .err = "fotoharvester-cli: no usable separator: the fields would run together or break their quoting; give "
                "one with --separator" +
                tryHelp,
         .stored = general + "SeparatorNum=-1\n"},
        {.what = "the defaults instead",
         .arguments = run({"--defaults", "--columns", "4"}),
         .err = summary + "{out}/out.csv\n",
         .written = "\"a.jpg\",a.jpg\n\"b.jpg\",b.jpg\n",
         .stored = stored},
        {.what = "help", .arguments = {"--help"}, .out = HelpText()},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
#ifdef __SANITIZE_ADDRESS__
        // The sanitizers' own checks take file descriptors, and fail without them.
        if (row.starved)
            continue;
#endif
        TempFolder rowPhotos;
        TempFolder rowOutput;
        const auto fill = [&](const std::string& text) {
            return QString::fromStdString(text)
                .replace("{photos}", Q(rowPhotos.Path()))
                .replace("{out}", Q(rowOutput.Path()));
        };
        for (const std::string& photo : row.photos)
            rowPhotos.Touch(photo);
        rowOutput.Touch("out.csv", "keep me\n");
        rowOutput.Touch("list", fill(row.list).toStdString());
        std::filesystem::remove_all(cli.config.Path() / "QX Software");
        if (!row.stored.empty())
            cli.config.Touch("QX Software/Pixgatherer.conf", fill(row.stored).toStdString());
        cli.environment.insert("FOTOHARVESTER_READER", row.reader);
        QStringList arguments;
        for (const std::string& argument : row.arguments)
            arguments << fill(argument);
        QStringList wrapper;
        for (const std::string& part : row.wrapper)
            wrapper << fill(part);

        const Outcome outcome = cli.Run(arguments, fill(row.input).toUtf8(), wrapper);
        EXPECT_EQ(outcome.exitCode, row.exitCode);
        EXPECT_EQ(outcome.err, fill(row.err).toStdString());
        EXPECT_EQ(outcome.out, fill(row.out).toStdString());
        EXPECT_EQ(rowOutput.Read("out.csv"), row.written);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(workingFolder.Path()), {}), 1);
    }
}

// Ctrl-C stops after the photo in hand, with the records so far where there was no file, and an
// earlier file kept as it was; a kill, a closed terminal or a shutdown leave the file as it was,
// and only a kill that cannot be caught leaves its files (a temporary file and the lock), which the
// next run removes.
TEST_F(BatchCommand, AStoppedRunKeepsItsRecordsOrTheEarlierFileAndAKilledOneNone)
{
    for (int i = 0; i < 200; ++i)
        photos.Touch("slow" + std::to_string(1000 + i) + ".jpg");  // the fake reader takes 30 ms each
    // Stopped once it has written records: its temporary file grows a block of some 150 at a time.
    const Outcome outcome = StoppedWhileWriting(
        "4", SIGINT, [this] { EXPECT_TRUE(WaitUntil([this] { return HeldSoFar() > 0; }, std::chrono::seconds(20))); });
    EXPECT_EQ(outcome.exitCode, 130);
    EXPECT_NE(outcome.err.find("fotoharvester-cli: stopped after "), std::string::npos) << outcome.err;
    const std::string stopped = output.Read("out.csv");
    const auto lines = std::count(stopped.begin(), stopped.end(), '\n');
    EXPECT_TRUE(lines > 0 && lines < 200) << lines;
    EXPECT_TRUE(stopped.starts_with("\"slow1000.jpg\",slow1000.jpg\n") && stopped.ends_with("\n")) << stopped;

    // Meanwhile a second run on the same output is refused, and until the first one's file is
    // complete only its writer may read it, whatever the earlier file allowed.
    const Outcome keptEarlier = StoppedWhileWriting("4,7", SIGINT, [this] {
        const Outcome second = cli.Run(Arguments({"--columns", "4"}));
        EXPECT_EQ(second.exitCode, 1);
        EXPECT_EQ(second.err, "fotoharvester-cli: " + (output.Path() / "out.csv").string() +
                                  " is being written by another run; try again when it has ended\n");
        for (const auto& entry : std::filesystem::directory_iterator(output.Path())) {
            if (entry.path().extension() == ".part") {
                EXPECT_EQ(entry.status().permissions(),
                          std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
            }
        }
    });
    EXPECT_EQ(keptEarlier.exitCode, 130);
    EXPECT_NE(keptEarlier.err.find("; kept " + (output.Path() / "out.csv").string() +
                                   " as before, without the records read so far\n"),
              std::string::npos)
        << keptEarlier.err;
    EXPECT_EQ(output.Read("out.csv"), stopped);
    EXPECT_EQ(Beside(), std::vector<std::string>{});

    // A copy of the reader of its own, so that its processes are told from those of other tests.
    const TempFolder readers;
    const std::filesystem::path reader = readers.Path() / "killed-reader";
    std::filesystem::copy_file(FAKE_READER_PATH, reader);
    cli.environment.insert("FOTOHARVESTER_READER", Q(reader));
    for (const int signal : {SIGTERM, SIGHUP, SIGKILL}) {
        SCOPED_TRACE(signal);
        // A killed command cannot stop its reader: the reader must go by itself, even one that
        // never finishes its photo.
        if (signal == SIGKILL)
            photos.Touch("a-hang.jpg");
        StoppedWhileWriting("4,7", signal);
        EXPECT_EQ(output.Read("out.csv"), stopped);
        // Only a kill that cannot be caught leaves the files of a run, for the next run to remove.
        EXPECT_EQ(Beside(), signal == SIGKILL ? RunFiles() : std::vector<std::string>{});
        EXPECT_TRUE(WaitUntil([&reader] { return ProcessesOf(reader).empty(); })) << "readers outlived the command";
    }
    for (const pid_t left : ProcessesOf(reader))
        ::kill(left, SIGKILL);
    std::filesystem::remove(photos.Path() / "a-hang.jpg");
    cli.environment.insert("FOTOHARVESTER_READER", FAKE_READER_PATH);

    const Outcome next = cli.Run(Arguments({"--columns", "4", "--readers", "8"}));
    EXPECT_EQ(next.exitCode, 0) << next.err;
    const std::string written = output.Read("out.csv");
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 200);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(output.Path()), {}), 1);
}
