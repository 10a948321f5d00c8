#pragma once

#include "extract/Messages.h"

#include <cstdint>
#include <string>

// What an extraction run asks of the program that hosts it, the window or the batch command:
// progress, questions and messages, and whether to stop. The run never sees a widget or a
// setting the user is still editing; a test host answers these from a script.
class RunHost {
public:
    virtual ~RunHost() = default;

    virtual void SetProgressRange(std::int64_t photoCount) = 0;
    virtual void SetProgressPosition(std::int64_t photosDone) = 0;
    // Running: progress and Abort shown, everything else that would change the run disabled, the
    // status text shown.
    virtual void SetRunning(bool running, const std::string& statusText) = 0;

    virtual Answer ShowMessage(const Message& message) = 0;

    // Called between photos and while waiting for a slow photo: the window handles its events
    // here, the batch command notices an interrupt.
    virtual void KeepAlive() = 0;
    virtual bool AbortRequested() const = 0;
    virtual void ClearAbortRequest() = 0;
};
