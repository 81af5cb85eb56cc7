// SPDX-License-Identifier: Apache-2.0
#pragma once

// What the end-to-end fixtures share: a folder of the test's own, a desktop,
// the program under test, and waits that fail with a description of what was
// seen.

#include "ChildProcess.h"
#include "Desktop.h"
#include "ScratchFolder.h"
#include "TestPrinters.h"
#include "WindowWatcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace kevo::e2e {

class WatchedProgram : public ::testing::Test {
protected:
    // name: the program as failure messages call it.
    explicit WatchedProgram(std::string name) : name_(std::move(name)) {}

    // The test's folder: its files, and the output of its desktop and of the
    // program. RemoveFolder keeps it when KEVO_KEEP_E2E=1 and says where.
    void MakeFolder(const std::string& prefix) { folder_ = test::MakeScratchFolder(prefix); }
    void RemoveFolder() {
        const char* keep = std::getenv("KEVO_KEEP_E2E");
        if (keep != nullptr && std::strcmp(keep, "1") == 0) {
            std::printf("kept %s\n", folder_.c_str());
        } else if (!folder_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(folder_, ignored);
        }
    }

    // A new private desktop (Xvfb with openbox) in place of the one before.
    void NewDesktop() {
        desktop_.reset();
        DesktopOptions options;
        options.windowManagerConfig = KEVO_E2E_OPENBOX_RC;
        desktop_ = std::make_unique<Desktop>(folder_, options);
    }

    WindowWatcher& Watcher() { return desktop_->Watcher(); }

    // What a failure message needs to explain itself.
    virtual std::string Situation() = 0;

    // The windows seen, how the program ended, and the tail of the output
    // file that `output` names (under that heading).
    std::string ProgramSituation(const std::string& output, const std::filesystem::path& file) {
        std::string text = "windows seen:\n" + Watcher().Describe();
        if (program_.Exit())
            text += name_ + " ended: " + program_.Exit()->Describe() + "\n";
        text += output + ":\n" + test::FileTail(file, 2000);
        return text;
    }

    // Waits until find() gives a window (or the program has ended); `what`
    // names the awaited window in the failure message.
    std::optional<WindowInfo>
    WaitForWindowFound(const std::string& what, std::chrono::seconds limit,
                       const std::function<std::optional<WindowInfo>()>& find) {
        std::optional<WindowInfo> found;
        Watcher().WaitUntil(
            [&] {
                found = find();
                return found.has_value() || program_.HasExited();
            },
            test::Clock::now() + limit);
        if (!found) {
            ADD_FAILURE() << "no " << what << " of " << name_ << " within " << limit.count()
                          << " s\n"
                          << Situation();
        }
        return found;
    }

    // Waits until a window of the program with this title is shown and is
    // the active window, so that keys go to it.
    std::optional<WindowInfo> WaitForActiveWindow(const std::string& title,
                                                  std::chrono::seconds limit) {
        return WaitForWindowFound(
            "active window \"" + title + "\"", limit, [&]() -> std::optional<WindowInfo> {
                for (const WindowInfo& window : Watcher().WindowsOf(program_.Pid())) {
                    if (window.mapped && !window.destroyed && window.title == title &&
                        Watcher().ActiveWindow() == window.id)
                        return window;
                }
                return std::nullopt;
            });
    }

    // Waits until the window manager has made the window the active one,
    // so that keys go to it.
    bool WaitUntilActive(xcb_window_t window, const std::string& what) {
        const bool active = Watcher().WaitUntil([&] { return Watcher().ActiveWindow() == window; },
                                                test::Clock::now() + std::chrono::seconds(5));
        if (!active) {
            ADD_FAILURE() << what << " did not become the active window within 5 s\n"
                          << Situation();
        }
        return active;
    }

    // Waits until the program has ended; true when it did.
    bool WaitUntilExited(std::chrono::seconds limit) {
        const bool ended =
            Watcher().WaitUntil([&] { return program_.HasExited(); }, test::Clock::now() + limit);
        if (!ended) {
            ADD_FAILURE() << name_ << " did not end within " << limit.count() << " s\n"
                          << Situation();
        }
        return ended;
    }

    void ExpectEndedWithStatusZero() {
        ASSERT_TRUE(program_.Exit().has_value());
        EXPECT_TRUE(program_.Exit()->exited && program_.Exit()->code == 0)
            << name_ << " ended with " << program_.Exit()->Describe() << "\n"
            << Situation();
    }

    std::filesystem::path folder_;
    std::unique_ptr<Desktop> desktop_;
    test::ChildProcess program_;

private:
    std::string name_;
};

} // namespace kevo::e2e
