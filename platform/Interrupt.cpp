#include "platform/Interrupt.h"

#include "platform/FileSystem.h"

#include <csignal>

#ifndef _WIN32
#include <signal.h>
#endif

namespace platform {

namespace {
// A signal handler can only talk to the program through a flag of static storage.
volatile std::sig_atomic_t interruptFlag = 0;

extern "C" void OnInterrupt(int)
{
    interruptFlag = 1;
}

#ifndef _WIN32
// Catches the signal unless it is ignored: a program started under nohup must go on ignoring a
// closed terminal.
void CatchUnlessIgnored(int signal, void (*handler)(int))
{
    struct sigaction action {};
    if (::sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN)
        return;
    action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signal, &action, nullptr);
}

extern "C" void OnTermination(int signal)
{
    RemoveTemporaryFiles();
    // Ended by the signal itself, as whoever sent it expects: it is delivered again, now with the
    // default action, as soon as this handler returns.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
#endif
}  // namespace

void InstallInterruptHandler()
{
    std::signal(SIGINT, OnInterrupt);
}

bool InterruptRequested()
{
    return interruptFlag != 0;
}

void InstallTerminationHandler()
{
    // Windows ends a program without a signal that could be caught here.
#ifndef _WIN32
    for (const int signal : {SIGTERM, SIGHUP})
        CatchUnlessIgnored(signal, OnTermination);
#endif
}

}  // namespace platform
