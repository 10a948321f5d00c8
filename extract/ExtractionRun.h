#pragma once

#include "extract/ExtractionSettings.h"

#include <cstdint>
#include <string>

class RunHost;
class TagSource;

struct RunResult {
    enum class Outcome {
        Refused,      // a check failed; the user was told why
        Declined,     // the user chose not to go on despite duplicate names
        Completed,
        Aborted,
        WriteFailed,  // the output file is incomplete; the user was told
        NoReader,     // no photo could be read at all; nothing was written
    };

    Outcome outcome = Outcome::Refused;
    std::int32_t photoCount = 0;       // photos processed, with or without a record
    std::int32_t unreadableCount = 0;  // photos whose metadata could not be read
    std::int32_t unlistedFolderCount = 0;  // folders whose photos could not be listed
    std::string outputPath;
};

// One extraction: checks the folder and the output name, collects and sorts the photos, asks about
// duplicate names, then writes the heading line and one record per photo, driving the host's
// progress and abort, and reports the count.
class ExtractionRun {
public:
    ExtractionRun(ExtractionSettings& settings, RunHost& host, TagSource& tags);

    RunResult Execute();

private:
    ExtractionSettings& m_settings;
    RunHost& m_host;
    TagSource& m_tags;
};

// The output path for an output name: ".csv" is added when the name has no extension.
std::string OutputPathFor(const std::string& outFile);
