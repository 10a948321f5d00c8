#include "extract/ExtractionRun.h"

#include "extract/ColumnCatalogue.h"
#include "extract/MapComposer.h"
#include "extract/OutputFile.h"
#include "extract/RecordComposer.h"
#include "extract/RunHost.h"
#include "metadata/CFotoHarvest.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <utility>

namespace {

// A line for each kind of loss, each thing lost named in the details.
void AddLosses(Message& message, const RunResult& result)
{
    const auto addWarning = [&message](MessageId id, const std::vector<Unread>& lost, std::string_view what) {
        if (lost.empty())
            return;
        message.text += '\n';
        message.text += MakeMessage(id, {std::to_string(lost.size())}).text;
        message.icon = Message::Icon::Warning;
        for (const Unread& item : lost)
            message.details.push_back(item.path + ": " + std::string(what) + item.reason);
    };
    addWarning(MessageId::UnreadablePhotos, result.unreadPhotos, "");
    addWarning(MessageId::UnlistedFolders, result.unlistedFolders, "folder not opened: ");
}

// The message that ends a run which wrote its file: the count and the file, then the losses and
// what the map holds. A run that could not read every photo does not call itself a success.
Message Ending(const RunResult& result, bool toStandardOutput, const std::string& mapPath)
{
    const std::string count = std::to_string(result.photoCount);
    const auto read = std::to_string(result.photoCount - static_cast<std::int32_t>(result.unreadPhotos.size()));
    Message ending = result.outcome == RunResult::Outcome::Aborted
                         ? MakeMessage(MessageId::Stopped, {count, result.outputPath})
                     : result.unreadPhotos.empty()
                         ? MakeMessage(MessageId::Summary, {count, result.outputPath})
                         : MakeMessage(MessageId::SummaryWithUnread, {read, count, result.outputPath});
    AddLosses(ending, result);
    if (!mapPath.empty()) {
        ending.text += '\n';
        ending.text += MakeMessage(MessageId::MapSummary, {mapPath, std::to_string(result.mappedCount),
                                                           std::to_string(result.unmappedCount)})
                           .text;
    }
    if (!toStandardOutput)
        ending.writtenFile = result.outputPath;
    return ending;
}

}  // namespace

std::string OutputPathFor(const std::string& outFile)
{
    return CUtility().GetExtension(outFile).empty() ? outFile + ".csv" : outFile;
}

std::string MapPathFor(const std::string& outputPath)
{
    const CUtility utility;
    const std::string extension = utility.GetExtension(utility.GetFileName(outputPath));
    const std::string stem = outputPath.substr(0, outputPath.size() - extension.size() - (extension.empty() ? 0 : 1));
    // A map must never take the place of the records it goes with.
    return extension == "geojson" ? outputPath + ".geojson" : stem + ".geojson";
}

ExtractionRun::ExtractionRun(RunRequest request, RunHost& host, TagSource& tags)
    : m_request(std::move(request)), m_host(host), m_tags(tags)
{
}

bool ExtractionRun::Open(OutputFile& file, const std::string& path, const PhotoList& photos)
{
    // The photos are read while the output is written: the two must be different files.
    if (IsListedPhoto(photos, path)) {
        m_host.ShowMessage(MakeMessage(MessageId::OutputIsAPhoto, {path}));
        return false;
    }
    switch (file.Open(path)) {
    case OutputFile::Opening::Opened:
        return true;
    case OutputFile::Opening::InUse:
        m_host.ShowMessage(MakeMessage(MessageId::OutputInUse, {path}));
        return false;
    case OutputFile::Opening::Failed:
        break;
    }
    m_host.ShowMessage(MakeMessage(MessageId::OutputNotOpened, {path, file.ErrorText()}));
    return false;
}

RunResult ExtractionRun::Execute()
{
    RunResult result;
    const CUtility utility;
    const ExtractionSettings& settings = m_request.settings;

    const PhotoFormats formats = settings.ChosenFormats();
    PhotoList photos;
    if (m_request.photos) {
        photos = std::move(*m_request.photos);
        std::erase_if(photos, [&](const std::string& path) { return !utility.IsPhotoFile(path, formats); });
    } else {
        std::string& folder = m_request.settings.Folder;
        if (folder.empty()) {
            m_host.ShowMessage(MakeMessage(MessageId::FolderEmpty));
            return result;
        }
        if (folder.back() != '\\' && folder.back() != '/')
            folder += platform::NativeSeparator();
        if (std::error_code error; !platform::CanListFolder(folder, &error)) {
            m_host.ShowMessage(MakeMessage(MessageId::FolderMissing, {folder, error.message()}));
            return result;
        }
        result.unlistedFolders = utility.CollectPhotoFiles(photos, folder, settings.SubFolders != 0,
                                                           [this] { m_host.KeepAlive(); }, formats);
    }
    result.outputPath = m_request.toStandardOutput ? std::string("-")
                                                   : m_request.outputPath.value_or(OutputPathFor(settings.OutFile));
    SortPhotoList(photos);
    m_host.SetProgressRange(static_cast<std::int64_t>(photos.size()));

    // Asked before the output file is opened, so that "No" leaves an earlier output untouched.
    if (settings.FullFilePath == 0 && HasDuplicateFileNames(photos) &&
        m_host.ShowMessage(MakeMessage(MessageId::DuplicateNames, {FirstDuplicateFileName(photos)})) != Answer::Yes) {
        result.outcome = RunResult::Outcome::Declined;
        return result;
    }

    if (const auto problem = m_tags.CheckReaders()) {
        m_host.ShowMessage(MakeMessage(MessageId::NoReader, {problem->program, problem->reason}));
        result.outcome = RunResult::Outcome::NoReader;
        return result;
    }
    OutputFile output;
    if (m_request.toStandardOutput)
        output.OpenStandardOutput();
    else if (!Open(output, result.outputPath, photos))
        return result;
    OutputFile map;
    const bool mapped = !m_request.mapPath.empty();
    if (mapped && !Open(map, m_request.mapPath, photos))
        return result;

    const bool forSpreadsheets = settings.Spreadsheet != 0;
    const ColumnSelection ticked = SelectionFromFlags(settings.Flags);
    const RecordComposer composer(m_request.separator,
                                  DateLayout{settings.DateFormat, settings.MonthNames, settings.SubSeconds != 0},
                                  forSpreadsheets);
    const MapComposer mapComposer;
    if (forSpreadsheets)
        output.Write(ByteOrderMark);
    if (settings.CommentLine != 0)
        output.WriteLine(composer.HeadingLine(ticked));
    if (mapped)
        map.Write(MapComposer::Opening());

    m_host.SetRunning(true, std::string(MessageText(MessageId::Extracting)));
    m_host.ClearAbortRequest();

    CFotoHarvest reader(m_tags);
    m_tags.Begin(photos, [this] { m_host.KeepAlive(); });
    bool aborted = false;
    for (const std::string& path : photos) {
        if (!utility.IsPhotoFile(path, formats))
            continue;
        m_host.SetProgressPosition(result.photoCount);
        ++result.photoCount;
        m_host.KeepAlive();

        const std::string name = settings.FullFilePath != 0 ? path : utility.GetFileName(path);
        reader.ReadImage(path);
        if (reader.LastOutcome() != ReadOutcome::Read)
            result.unreadPhotos.push_back({path, std::string(OutcomeReason(reader.LastOutcome()))});
        const ColumnValues values = composer.Values(ticked, reader);
        if (const auto record = composer.Record(name, ticked, values))
            output.WriteLine(*record);
        if (mapped) {
            const auto feature = mapComposer.Feature(name, ticked, values, reader.GetLatitude(), reader.GetLongitude(),
                                                     reader.GetGPSAltitude());
            if (feature) {
                if (result.mappedCount++ > 0)
                    map.Write(MapComposer::Between());
                map.Write(*feature);
            } else {
                ++result.unmappedCount;
            }
        }
        reader.ClearValues();

        if (output.Failed() || map.Failed())
            break;  // nothing more can be stored; the user is told below
        if (m_host.AbortRequested()) {
            aborted = true;
            break;
        }
    }
    m_tags.End();
    photos = PhotoList();

    // Completed or stopped by the user, the files take the place of the earlier ones; a failure
    // leaves the earlier ones as they were.
    if (mapped)
        map.Write(MapComposer::Closing());
    const OutputFile* failed = nullptr;
    std::string failedPath;
    if (map.Failed() || !output.Commit()) {
        failed = map.Failed() ? &map : &output;
        failedPath = map.Failed() ? m_request.mapPath : result.outputPath;
    } else if (mapped && !map.Commit()) {
        failed = &map;
        failedPath = m_request.mapPath;
    }
    output.Discard();
    map.Discard();

    m_host.SetRunning(false, std::string());

    if (failed != nullptr) {
        result.outcome = RunResult::Outcome::WriteFailed;
        m_host.ShowMessage(MakeMessage(MessageId::OutputNotWritten, {failedPath, failed->ErrorText()}));
    } else {
        result.outcome = aborted ? RunResult::Outcome::Aborted : RunResult::Outcome::Completed;
        m_host.ShowMessage(Ending(result, m_request.toStandardOutput, m_request.mapPath));
    }
    return result;
}
