#pragma once

class QProcess;

namespace platform {

// Keeps a helper process out of the terminal's process group, so that Ctrl-C reaches only the
// program (which finishes the photo in progress) and not the helpers it is waiting for.
void DetachFromTerminalSignals(QProcess& process);

}  // namespace platform
