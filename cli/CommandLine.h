#pragma once

#include "extract/ExtractionSettings.h"
#include "extract/PhotoCollection.h"

#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// What the user asked of the batch command. Unset options keep the stored settings (or the
// defaults, with --defaults).
struct CommandLine {
    std::optional<std::string> folder;  // FOLDER or --folder
    PhotoList photos;                   // PHOTO arguments, read instead of a folder
    std::optional<std::string> output;
    std::optional<std::string> flags;      // the Flags text of --columns
    std::optional<std::string> extraTags;  // the tag keys of --columns, as ExtraTags holds them
    std::optional<std::string> separator;  // the separator itself
    std::optional<bool> headings;
    std::optional<bool> fullPath;
    std::optional<bool> subFolders;
    std::optional<int> formats;  // the Formats setting
    std::optional<bool> spreadsheet;
    std::optional<int> dateFormat;
    std::optional<bool> subSeconds;
    std::optional<std::array<std::string, ExtractionSettings::MonthCount>> monthNames;
    std::optional<int> readers;
    std::optional<std::string> mapPath;    // --geojson
    std::optional<std::string> filesFrom;  // a file of photo paths, "-" for standard input
    bool nulSeparated = false;             // -0: the paths are separated by NUL, not by lines
    bool defaults = false;
    bool quiet = false;
    bool answerYes = false;
    bool showHelp = false;
    bool showVersion = false;
    bool listTags = false;
};

struct ParseResult {
    CommandLine commandLine;
    std::string error;  // empty when the arguments were understood
};

ParseResult ParseCommandLine(const std::vector<std::string>& arguments);

// Settings for the run: the stored ones (or the defaults) with the command line's choices on top.
ExtractionSettings ApplyCommandLine(ExtractionSettings settings, const CommandLine& commandLine);

// The separator for the run: the command line's, else that of the stored list entry, else the one
// typed in the window.
std::string SeparatorFor(const ExtractionSettings& settings, const CommandLine& commandLine);

// English month names, so that --defaults gives the same file on every machine.
const std::array<std::string, ExtractionSettings::MonthCount>& FixedMonthNames();

// Where the records go, as a shell user expects: "-" is standard output; a file under /dev, /proc
// or /sys, or one that is not a regular file, is written as named; any other name without an
// extension gets ".csv". A name that is empty or only an extension is refused, with the reason.
struct OutputChoice {
    std::string path;
    bool standardOutput = false;
    std::string error;
};
OutputChoice ChooseOutput(const std::string& outFile);

// The photo paths of a list: one a line (a CR before the line end is dropped), or separated by NUL
// bytes. Empty entries are skipped.
PhotoList ReadPhotoList(std::FILE* list, bool nulSeparated);

std::string HelpText();
