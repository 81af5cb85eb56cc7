// SPDX-License-Identifier: Apache-2.0
#pragma once

// Bringing the program's windows in front of the host application's main
// window on Windows. The window-manager calls sit behind a small interface so
// that the logic builds and is tested on every platform; WinForeground.h has
// the real calls over HWNDs.

#include <cstdint>
#include <string>

namespace kevo::platform::win {

// A window handle as a number (an HWND on Windows); 0 is no window.
using WindowHandle = std::uintptr_t;

// The class names of the host application's main window.
inline constexpr const char* kHostFrameClasses[] = {"VORLEN Frame", "QuillMere Frame"};

// GetClassNameW reads the class name into a buffer of this many characters,
// the terminator included: at most 29 characters are compared.
inline constexpr int kClassNameBufferSize = 30;

class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    // GetForegroundWindow.
    virtual WindowHandle ForegroundWindow() = 0;
    // GetClassNameW into a buffer of bufferSize characters, as UTF-8.
    virtual std::string ClassName(WindowHandle window, int bufferSize) = 0;
    // GetWindowThreadProcessId: the thread that owns the window.
    virtual std::uint32_t WindowThread(WindowHandle window) = 0;
    // AttachThreadInput(from, to, attach).
    virtual bool AttachThreadInput(std::uint32_t from, std::uint32_t to, bool attach) = 0;
    // SetForegroundWindow.
    virtual bool SetForegroundWindow(WindowHandle window) = 0;
};

// Whether a class name, as read into the 30-character buffer, is one of the
// host's (exact, case-sensitive comparison).
bool IsHostFrameClass(const std::string& className);

// When the foreground window is the host's main window (and not window
// itself), attaches the input of the host's thread to the thread of the
// program's applicationWindow, makes applicationWindow the foreground window
// and detaches the two again; the results of those three calls are ignored.
// Returns whether it did so, so that the caller repaints window then.
// Whether window is visible is the caller's to check first.
bool BringToFrontOverHost(WindowSystem& system, WindowHandle window,
                          WindowHandle applicationWindow);

} // namespace kevo::platform::win
