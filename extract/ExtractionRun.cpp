#include "extract/ExtractionRun.h"

#include "extract/ColumnCatalogue.h"
#include "extract/OutputFile.h"
#include "extract/RecordComposer.h"
#include "extract/RunHost.h"
#include "metadata/CFotoHarvest.h"
#include "platform/FileSystem.h"

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

// The message that ends a run which wrote its file: the count and the file, then the losses. A
// run that could not read every photo does not call itself a success.
Message Ending(const RunResult& result, bool toStandardOutput)
{
    const std::string count = std::to_string(result.photoCount);
    const auto read = std::to_string(result.photoCount - static_cast<std::int32_t>(result.unreadPhotos.size()));
    Message ending = result.outcome == RunResult::Outcome::Aborted
                         ? MakeMessage(MessageId::Stopped, {count, result.outputPath})
                     : result.unreadPhotos.empty()
                         ? MakeMessage(MessageId::Summary, {count, result.outputPath})
                         : MakeMessage(MessageId::SummaryWithUnread, {read, count, result.outputPath});
    AddLosses(ending, result);
    if (!toStandardOutput)
        ending.writtenFile = result.outputPath;
    return ending;
}

}  // namespace

std::string OutputPathFor(const std::string& outFile)
{
    return CUtility().GetExtension(outFile).empty() ? outFile + ".csv" : outFile;
}

ExtractionRun::ExtractionRun(RunRequest request, RunHost& host, TagSource& tags)
    : m_request(std::move(request)), m_host(host), m_tags(tags)
{
}

RunResult ExtractionRun::Execute()
{
    RunResult result;
    const CUtility utility;
    const ExtractionSettings& settings = m_request.settings;

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
    result.outputPath = m_request.toStandardOutput ? std::string("-")
                                                   : m_request.outputPath.value_or(OutputPathFor(settings.OutFile));

    PhotoList photos;
    const PhotoFormats formats = settings.ChosenFormats();
    result.unlistedFolders = utility.CollectPhotoFiles(photos, folder, settings.SubFolders != 0,
                                                       [this] { m_host.KeepAlive(); }, formats);
    SortPhotoList(photos);
    m_host.SetProgressRange(static_cast<std::int64_t>(photos.size()));

    // Asked before the output file is opened, so that "No" leaves an earlier output untouched.
    if (settings.FullFilePath == 0 && HasDuplicateFileNames(photos) &&
        m_host.ShowMessage(MakeMessage(MessageId::DuplicateNames, {FirstDuplicateFileName(photos)})) != Answer::Yes) {
        result.outcome = RunResult::Outcome::Declined;
        return result;
    }

    OutputFile output;
    if (m_request.toStandardOutput) {
        output.OpenStandardOutput();
    } else {
        // The photos are read while the output is written: the two must be different files.
        if (IsListedPhoto(photos, result.outputPath)) {
            m_host.ShowMessage(MakeMessage(MessageId::OutputIsAPhoto, {result.outputPath}));
            return result;
        }
        switch (output.Open(result.outputPath)) {
        case OutputFile::Opening::Opened:
            break;
        case OutputFile::Opening::InUse:
            m_host.ShowMessage(MakeMessage(MessageId::OutputInUse, {result.outputPath}));
            return result;
        case OutputFile::Opening::Failed:
            m_host.ShowMessage(MakeMessage(MessageId::OutputNotOpened, {result.outputPath, output.ErrorText()}));
            return result;
        }
    }
    const ColumnSelection ticked = SelectionFromFlags(settings.Flags);
    const RecordComposer composer(m_request.separator,
                                  DateLayout{settings.DateFormat, settings.MonthNames, settings.SubSeconds != 0});
    if (settings.CommentLine != 0)
        output.WriteLine(composer.HeadingLine(ticked));

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
        if (const auto record = composer.Record(name, ticked, reader))
            output.WriteLine(*record);
        reader.ClearValues();

        if (output.Failed())
            break;  // nothing more can be stored; the user is told below
        if (m_host.AbortRequested()) {
            aborted = true;
            break;
        }
    }
    m_tags.End();
    // Completed or stopped by the user, the file takes the place of the earlier one; a failure
    // leaves the earlier one as it was.
    const bool written = output.Commit();
    photos = PhotoList();

    m_host.SetRunning(false, std::string());

    if (!written) {
        result.outcome = RunResult::Outcome::WriteFailed;
        m_host.ShowMessage(MakeMessage(MessageId::OutputNotWritten, {result.outputPath, output.ErrorText()}));
    } else {
        result.outcome = aborted ? RunResult::Outcome::Aborted : RunResult::Outcome::Completed;
        m_host.ShowMessage(Ending(result, m_request.toStandardOutput));
    }
    return result;
}
