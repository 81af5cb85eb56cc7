// SPDX-License-Identifier: Apache-2.0
#pragma once

// A private desktop for one test: an Xvfb X server on a display number of
// its own, openbox as the window manager, and a watcher of its windows.
// Everything is stopped when the object goes away.

#include "ChildProcess.h"
#include "WindowWatcher.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kevo::e2e {

struct DesktopOptions {
    int width = 1280;
    int height = 800;
    // openbox's configuration; no window manager when empty.
    std::filesystem::path windowManagerConfig;
    // How long the server and the window manager may take to come up.
    std::chrono::milliseconds startLimit{10000};
};

class Desktop {
public:
    // Starts the server and the window manager; their output goes to files
    // in `folder`. Throws std::runtime_error when either does not come up.
    Desktop(const std::filesystem::path& folder, const DesktopOptions& options);
    ~Desktop();

    // ":N", the value of DISPLAY for its clients.
    const std::string& Display() const { return display_; }
    WindowWatcher& Watcher() { return *watcher_; }

    // Types keys as the user would, through the XTEST extension, into the
    // window that has the keyboard focus (xdotool key syntax: "Return",
    // "alt+i", "alt+F4"). Throws when xdotool fails or hangs.
    void PressKeys(const std::vector<std::string>& keys);

    // The tail of the server's and the window manager's output.
    std::string Logs() const;

private:
    std::filesystem::path folder_;
    std::string display_;
    test::ChildProcess server_;
    test::ChildProcess windowManager_;
    std::unique_ptr<WindowWatcher> watcher_;
};

} // namespace kevo::e2e
