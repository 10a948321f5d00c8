#include "platform/Interrupt.h"

#include <csignal>

namespace platform {

namespace {
// A signal handler can only talk to the program through a flag of static storage.
volatile std::sig_atomic_t interruptFlag = 0;

extern "C" void OnInterrupt(int)
{
    interruptFlag = 1;
}
}  // namespace

void InstallInterruptHandler()
{
    // Only Ctrl-C, which asks to stop and keep what was read. A kill, a closed terminal or the
    // system shutting down (SIGTERM, SIGHUP) end the run where it is, which leaves the earlier
    // file as it was.
    std::signal(SIGINT, OnInterrupt);
}

bool InterruptRequested()
{
    return interruptFlag != 0;
}

}  // namespace platform
