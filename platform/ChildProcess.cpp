#include "platform/ChildProcess.h"

#include <QProcess>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace platform {

void DetachFromTerminalSignals([[maybe_unused]] QProcess& process)
{
#ifndef _WIN32
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
}

}  // namespace platform
