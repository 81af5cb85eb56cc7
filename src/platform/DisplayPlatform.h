// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace kevo::platform {

// The host application is an X11 program (or a Windows program under Wine)
// and, in a Wayland session, runs through XWayland. Only as an X11 client of
// the same XWayland server can the program find the host's window and ask
// for its own windows to come in front of it; as a native Wayland client it
// sees no other program's windows. So in a Wayland session with an X server
// at hand the program runs on Qt's X11 platform ("xcb"), and on Wayland only
// when that X server cannot be reached.
//
// Given the environment (a variable's value, nullopt when it is not set),
// the value to give QT_QPA_PLATFORM before Qt starts, or nullopt to leave
// the choice to Qt: always when the user has set QT_QPA_PLATFORM, outside a
// Wayland session (WAYLAND_DISPLAY, or XDG_SESSION_TYPE "wayland"), and
// without an X display (DISPLAY).
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;
std::optional<std::string> ChooseQtPlatform(const EnvironmentLookup& environment);

// Applies ChooseQtPlatform to the process's own environment: sets
// QT_QPA_PLATFORM when it chooses. Does nothing on Windows.
void ChooseQtPlatformForThisSession();

// Whether Qt, started in this environment (after ChooseQtPlatform), goes to
// the X server that DISPLAY names and nowhere else: QT_QPA_PLATFORM is
// unset, empty or "xcb" (with or without options), and no Wayland session
// is at hand (WAYLAND_DISPLAY, or XDG_SESSION_TYPE "wayland"), in which Qt
// takes Wayland. Then an X server that cannot be reached leaves the program
// no window at all, which Qt answers by aborting.
bool GoesToX11Only(const EnvironmentLookup& environment);

} // namespace kevo::platform
