// SPDX-License-Identifier: Apache-2.0
// Every program of the package holds a named mutex for as long as it runs.
// The installer and the uninstaller open it by name to learn whether one of
// the programs is running, and then neither replace nor remove its files: a
// Windows program's files cannot be deleted while it runs, and an uninstaller
// that went on would leave them behind with nothing left to remove them.
//
// The name is in the global namespace, so that a program running in another
// user's session counts too; the system closes the handle when the process
// ends, however it ends. Creating the mutex cannot stop a program from
// running: if it fails, the program runs unmarked.
#include <windows.h>

namespace {

struct RunningMark {
    HANDLE handle = CreateMutexW(nullptr, FALSE, L"Global\\" KEVO_RUNNING_MUTEX_NAME);
};

const RunningMark runningMark;

}  // namespace
