#include "extract/ExtractionRun.h"

#include "extract/CUtility.h"
#include "extract/OutputFile.h"
#include "extract/RecordComposer.h"
#include "extract/RunHost.h"
#include "metadata/CFotoHarvest.h"
#include "platform/FileSystem.h"

namespace {

ColumnSelection TickedColumns(const RunHost& host)
{
    ColumnSelection ticked;
    for (int column = 0; column < ColumnCount; ++column)
        ticked[column] = host.IsColumnTicked(column);
    return ticked;
}

}  // namespace

std::string OutputPathFor(const std::string& outFile)
{
    return CUtility().GetExtension(outFile).empty() ? outFile + ".csv" : outFile;
}

ExtractionRun::ExtractionRun(ExtractionSettings& settings, RunHost& host, TagSource& tags)
    : m_settings(settings), m_host(host), m_tags(tags)
{
}

RunResult ExtractionRun::Execute()
{
    RunResult result;
    const CUtility utility;

    m_host.TakeControlValues();
    const std::string separator = SeparatorFromText(m_host.SeparatorText());

    std::string& folder = m_settings.Folder;
    if (folder.empty()) {
        m_host.ShowMessage(MakeMessage(MessageId::FolderEmpty));
        return result;
    }
    if (folder.back() != '\\' && folder.back() != '/')
        folder += platform::NativeSeparator();
    if (!platform::CanListFolder(folder)) {
        m_host.ShowMessage(MakeMessage(MessageId::FolderMissing));
        return result;
    }
    result.outputPath = OutputPathFor(m_settings.OutFile);

    PhotoList photos;
    result.unlistedFolderCount = utility.CollectPhotoFiles(photos, folder, m_settings.SubFolders != 0, [this] { m_host.KeepAlive(); });
    SortPhotoList(photos);
    m_host.SetProgressRange(static_cast<std::int64_t>(photos.size()));

    // Asked before the output file is opened, so that "No" leaves an earlier output untouched.
    if (m_settings.FullFilePath == 0 && HasDuplicateFileNames(photos) &&
        m_host.ShowMessage(MakeMessage(MessageId::DuplicateNames)) != Answer::Yes) {
        result.outcome = RunResult::Outcome::Declined;
        return result;
    }

    // Opening the output empties it: it must never be one of the photos.
    if (IsListedPhoto(photos, result.outputPath)) {
        m_host.ShowMessage(MakeMessage(MessageId::OutputIsAPhoto, {result.outputPath}));
        return result;
    }
    if (const auto problem = m_tags.CheckReaders()) {
        m_host.ShowMessage(MakeMessage(MessageId::NoReader, {problem->program, problem->reason}));
        result.outcome = RunResult::Outcome::NoReader;
        return result;
    }
    OutputFile output;
    if (!output.Open(result.outputPath)) {
        m_host.ShowMessage(MakeMessage(MessageId::OutputNotOpened));
        return result;
    }
    const RecordComposer composer(separator, DateLayout{m_settings.DateFormat, m_settings.MonthNames});
    if (m_settings.CommentLine != 0)
        output.WriteLine(composer.HeadingLine(TickedColumns(m_host)));

    m_host.SetRunning(true, std::string(MessageText(MessageId::Extracting)));
    m_host.ShowSettings();
    m_host.ClearAbortRequest();

    CFotoHarvest reader(m_tags);
    m_tags.Begin(photos, [this] { m_host.KeepAlive(); });
    bool aborted = false;
    for (const std::string& path : photos) {
        if (!utility.IsPhotoFile(path))
            continue;
        m_host.SetProgressPosition(result.photoCount);
        ++result.photoCount;
        m_host.KeepAlive();

        const std::string name = m_settings.FullFilePath != 0 ? path : utility.GetFileName(path);
        reader.ReadImage(path);
        if (reader.LastOutcome() != ReadOutcome::Read)
            ++result.unreadableCount;
        if (const auto record = composer.Record(name, TickedColumns(m_host), reader))
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
    const bool written = output.Close();
    photos = PhotoList();

    m_settings.Flags = FlagsFromSelection(TickedColumns(m_host));
    m_settings.SeparatorNum = m_host.SeparatorPosition();
    m_host.SetRunning(false, std::string());
    m_host.ShowSettings();

    if (!written) {
        result.outcome = RunResult::Outcome::WriteFailed;
        m_host.ShowMessage(MakeMessage(MessageId::OutputNotWritten, {result.outputPath, output.ErrorText()}));
    } else if (aborted) {
        result.outcome = RunResult::Outcome::Aborted;
    } else {
        result.outcome = RunResult::Outcome::Completed;
        Message summary = MakeMessage(MessageId::Summary, {std::to_string(result.photoCount), result.outputPath});
        const auto addWarning = [&summary](MessageId id, std::int32_t count) {
            if (count == 0)
                return;
            summary.text += '\n';
            summary.text += MakeMessage(id, {std::to_string(count)}).text;
            summary.icon = Message::Icon::Warning;
        };
        addWarning(MessageId::UnreadablePhotos, result.unreadableCount);
        addWarning(MessageId::UnlistedFolders, result.unlistedFolderCount);
        m_host.ShowMessage(summary);
    }
    return result;
}
