#pragma once
// How the programs end on a signal. Ctrl-C becomes a request the batch command polls, so that a run
// can finish the photo in progress and close its file instead of dying mid-write. A kill (SIGTERM)
// or a closed terminal (SIGHUP) ends the program where it is, as it would without a handler, once
// the temporary files of what it was writing are removed: the earlier files stay, and nothing is
// left beside them.

namespace platform {

void InstallInterruptHandler();
bool InterruptRequested();

void InstallTerminationHandler();

}  // namespace platform
