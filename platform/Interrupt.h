#pragma once
// Turns the terminal's interrupt key (Ctrl-C) into a request the batch command polls, so that a run
// can finish the photo in progress and close its file instead of dying mid-write.

namespace platform {

void InstallInterruptHandler();
bool InterruptRequested();

}  // namespace platform
