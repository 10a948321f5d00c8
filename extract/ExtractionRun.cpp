#include "extract/ExtractionRun.h"

#include "extract/ColumnCatalogue.h"
#include "extract/MapComposer.h"
#include "extract/OutputFile.h"
#include "extract/RecordComposer.h"
#include "extract/RunHost.h"
#include "metadata/PhotoValues.h"
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
        AppendLines(message, MakeMessage(id, {std::to_string(lost.size())}));
        message.icon = Message::Icon::Warning;
        for (const Unread& item : lost)
            message.details.push_back(std::string(what) + item.path + ": " + item.reason);
    };
    addWarning(MessageId::UnreadablePhotos, result.unreadPhotos, "");
    addWarning(MessageId::UnlistedFolders, result.unlistedFolders, "cannot open folder ");
}

// The message that ends a run which wrote its file: the count and the file, then the losses and
// what the map holds. A run that could not read every photo does not call itself a success.
Message Ending(const RunResult& result, bool toStandardOutput, const std::string& mapPath)
{
    const std::string photos = std::to_string(result.photoCount);
    const std::string records = std::to_string(result.recordCount);
    const auto read = std::to_string(result.photoCount - static_cast<std::int32_t>(result.unreadPhotos.size()));
    const std::string destination = toStandardOutput ? std::string("standard output") : result.outputPath;
    Message ending =
        result.outcome == RunResult::Outcome::Aborted ? MakeMessage(MessageId::Stopped, {photos, destination})
        : result.unreadPhotos.empty()                 ? MakeMessage(MessageId::Summary, {records, destination, photos})
                                      : MakeMessage(MessageId::SummaryWithUnread, {records, read, destination, photos});
    if (const std::int32_t withoutRecord = result.photoCount - result.recordCount; withoutRecord > 0)
        ContinueLastLine(ending, MakeMessage(MessageId::PhotosWithoutValues, {std::to_string(withoutRecord)}));
    AddLosses(ending, result);
    if (!mapPath.empty())
        AppendLines(ending, MakeMessage(MessageId::MapSummary, {std::to_string(result.mappedCount), mapPath,
                                                                std::to_string(result.unmappedCount)}));
    if (!toStandardOutput)
        ending.writtenFile = result.outputPath;
    return ending;
}

// The first few names, and how many more there are: a folder of copies can share thousands.
std::string FirstNames(const std::vector<std::string>& names)
{
    constexpr std::size_t shown = 5;
    std::string text;
    for (std::size_t i = 0; i < names.size() && i < shown; ++i) {
        if (i > 0)
            text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    if (names.size() > shown)
        text += " and " + std::to_string(names.size() - shown) + " more";
    return text;
}

}  // namespace

std::string OutputPathFor(const std::string& outFile)
{
    return ExtensionOf(outFile).empty() ? outFile + ".csv" : outFile;
}

bool HasNameBeforeExtension(const std::string& outFile)
{
    const std::string name = FileNameOf(outFile);
    const std::string stem = name.substr(0, name.rfind('.') == std::string::npos ? name.size() : name.rfind('.'));
    return stem.find_first_not_of('.') != std::string::npos;
}

std::string MapPathFor(const std::string& outputPath)
{
    const std::string extension = ExtensionOf(FileNameOf(outputPath));
    const std::string stem = outputPath.substr(0, outputPath.size() - extension.size() - (extension.empty() ? 0 : 1));
    // A map must never take the place of the records it goes with.
    return extension == "geojson" ? outputPath + ".geojson" : stem + ".geojson";
}

ExtractionRun::ExtractionRun(RunRequest request, RunHost& host, TagSource& tags)
    : m_request(std::move(request)), m_host(host), m_tags(tags)
{
}

// What a run writes to, and with what.
struct ExtractionRun::Files {
    OutputFile output;
    OutputFile map;
    bool mapped = false;
    std::vector<Column> columns;
    RecordComposer composer;
};

RunResult ExtractionRun::Execute()
{
    RunResult result;
    const ExtractionSettings& settings = m_request.settings;
    result.outputPath =
        m_request.toStandardOutput ? std::string("-") : m_request.outputPath.value_or(OutputPathFor(settings.OutFile));
    // A stop asked for before now was for the run before; one asked for from here on, even while
    // the folder is listed, stops this one.
    m_host.ClearAbortRequest();
    if (!FolderIsUsable() || !ChoicesAreUsable(result))
        return result;
    std::optional<PhotoList> photos = CollectPhotos(result);
    if (!photos) {
        StoppedBeforeReading(result);
        return result;
    }
    // Asked before the output file is opened, so that "No" leaves an earlier output untouched.
    if (!DuplicateNamesAccepted(*photos)) {
        result.outcome = RunResult::Outcome::Declined;
        return result;
    }
    if (!ReadersWork()) {
        result.outcome = RunResult::Outcome::NoReader;
        return result;
    }
    if (StoppedBeforeReading(result))
        return result;
    Files files{{},
                {},
                !m_request.mapPath.empty(),
                ChosenColumns(settings),
                RecordComposer(m_request.separator,
                               DateLayout{settings.DateFormat, settings.MonthNames, settings.SubSeconds != 0},
                               settings.Spreadsheet != 0)};
    if (!OpenFiles(files, result, *photos))
        return result;
    const bool aborted = WriteRecords(files, std::move(*photos), result);
    Finish(files, aborted, result);
    return result;
}

bool ExtractionRun::FolderIsUsable()
{
    if (m_request.photos)
        return true;
    std::string& folder = m_request.settings.Folder;
    if (folder.empty()) {
        m_host.ShowMessage(MakeMessage(MessageId::FolderEmpty));
        return false;
    }
    if (!platform::IsFolderSeparator(folder.back()))
        folder += platform::NativeSeparator();
    if (std::error_code error; !platform::CanListFolder(folder, &error)) {
        m_host.ShowMessage(MakeMessage(MessageId::FolderMissing, {folder, error.message()}));
        return false;
    }
    return true;
}

bool ExtractionRun::ChoicesAreUsable(const RunResult& result)
{
    const ExtractionSettings& settings = m_request.settings;
    std::optional<Message> refusal;
    if (!m_request.toStandardOutput && !m_request.outputPath && settings.OutFile.empty())
        refusal = MakeMessage(MessageId::OutputEmpty);
    else if (!m_request.toStandardOutput && !HasNameBeforeExtension(result.outputPath))
        refusal = MakeMessage(MessageId::OutputUnnamed, {m_request.outputPath.value_or(settings.OutFile)});
    else if (!settings.ChoosesAnyColumn())
        refusal = MakeMessage(MessageId::NoColumns);
    else if (m_request.separator.empty())
        refusal = MakeMessage(MessageId::SeparatorEmpty);
    if (refusal)
        m_host.ShowMessage(*refusal);
    return !refusal;
}

std::optional<PhotoList> ExtractionRun::CollectPhotos(RunResult& result)
{
    const PhotoFormats formats = m_request.settings.ChosenFormats();
    PhotoList photos;
    if (m_request.photos) {
        photos = std::move(*m_request.photos);
        std::erase_if(photos, [&](const std::string& path) { return !IsPhotoFile(path, formats); });
        for (std::string& path : photos)
            path = CleanPath(path);
    } else {
        const auto goOn = [this] {
            m_host.KeepAlive();
            return !m_host.AbortRequested();
        };
        result.unlistedFolders =
            CollectPhotoFiles(photos, m_request.settings.Folder, m_request.settings.SubFolders != 0, goOn, formats);
        if (m_host.AbortRequested())
            return std::nullopt;
    }
    SortPhotoList(photos);
    m_host.SetProgressRange(static_cast<std::int64_t>(photos.size()));
    return photos;
}

bool ExtractionRun::StoppedBeforeReading(RunResult& result)
{
    if (!m_host.AbortRequested())
        return false;
    result.outcome = RunResult::Outcome::Aborted;
    m_host.ShowMessage(MakeMessage(MessageId::StoppedBeforeReading));
    return true;
}

bool ExtractionRun::DuplicateNamesAccepted(const PhotoList& photos)
{
    if (m_request.settings.FullFilePath != 0)
        return true;
    const std::vector<std::string> shared = DuplicateFileNames(photos);
    if (shared.empty())
        return true;
    return m_host.ShowMessage(MakeMessage(MessageId::DuplicateNames,
                                          {std::to_string(shared.size()), FirstNames(shared)})) == Answer::Yes;
}

bool ExtractionRun::ReadersWork()
{
    const auto problem = m_tags.CheckReaders();
    if (problem)
        m_host.ShowMessage(MakeMessage(MessageId::NoReader, {problem->program, problem->reason}));
    return !problem;
}

bool ExtractionRun::OpenFiles(Files& files, const RunResult& result, const PhotoList& photos)
{
    if (m_request.toStandardOutput)
        files.output.OpenStandardOutput();
    else if (!Open(files.output, result.outputPath, photos))
        return false;
    return !files.mapped || Open(files.map, m_request.mapPath, photos);
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
    case OutputFile::Opening::UntrustedLink:
        m_host.ShowMessage(MakeMessage(MessageId::OutputLinkUntrusted, {path}));
        return false;
    case OutputFile::Opening::Failed:
        break;
    }
    m_host.ShowMessage(MakeMessage(MessageId::OutputNotOpened, {path, file.ErrorText()}));
    return false;
}

bool ExtractionRun::WriteRecords(Files& files, PhotoList photos, RunResult& result)
{
    if (m_request.settings.Spreadsheet != 0)
        files.output.Write(ByteOrderMark);
    if (m_request.settings.CommentLine != 0)
        files.output.WriteLine(files.composer.HeadingLine(files.columns));
    if (files.mapped)
        files.map.Write(MapComposer::Opening());

    m_host.SetRunning(true, std::string(MessageText(MessageId::Extracting)));

    PhotoValues reader(m_tags);
    m_tags.AskForKeys(KeysOf(files.columns));
    // A run of tags by key alone, with no map, needs no other value of any photo.
    m_tags.NeedKnownTags(files.mapped || KeysOf(files.columns).size() < files.columns.size());
    m_tags.Begin(photos, [this] { m_host.KeepAlive(); });
    bool aborted = false;
    for (const std::string& path : photos) {
        m_host.SetProgressPosition(result.photoCount);
        ++result.photoCount;
        m_host.KeepAlive();
        WritePhoto(files, reader, path, result);
        if (files.output.Failed() || files.map.Failed())
            break;  // nothing more can be stored; the user is told when the run ends
        if (m_host.AbortRequested()) {
            aborted = true;
            break;
        }
    }
    m_tags.End();
    return aborted;
}

void ExtractionRun::WritePhoto(Files& files, PhotoValues& reader, const std::string& path, RunResult& result)
{
    const std::string name = m_request.settings.FullFilePath != 0 ? path : FileNameOf(path);
    reader.ReadImage(path);
    if (reader.LastOutcome() != ReadOutcome::Read)
        result.unreadPhotos.push_back({path, std::string(OutcomeReason(reader.LastOutcome()))});
    const Fields fields = files.composer.Values(files.columns, reader);
    if (const auto record = files.composer.Record(name, files.columns, fields)) {
        files.output.WriteLine(*record);
        ++result.recordCount;
    }
    if (files.mapped) {
        const auto feature = MapComposer().Feature(name, files.columns, fields, reader.Latitude(), reader.Longitude(),
                                                   reader.Altitude());
        if (!feature) {
            ++result.unmappedCount;
        } else {
            if (result.mappedCount++ > 0)
                files.map.Write(MapComposer::Between());
            files.map.Write(*feature);
        }
    }
    reader.ClearValues();
}

void ExtractionRun::Finish(Files& files, bool aborted, RunResult& result)
{
    if (files.mapped)
        files.map.Write(MapComposer::Closing());
    // Every file is whole on the disk before any takes the place of an earlier one, so that a
    // failure at any step, or a kill, leaves all the earlier files as they were.
    const bool prepared = files.output.Prepare() && (!files.mapped || files.map.Prepare());
    m_host.SetRunning(false, std::string());
    if (!prepared) {
        Fail(files, result);
        return;
    }
    if (aborted && !KeepStoppedRecords(files, result)) {
        files.output.Discard();
        files.map.Discard();
        result.outcome = RunResult::Outcome::Aborted;
        return;
    }
    // The map first: should the output then fail, the earlier output is still there.
    if ((files.mapped && !files.map.PutInPlace()) || !files.output.PutInPlace()) {
        Fail(files, result);
        return;
    }
    result.outcome = aborted ? RunResult::Outcome::Aborted : RunResult::Outcome::Completed;
    m_host.ShowMessage(Ending(result, m_request.toStandardOutput, m_request.mapPath));
}

bool ExtractionRun::KeepStoppedRecords(const Files& files, const RunResult& result)
{
    std::string replaced = files.output.ReplacesAFile() ? result.outputPath : std::string();
    if (files.mapped && files.map.ReplacesAFile())
        replaced += (replaced.empty() ? "" : " and ") + m_request.mapPath;
    if (replaced.empty())
        return true;
    const Message question = MakeMessage(MessageId::KeepStoppedRecords, {std::to_string(result.photoCount), replaced});
    return m_host.ShowMessage(question) == Answer::Yes;
}

void ExtractionRun::Fail(Files& files, RunResult& result)
{
    const bool mapFailed = files.map.Failed();
    const OutputFile& failed = mapFailed ? files.map : files.output;
    const std::string& failedPath = mapFailed ? m_request.mapPath : result.outputPath;
    files.output.Discard();
    files.map.Discard();
    result.outcome = RunResult::Outcome::WriteFailed;
    m_host.ShowMessage(MakeMessage(MessageId::OutputNotWritten, {failedPath, failed.ErrorText()}));
}
