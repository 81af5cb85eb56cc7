// SPDX-License-Identifier: Apache-2.0
#include "Desktop.h"

#include "Files.h"

#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace kevo::e2e {
namespace fs = std::filesystem;
using test::ChildProcess;
using test::Clock;
using test::ExitInfo;
using test::FileTail;
using test::RemainingMs;
using test::SpawnOptions;

Desktop::Desktop(const fs::path& folder, const DesktopOptions& options) : folder_(folder) {
    const auto deadline = Clock::now() + options.startLimit;

    // -displayfd: the server picks a free display number itself and writes
    // it to the descriptor once it accepts connections, so there is neither
    // a race for the number nor a guess when it is ready.
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot create a pipe");
    SpawnOptions serverOptions;
    serverOptions.outputFile = folder_ / "xvfb.log";
    serverOptions.passAsFd3 = ready[1];
    try {
        server_ = ChildProcess(
            {"Xvfb", "-displayfd", "3", "-screen", "0",
             std::to_string(options.width) + "x" + std::to_string(options.height) + "x24",
             "-nolisten", "tcp", "-noreset"},
            serverOptions);
    } catch (...) {
        close(ready[0]);
        close(ready[1]);
        throw;
    }
    close(ready[1]);
    std::string number;
    while (number.find('\n') == std::string::npos) {
        pollfd readable{ready[0], POLLIN, 0};
        const int left = RemainingMs(deadline);
        if (left == 0 || poll(&readable, 1, left) <= 0)
            break;
        char buffer[32];
        const ssize_t got = read(ready[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        number.append(buffer, static_cast<std::size_t>(got));
    }
    close(ready[0]);
    if (number.find('\n') == std::string::npos) {
        throw std::runtime_error("Xvfb did not report a display within the time limit:\n" +
                                 FileTail(folder_ / "xvfb.log"));
    }
    display_ = ":" + number.substr(0, number.find('\n'));
    watcher_ = std::make_unique<WindowWatcher>(display_);

    if (options.windowManagerConfig.empty())
        return;
    SpawnOptions managerOptions;
    managerOptions.outputFile = folder_ / "openbox.log";
    // No configuration of the machine's user may change its behaviour.
    managerOptions.environment = {{"DISPLAY", display_},
                                  {"HOME", folder_.string()},
                                  {"XDG_CONFIG_HOME", (folder_ / "config").string()},
                                  {"XDG_CONFIG_DIRS", (folder_ / "config").string()}};
    windowManager_ = ChildProcess(
        {"openbox", "--sm-disable", "--config-file", options.windowManagerConfig.string()},
        managerOptions);
    const bool managing = watcher_->WaitUntil(
        [this] { return windowManager_.HasExited() || watcher_->HasWindowManager(); }, deadline);
    if (!managing || windowManager_.HasExited()) {
        throw std::runtime_error("openbox did not take over the display " + display_ +
                                 " within the time limit:\n" + FileTail(folder_ / "openbox.log"));
    }
}

Desktop::~Desktop() {
    // The watcher's connection first, then the window manager, then the
    // server.
    watcher_.reset();
    windowManager_.Stop();
    server_.Stop();
}

void Desktop::PressKeys(const std::vector<std::string>& keys) {
    std::vector<std::string> argv = {"xdotool", "key", "--delay", "20"};
    argv.insert(argv.end(), keys.begin(), keys.end());
    SpawnOptions options;
    options.environment = {{"DISPLAY", display_}};
    options.outputFile = folder_ / "xdotool.log";
    ChildProcess xdotool(argv, options);
    if (!xdotool.WaitForExit(Clock::now() + std::chrono::seconds(5)))
        throw std::runtime_error("xdotool did not finish within 5 s");
    const ExitInfo& exit = *xdotool.Exit();
    if (!exit.exited || exit.code != 0) {
        throw std::runtime_error("xdotool failed (" + exit.Describe() + "):\n" +
                                 FileTail(folder_ / "xdotool.log"));
    }
}

std::string Desktop::Logs() const {
    return "Xvfb:\n" + FileTail(folder_ / "xvfb.log", 1500) + "\nopenbox:\n" +
           FileTail(folder_ / "openbox.log", 1500);
}

} // namespace kevo::e2e
