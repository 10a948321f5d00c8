#pragma once

#include "extract/Messages.h"

#include <cstdint>
#include <string>

// What an extraction run asks of the program that hosts it: the window or the batch command.
// The run never sees a widget; a test host answers these from a script.
class RunHost {
public:
    virtual ~RunHost() = default;

    // Copies what the user has entered into the settings / shows the settings again.
    virtual void TakeControlValues() = 0;
    virtual void ShowSettings() = 0;

    // The separator text as typed or chosen (not a stored setting).
    virtual std::string SeparatorText() const = 0;
    // Read anew for every photo: ticking a column during a run changes the records that follow.
    virtual bool IsColumnTicked(int column) const = 0;
    // The chosen entry of the separator list, -1 when the text matches none.
    virtual int SeparatorPosition() const = 0;

    virtual void SetProgressRange(std::int64_t photoCount) = 0;
    virtual void SetProgressPosition(std::int64_t photosDone) = 0;
    // Running: progress and Abort shown, Setup and Extract disabled, the status text shown.
    virtual void SetRunning(bool running, const std::string& statusText) = 0;

    virtual Answer ShowMessage(const Message& message) = 0;

    // Called between photos and while waiting for a slow photo: the window handles its events
    // here, the batch command notices an interrupt.
    virtual void KeepAlive() = 0;
    virtual bool AbortRequested() const = 0;
    virtual void ClearAbortRequest() = 0;
};
