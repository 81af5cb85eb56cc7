// SPDX-License-Identifier: Apache-2.0
#pragma once

class QWidget;

namespace kevo::ui {

// The window classes of the host application's main window.
inline constexpr const char* kHostWindowClasses[] = {"VORLEN Frame", "QuillMere Frame"};

// True when a window's class name is one of the host's. The class name is
// read as the system reads it, at most 29 characters.
bool IsHostWindowClass(const char* className, int length);

// When the host application's main window is in the foreground, brings the
// program's windows in front of it and repaints window at once. Does
// nothing when window is hidden, is itself in the foreground, or the
// foreground window belongs to anybody else; and nothing where there is no
// X11 display (offscreen, Wayland).
void BringToFrontOverHost(QWidget* window);

} // namespace kevo::ui
