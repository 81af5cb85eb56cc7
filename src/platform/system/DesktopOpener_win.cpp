// SPDX-License-Identifier: Apache-2.0
#include "platform/system/DesktopOpener.h"

#include "platform/text/WideText.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <shellapi.h>

namespace kevo::platform {

std::shared_ptr<OpenRequest> ShellOpener::Open(const std::string& target) {
    // The shell wants COM on the calling thread for the handlers it may
    // delegate to; the program's user-interface thread has it.
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
        nullptr, L"open", WideFromUtf8(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32)
        return std::make_shared<OpenRequest>(OpenOutcome::Opened());
    return std::make_shared<OpenRequest>(OpenOutcome::RefusedByShell(static_cast<int>(result)));
}

DesktopOpener& SystemOpener() {
    static ShellOpener opener;
    return opener;
}

} // namespace kevo::platform
