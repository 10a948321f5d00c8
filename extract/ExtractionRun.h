#pragma once

#include "extract/ExtractionSettings.h"
#include "extract/PhotoCollection.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class PhotoValues;
class OutputFile;
class RunHost;
class TagSource;

// What one run is to do, taken whole when it is asked for: whatever the user changes while it runs
// belongs to the next run.
struct RunRequest {
    ExtractionSettings settings;
    // The separator itself: one character (several bytes when beyond ASCII), or none.
    std::string separator;
    // Where the records go; by default OutputPathFor(settings.OutFile).
    std::optional<std::string> outputPath;
    // The records go to standard output instead of a file.
    bool toStandardOutput = false;
    // Where the map of the photos' positions goes (GeoJSON); empty for no map.
    std::string mapPath;
    // The photos to read instead of those of settings.Folder; only photo files among them count.
    std::optional<PhotoList> photos;
};

struct RunResult {
    enum class Outcome {
        Refused,   // a check failed; the user was told why
        Declined,  // the user chose not to go on despite duplicate names
        Completed,
        Aborted,
        WriteFailed,  // the output could not be stored; the user was told, the earlier file is kept
        NoReader,     // no photo could be read at all; nothing was written
    };

    Outcome outcome = Outcome::Refused;
    std::int32_t photoCount = 0;          // photos processed, with or without a record
    std::int32_t recordCount = 0;         // records written: photos with any of the chosen values
    std::vector<Unread> unreadPhotos;     // photos whose metadata could not be read
    std::vector<Unread> unlistedFolders;  // folders whose photos could not be listed
    std::string outputPath;
    std::int32_t mappedCount = 0;    // photos placed on the map
    std::int32_t unmappedCount = 0;  // photos left off the map: they have no position

    // Whether the run got as far as reading photos (and so stores its columns and separator).
    bool ReachedThePhotos() const
    {
        return outcome == Outcome::Completed || outcome == Outcome::Aborted || outcome == Outcome::WriteFailed;
    }
};

// One extraction: checks the folder, the output name, the columns and the separator, collects and
// sorts the photos, asks about duplicate names, then writes the heading line and one record per
// photo, driving the host's progress and abort, and reports the count. A run that is stopped
// replaces no earlier file without asking the host.
class ExtractionRun {
public:
    ExtractionRun(RunRequest request, RunHost& host, TagSource& tags);

    RunResult Execute();

    // The settings the run worked with; the folder ends in a separator once the run has checked it.
    const ExtractionSettings& Settings() const { return m_request.settings; }

private:
    struct Files;

    // Whether the folder can be listed; when not, the user is told. The folder gains a separator.
    bool FolderIsUsable();
    // Whether the output name, the columns and the separator make a file that can be read back;
    // when not, the user is told.
    bool ChoicesAreUsable(const RunResult& result);
    // The photos to read, sorted, or nothing when the user stopped the run while they were listed.
    std::optional<PhotoList> CollectPhotos(RunResult& result);
    // Whether the user has stopped the run before any photo was read; then the user is told.
    bool StoppedBeforeReading(RunResult& result);
    // Whether the run may go on when two photos share a name.
    bool DuplicateNamesAccepted(const PhotoList& photos);
    // Whether a reader can be started; when not, the user is told.
    bool ReadersWork();
    // Opens the output and the map, or tells the user why not.
    bool OpenFiles(Files& files, const RunResult& result, const PhotoList& photos);
    // Opens one of the run's files, or tells the user why not.
    bool Open(OutputFile& file, const std::string& path, const PhotoList& photos);
    // Writes the heading line and a record per photo; whether the user stopped the run.
    bool WriteRecords(Files& files, PhotoList photos, RunResult& result);
    // Reads one photo and writes its record and its point on the map.
    void WritePhoto(Files& files, PhotoValues& reader, const std::string& path, RunResult& result);
    // Puts the files in place, or keeps the earlier ones, and tells the user how the run ended.
    void Finish(Files& files, bool aborted, RunResult& result);
    // Whether the records of a stopped run are to take the place of the earlier files: asked when
    // there are any.
    bool KeepStoppedRecords(const Files& files, const RunResult& result);
    // Keeps the earlier files and tells the user that the one that failed could not be written.
    void Fail(Files& files, RunResult& result);

    RunRequest m_request;
    RunHost& m_host;
    TagSource& m_tags;
};

// The output path for an output name: ".csv" is added when the name has no extension.
std::string OutputPathFor(const std::string& outFile);
// Whether an output name has a name before its extension: "", ".csv" and a folder's name ending in
// a separator have none, and would make a hidden file.
bool HasNameBeforeExtension(const std::string& outFile);
// The map file beside an output file: the same name with the extension ".geojson".
std::string MapPathFor(const std::string& outputPath);
