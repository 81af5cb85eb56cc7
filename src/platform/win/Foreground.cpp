// SPDX-License-Identifier: Apache-2.0
#include "platform/win/Foreground.h"

namespace kevo::platform::win {

bool IsHostFrameClass(const std::string& className) {
    for (const char* host : kHostFrameClasses) {
        if (className == host)
            return true;
    }
    return false;
}

bool BringToFrontOverHost(WindowSystem& system, WindowHandle window,
                          WindowHandle applicationWindow) {
    const WindowHandle foreground = system.ForegroundWindow();
    if (foreground == 0 || foreground == window)
        return false;
    if (!IsHostFrameClass(system.ClassName(foreground, kClassNameBufferSize)))
        return false;

    // The host's thread owns the foreground; with its input joined to ours
    // for a moment, the system lets our window take the foreground from it.
    const std::uint32_t hostThread = system.WindowThread(foreground);
    const std::uint32_t ownThread = system.WindowThread(applicationWindow);
    static_cast<void>(system.AttachThreadInput(hostThread, ownThread, true));
    static_cast<void>(system.SetForegroundWindow(applicationWindow));
    static_cast<void>(system.AttachThreadInput(hostThread, ownThread, false));
    return true;
}

} // namespace kevo::platform::win
