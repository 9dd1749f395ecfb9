// Ctrl-C, a closed terminal or kill: the run's temporary files go, then the
// process dies of the same signal, so that a shell or make sees 128+N and
// stops too. Headers already renamed into place stay.

#include <signal.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/temporary_files.h"

namespace torvane {
namespace {

constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP};

void RemoveFile(const char* path)
{
    unlink(path);
}

// Runs on whichever thread the signal reaches, perhaps on several at once.
void OnInterruption(int signalNumber)
{
    RemoveTemporaryFiles(&RemoveFile);
    // Blocked while this handler runs, the raised signal arrives as it
    // returns, and with the default action it ends the process.
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

}  // namespace

void InstallInterruptionHandlers()
{
    struct sigaction action = {};
    action.sa_handler = &OnInterruption;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : kInterruptions)
        sigaddset(&action.sa_mask, signalNumber);
    for (int signalNumber : kInterruptions) {
        struct sigaction previous = {};
        if (sigaction(signalNumber, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            sigaction(signalNumber, &action, nullptr);
    }
}

}  // namespace torvane
