// fotoharvester-cli: the batch command. Runs the same extraction as the window, for scripts.

#include "app/SettingsStore.h"
#include "cli/BatchHost.h"
#include "cli/CommandLine.h"
#include "extract/ExtractionRun.h"
#include "metadata/ReaderPool.h"
#include "platform/Interrupt.h"

#include <QCoreApplication>

#include <cstdio>
#include <string>
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
        return result.unreadableCount > 0 || result.unlistedFolderCount > 0 ? SomeUnreadable : Success;
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

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const ParseResult parsed = ParseCommandLine(arguments);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "fotoharvester-cli: %s\nTry 'fotoharvester-cli --help'.\n", parsed.error.c_str());
        return UsageError;
    }
    const CommandLine& commandLine = parsed.commandLine;
    if (commandLine.showHelp) {
        std::fputs(HelpText().c_str(), stdout);
        return Success;
    }
    if (commandLine.showVersion) {
        std::printf("fotoharvester-cli %s\n", FOTOHARVESTER_VERSION);
        return Success;
    }

    ExtractionSettings settings = ApplyCommandLine(LoadSettings(), commandLine);
    BatchHost::Options hostOptions;
    hostOptions.separatorText = SeparatorTextFor(settings, commandLine);
    hostOptions.answerYes = commandLine.answerYes;
    hostOptions.showProgress = isatty(fileno(stderr)) != 0;
    BatchHost host(settings, hostOptions, stderr);

    ReaderPool::Options readerOptions = ReaderPool::DefaultOptions();
    if (commandLine.readers)
        readerOptions.readers = *commandLine.readers;
    ReaderPool readers(readerOptions);

    platform::InstallInterruptHandler();
    const RunResult result = ExtractionRun(settings, host, readers).Execute();
    if (result.outcome == RunResult::Outcome::Aborted)
        std::fprintf(stderr, "Stopped after %d photos; %s holds the records written so far.\n", result.photoCount,
                     result.outputPath.c_str());
    return ExitStatusFor(result);
}
