#pragma once

#include "extract/RunHost.h"

#include <string>
#include <vector>

// A run host driven by the test: it records what the run showed and answers from a script.
class TestHost : public RunHost {
public:
    Answer duplicateAnswer = Answer::No;  // the answer to every Yes/No question
    int abortAfterPhotos = -1;            // requests Abort once this many photos have been shown
    bool abortWhileListing = false;       // requests Abort while the folder is listed

    std::vector<Message> messages;
    std::vector<bool> runningStates;
    std::int64_t progressRange = -1;
    std::vector<std::int64_t> progressPositions;

    void SetProgressRange(std::int64_t photoCount) override { progressRange = photoCount; }
    void SetProgressPosition(std::int64_t photosDone) override
    {
        progressPositions.push_back(photosDone);
        if (abortAfterPhotos >= 0 && photosDone + 1 >= abortAfterPhotos)
            m_abort = true;
    }
    void SetRunning(bool running, const std::string&) override { runningStates.push_back(running); }
    Answer ShowMessage(const Message& message) override
    {
        messages.push_back(message);
        return message.buttons == Message::Buttons::YesNo ? duplicateAnswer : Answer::Ok;
    }
    void KeepAlive() override
    {
        // The range is set once the photos are listed.
        if (abortWhileListing && progressRange < 0)
            m_abort = true;
    }
    bool AbortRequested() const override { return m_abort; }
    void ClearAbortRequest() override { m_abort = false; }

    std::vector<MessageId> MessageIds() const
    {
        std::vector<MessageId> ids;
        for (const auto& message : messages)
            ids.push_back(message.id);
        return ids;
    }

private:
    bool m_abort = false;
};
