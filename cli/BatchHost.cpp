#include "cli/BatchHost.h"

#include "platform/Interrupt.h"

namespace {

constexpr auto progressInterval = std::chrono::milliseconds(100);

// The messages that end a run: a summary, which --quiet leaves out with the lines it counts.
bool EndsTheRun(MessageId id)
{
    return id == MessageId::Summary || id == MessageId::SummaryWithUnread || id == MessageId::Stopped ||
           id == MessageId::KeepStoppedRecords || id == MessageId::StoppedBeforeReading;
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
    const bool question = message.buttons == Message::Buttons::YesNo;
    // A stopped run keeps the earlier files, whatever --yes says: Ctrl-C never replaces a whole
    // file with a part of one, and the line shown says so.
    const bool keepsEarlierFiles = message.id == MessageId::KeepStoppedRecords;
    if (question && m_options.answerYes && !keepsEarlierFiles)
        return Answer::Yes;
    if (!(m_options.quiet && EndsTheRun(message.id))) {
        // What the message counts first, one photo or folder a line, then what it says of them.
        for (const std::string& detail : message.details)
            PrintLine(detail);
        for (const std::string& line : message.batchLines)
            PrintLine(line);
    }
    return question ? Answer::No : Answer::Ok;
}

void BatchHost::KeepAlive() {}

bool BatchHost::AbortRequested() const
{
    return platform::InterruptRequested();
}

void BatchHost::ClearAbortRequest() {}
