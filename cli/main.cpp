// fotoharvester-cli: the batch command. Runs the same extraction as the window, for scripts.

#include "settings/SettingsStore.h"
#include "cli/BatchHost.h"
#include "cli/CommandLine.h"
#include "extract/ExtractionRun.h"
#include "extract/Messages.h"
#include "extract/ColumnCatalogue.h"
#include "metadata/KnownTags.h"
#include "metadata/ReaderPool.h"
#include "platform/FileSystem.h"
#include "platform/Interrupt.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {

enum ExitStatus {
    Success = 0,
    Refused = 1,
    UsageError = 2,
    SomeUnreadable = 3,  // photos or folders that could not be read
    WriteFailed = 4,
    NoReader = 5,  // no reader process could be started; nothing was written
    Interrupted = 130,
};

int ExitStatusFor(const RunResult& result)
{
    switch (result.outcome) {
    case RunResult::Outcome::Completed:
        return result.unreadPhotos.empty() && result.unlistedFolders.empty() ? Success : SomeUnreadable;
    case RunResult::Outcome::Aborted:
        return Interrupted;
    case RunResult::Outcome::WriteFailed:
        return WriteFailed;
    case RunResult::Outcome::NoReader:
        return NoReader;
    case RunResult::Outcome::Refused:
    case RunResult::Outcome::Declined:
        break;
    }
    return Refused;
}

int ReportUsageError(const std::string& text)
{
    std::fprintf(stderr, "fotoharvester-cli: %s\nTry 'fotoharvester-cli --help'.\n", text.c_str());
    return UsageError;
}

// The photos a list names, from a file or ("-") standard input; false when it cannot be read.
bool ReadPhotosFrom(const std::string& listPath, bool nulSeparated, PhotoList& photos)
{
    if (listPath == "-") {
        photos = ReadPhotoList(stdin, nulSeparated);
        return true;
    }
    const platform::UniqueFile list(std::fopen(listPath.c_str(), "rb"));
    if (!list) {
        std::fprintf(stderr, "fotoharvester-cli: cannot read %s: %s\n", listPath.c_str(),
                     platform::ErrorText(errno).c_str());
        return false;
    }
    photos = ReadPhotoList(list.get(), nulSeparated);
    return true;
}

// The run the command line asks for, or the exit status of a command line that asks for none.
int PrepareRequest(const CommandLine& commandLine, RunRequest& request)
{
    request.settings =
        ApplyCommandLine(commandLine.defaults ? DefaultSettings(FixedMonthNames()) : LoadSettings(), commandLine);
    request.separator = SeparatorFor(request.settings, commandLine);
    const OutputChoice output = ChooseOutput(request.settings.OutFile);
    if (!output.error.empty())
        return ReportUsageError(output.error);
    request.outputPath = output.path;
    request.toStandardOutput = output.standardOutput;
    // The window's map option names no file here: a script asks for its map by name.
    request.mapPath = commandLine.mapPath.value_or(std::string());
    if (!output.standardOutput && request.mapPath == output.path)
        return ReportUsageError("the map file and the output file must differ");
    // Refused by the run too, but named here as what the command line must add.
    if (!request.settings.ChoosesAnyColumn())
        return ReportUsageError(MakeMessage(MessageId::NoColumns).batchLines.front());
    if (request.separator.empty())
        return ReportUsageError(MakeMessage(MessageId::SeparatorEmpty).batchLines.front());
    if (!commandLine.photos.empty())
        request.photos = commandLine.photos;
    if (commandLine.filesFrom &&
        !ReadPhotosFrom(*commandLine.filesFrom, commandLine.nulSeparated, request.photos.emplace()))
        return Refused;
    return Success;
}

// Whether libexiv2, as the reader knows it, knows every tag the run asks for by key; when not, the
// user is told which. A reader that cannot be started is the run's to report.
bool KeysAreKnown(const RunRequest& request, const std::string& readerProgram)
{
    const std::vector<std::string> keys = KeysOf(ChosenColumns(request.settings));
    if (keys.empty())
        return true;
    const KnownTagList known = ListKnownTags(readerProgram);
    if (!known.problem.empty())
        return true;
    const std::vector<std::string> unknown = UnknownKeys(known, keys);
    for (const std::string& key : unknown)
        std::fprintf(stderr, "fotoharvester-cli: libexiv2 knows no tag %s\n", key.c_str());
    return unknown.empty();
}

// Every tag that can be asked for by its key, one a line.
int ListTags(const std::string& readerProgram)
{
    const KnownTagList known = ListKnownTags(readerProgram);
    if (!known.problem.empty()) {
        std::fprintf(stderr, "fotoharvester-cli: cannot list the tags: %s\n", known.problem.c_str());
        return NoReader;
    }
    for (const KnownTag& tag : known.tags)
        std::printf("%s\t%s\t%s\t%s\n", tag.group.c_str(), tag.label.c_str(), tag.key.c_str(), tag.description.c_str());
    return std::fflush(stdout) == 0 ? Success : WriteFailed;
}

int Run(const CommandLine& commandLine, RunRequest request)
{
    BatchHost::Options hostOptions;
    hostOptions.answerYes = commandLine.answerYes;
    hostOptions.showProgress = isatty(fileno(stderr)) != 0;
    hostOptions.quiet = commandLine.quiet;
    BatchHost host(hostOptions, stderr);

    ReaderPool::Options readerOptions = ReaderPool::DefaultOptions();
    if (commandLine.readers)
        readerOptions.readers = *commandLine.readers;
    ReaderPool readers(readerOptions);

    platform::InstallInterruptHandler();
    platform::InstallTerminationHandler();
    return ExitStatusFor(ExtractionRun(std::move(request), host, readers).Execute());
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const ParseResult parsed = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty())
        return ReportUsageError(parsed.error);
    const CommandLine& commandLine = parsed.commandLine;
    if (commandLine.showHelp) {
        std::fputs(HelpText().c_str(), stdout);
        return Success;
    }
    if (commandLine.showVersion) {
        std::printf("fotoharvester-cli %s\n", FOTOHARVESTER_VERSION);
        return Success;
    }
    if (commandLine.listTags)
        return ListTags(ReaderPool::DefaultOptions().program);
    RunRequest request;
    if (const int status = PrepareRequest(commandLine, request); status != Success)
        return status;
    if (!KeysAreKnown(request, ReaderPool::DefaultOptions().program))
        return ReportUsageError("a tag key is not known; fotoharvester-cli --list-tags lists them");
    return Run(commandLine, std::move(request));
}
