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
    std::signal(SIGINT, OnInterrupt);
#ifdef SIGTERM
    std::signal(SIGTERM, OnInterrupt);
#endif
}

bool InterruptRequested()
{
    return interruptFlag != 0;
}

}  // namespace platform
