// SPDX-License-Identifier: Apache-2.0
#include "ChildProcess.h"

#include "platform/text/WideText.h"

#include <cstdio>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace kevo::test {

int RunProcess(const std::string& program, const std::string& commandLine, int timeoutMs) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring line = platform::WideFromUtf8(commandLine);
    if (CreateProcessW(platform::WideFromUtf8(program).c_str(), line.data(), nullptr, nullptr,
                       FALSE, 0, nullptr, nullptr, &startup, &process) == 0) {
        // Said, so that a failure names its cause (scripts/wine.sh tells one).
        std::fprintf(stderr, "CreateProcessW failed with error %lu\n", GetLastError());
        return -1;
    }
    const DWORD waited = WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeoutMs));
    DWORD code = 0;
    if (waited == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else {
        std::fprintf(stderr, "the child did not end within %d ms\n", timeoutMs);
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return waited == WAIT_OBJECT_0 ? static_cast<int>(code) : -1;
}

} // namespace kevo::test
