// SPDX-License-Identifier: Apache-2.0
#pragma once

// The foreground handling over real windows (Windows only).

#include "platform/win/Foreground.h"

#include <memory>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace kevo::platform::win {

// The window manager of this system: GetForegroundWindow, GetClassNameW,
// GetWindowThreadProcessId, AttachThreadInput and SetForegroundWindow.
std::unique_ptr<WindowSystem> MakeSystemWindowSystem();

// BringToFrontOverHost of Foreground.h with the system's own calls: when the
// host's main window ("VORLEN Frame" or "QuillMere Frame") is the foreground
// window, makes applicationWindow the foreground window. True when it did.
bool BringToFrontOverHost(HWND window, HWND applicationWindow);

} // namespace kevo::platform::win
