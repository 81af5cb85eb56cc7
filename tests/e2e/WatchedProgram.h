#pragma once

// What the end-to-end fixtures share: a desktop, the program under test, and
// waits that fail with a description of what was seen.

#include "ChildProcess.h"
#include "Desktop.h"
#include "WindowWatcher.h"

#include <gtest/gtest.h>

#include <chrono>
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

    WindowWatcher& Watcher() { return desktop_->Watcher(); }

    // What a failure message needs to explain itself.
    virtual std::string Situation() = 0;

    // Waits until find() gives a window (or the program has ended).
    std::optional<WindowInfo>
    WaitForWindowFound(const std::string& title, std::chrono::seconds limit,
                       const std::function<std::optional<WindowInfo>()>& find) {
        std::optional<WindowInfo> found;
        Watcher().WaitUntil(
            [&] {
                found = find();
                return found.has_value() || program_.HasExited();
            },
            Clock::now() + limit);
        if (!found) {
            ADD_FAILURE() << "no window \"" << title << "\" of " << name_ << " appeared within "
                          << limit.count() << " s\n"
                          << Situation();
        }
        return found;
    }

    // Waits until the window manager has made the window the active one,
    // so that keys go to it.
    bool WaitUntilActive(xcb_window_t window, const std::string& what) {
        const bool active = Watcher().WaitUntil([&] { return Watcher().ActiveWindow() == window; },
                                                Clock::now() + std::chrono::seconds(5));
        if (!active) {
            ADD_FAILURE() << what << " did not become the active window within 5 s\n"
                          << Situation();
        }
        return active;
    }

    // Waits until the program has ended; true when it did.
    bool WaitUntilExited(std::chrono::seconds limit) {
        const bool ended =
            Watcher().WaitUntil([&] { return program_.HasExited(); }, Clock::now() + limit);
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

    std::unique_ptr<Desktop> desktop_;
    ChildProcess program_;

private:
    std::string name_;
};

} // namespace kevo::e2e
