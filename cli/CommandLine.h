#pragma once

#include "extract/ExtractionSettings.h"

#include <optional>
#include <string>
#include <vector>

// What the user asked of the batch command. Unset options keep the stored settings.
struct CommandLine {
    std::optional<std::string> folder;
    std::optional<std::string> output;
    std::optional<std::string> flags;  // the Flags text of --columns
    std::optional<std::string> separatorText;
    std::optional<bool> headings;
    std::optional<bool> fullPath;
    std::optional<bool> subFolders;
    std::optional<int> formats;  // the Formats setting
    std::optional<int> dateFormat;
    std::optional<bool> subSeconds;
    std::optional<std::array<std::string, ExtractionSettings::MonthCount>> monthNames;
    std::optional<int> readers;
    bool answerYes = false;
    bool showHelp = false;
    bool showVersion = false;
};

struct ParseResult {
    CommandLine commandLine;
    std::string error;  // empty when the arguments were understood
};

ParseResult ParseCommandLine(const std::vector<std::string>& arguments);

// Settings for the run: the stored ones with the command line's choices on top.
ExtractionSettings ApplyCommandLine(ExtractionSettings settings, const CommandLine& commandLine);

// The separator text for the run: the command line's, else the stored list entry's.
std::string SeparatorTextFor(const ExtractionSettings& settings, const CommandLine& commandLine);

std::string HelpText();
