#pragma once

#include "extract/RunHost.h"

#include <chrono>
#include <cstdio>
#include <string>

// Hosts a run for the batch command: messages and progress go to standard error, each message as
// its batch lines (one line each, naming the path concerned), the duplicate-name question is
// answered from the command line, Ctrl-C asks the run to stop, and a stopped run keeps the
// earlier files.
class BatchHost : public RunHost {
public:
    struct Options {
        bool answerYes = false;
        bool showProgress = false;  // only on a terminal
        bool quiet = false;         // errors only
    };

    BatchHost(Options options, std::FILE* messages);

    void SetProgressRange(std::int64_t photoCount) override;
    void SetProgressPosition(std::int64_t photosDone) override;
    void SetRunning(bool running, const std::string& statusText) override;
    Answer ShowMessage(const Message& message) override;
    void KeepAlive() override;
    bool AbortRequested() const override;
    void ClearAbortRequest() override;

private:
    void PrintProgress(std::int64_t photosDone);
    void EndProgressLine();
    void PrintLine(const std::string& text);

    Options m_options;
    std::FILE* m_messages;
    std::int64_t m_photoCount = 0;
    bool m_progressShown = false;
    std::chrono::steady_clock::time_point m_started;
    std::chrono::steady_clock::time_point m_lastPrinted;
};
