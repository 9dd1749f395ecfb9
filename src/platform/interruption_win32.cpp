// Ctrl-C, Ctrl-Break or a closed console: the run's temporary files go, then
// the process ends with the code Windows tools end with on Ctrl-C. Headers
// already renamed into place stay.

#include "platform/windows_api.h"

#include "platform/platform.h"
#include "platform/temporary_files.h"

namespace torvane {
namespace {

void RemoveFile(const wchar_t* path)
{
    // The writer's handle allows deletion: the file goes when it is closed,
    // which ending the process does.
    DeleteFileW(path);
}

// Windows runs this on a thread of its own while the others go on.
BOOL WINAPI OnConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    RemoveTemporaryFiles(&RemoveFile);
    // Not ExitProcess: the threads it stops first may hold the locks that
    // its clean-up takes.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(STATUS_CONTROL_C_EXIT));
    return TRUE;
}

}  // namespace

void InstallInterruptionHandlers()
{
    SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
}

}  // namespace torvane
