#include "cli/BatchHost.h"

#include "platform/Interrupt.h"

#include <algorithm>

namespace {

constexpr auto progressInterval = std::chrono::milliseconds(100);

std::string Argument(const Message& message, std::size_t index)
{
    return index < message.arguments.size() ? message.arguments[index] : std::string();
}

// "1 photo", "2 photos".
std::string Count(std::size_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// The batch command's words for a message of the run: one line, without the program's name.
std::string BatchMessageText(const Message& message)
{
    switch (message.id) {
    case MessageId::FolderMissing:
        return "cannot open folder " + Argument(message, 0) + ": " + Argument(message, 1);
    case MessageId::FolderEmpty:
        return "no folder to scan: name one as FOLDER, or give --files-from";
    case MessageId::OutputNotOpened:
        return "cannot write " + Argument(message, 0) + ": " + Argument(message, 1);
    case MessageId::DuplicateNames:
        return "photos in different folders share the name " + Argument(message, 0) +
               "; add --full-path to tell them apart, or --yes to write them all the same";
    case MessageId::OutputNotWritten:
        return "could not write " + Argument(message, 0) + ": " + Argument(message, 1) +
               "; an earlier file of that name is left as it was";
    case MessageId::OutputIsAPhoto:
        return "the output " + Argument(message, 0) + " is one of the photos to read; choose another";
    case MessageId::OutputInUse:
        return Argument(message, 0) + " is being written by another run; try again when it has ended";
    default:
        break;
    }
    // A message without words of our own: the window's text on one line.
    std::string text = message.text;
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

}  // namespace

BatchHost::BatchHost(Options options, std::FILE* messages) : m_options(options), m_messages(messages) {}

void BatchHost::SetProgressRange(std::int64_t photoCount)
{
    m_photoCount = photoCount;
}

void BatchHost::SetProgressPosition(std::int64_t photosDone)
{
    if (!m_options.showProgress || m_options.quiet)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (photosDone == 0 || now - m_lastPrinted >= progressInterval) {
        m_lastPrinted = now;
        PrintProgress(photosDone);
    }
}

void BatchHost::PrintProgress(std::int64_t photosDone)
{
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count();
    const double rate = seconds > 0 ? static_cast<double>(photosDone) / seconds : 0.0;
    std::fprintf(m_messages, "\r%lld/%lld photos, %.0f photos/s   ", static_cast<long long>(photosDone),
                 static_cast<long long>(m_photoCount), rate);
    std::fflush(m_messages);
    m_progressShown = true;
}

void BatchHost::EndProgressLine()
{
    if (!m_progressShown)
        return;
    std::fputc('\n', m_messages);
    m_progressShown = false;
}

void BatchHost::PrintLine(const std::string& text)
{
    EndProgressLine();
    std::fprintf(m_messages, "fotoharvester-cli: %s\n", text.c_str());
}

void BatchHost::SetRunning(bool running, const std::string&)
{
    if (running) {
        m_started = std::chrono::steady_clock::now();
        return;
    }
    EndProgressLine();
}

Answer BatchHost::ShowMessage(const Message& message)
{
    // The ending waits for Report, which words it from the whole result.
    if (message.id == MessageId::Summary || message.id == MessageId::SummaryWithUnread ||
        message.id == MessageId::Stopped)
        return Answer::Ok;
    if (message.buttons == Message::Buttons::YesNo && m_options.answerYes)
        return Answer::Yes;
    PrintLine(BatchMessageText(message));
    return message.buttons == Message::Buttons::YesNo ? Answer::No : Answer::Ok;
}

void BatchHost::Report(const RunResult& result, const std::string& mapPath)
{
    if (m_options.quiet)
        return;
    for (const Unread& folder : result.unlistedFolders)
        PrintLine("cannot open folder " + folder.path + ": " + folder.reason);
    for (const Unread& photo : result.unreadPhotos)
        PrintLine(photo.path + ": " + photo.reason);
    const std::string destination = result.outputPath == "-" ? std::string("standard output") : result.outputPath;
    if (result.outcome == RunResult::Outcome::Aborted) {
        PrintLine("stopped after " + Count(static_cast<std::size_t>(result.photoCount), "photo", "photos") + "; " +
                  destination + " holds the records written so far");
        return;
    }
    if (result.outcome != RunResult::Outcome::Completed)
        return;
    // One record per photo, read or not: the lines below name the photos whose records are empty.
    PrintLine(Count(static_cast<std::size_t>(result.photoCount), "record", "records") + " written to " + destination);
    if (!result.unreadPhotos.empty())
        PrintLine(Count(result.unreadPhotos.size(), "photo", "photos") + " could not be read; " +
                  (result.unreadPhotos.size() == 1 ? "its record holds" : "their records hold") + " no metadata");
    if (!result.unlistedFolders.empty())
        PrintLine(Count(result.unlistedFolders.size(), "folder", "folders") + " could not be opened; any photos in " +
                  (result.unlistedFolders.size() == 1 ? "it are" : "them are") + " missing");
    if (!mapPath.empty())
        PrintLine("map written to " + mapPath + ": " +
                  Count(static_cast<std::size_t>(result.mappedCount), "photo", "photos") + " placed, " +
                  std::to_string(result.unmappedCount) + " without a position left out");
}

void BatchHost::KeepAlive() {}

bool BatchHost::AbortRequested() const
{
    return platform::InterruptRequested();
}

void BatchHost::ClearAbortRequest() {}
