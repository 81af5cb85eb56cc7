// SPDX-License-Identifier: Apache-2.0
// The foreground handling with real windows: a host frame, owned by another
// thread as the host application's is, holds the foreground; our function
// brings one of our windows in front of it, and leaves any other foreground
// window alone.
//
// Under Wine without a display, windows exist only with the null graphics
// driver (scripts/test-windows.sh sets it in its prefix).

#include "platform/win/WinForeground.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace kevo::testing {
namespace {

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterClassOnce(const char* name) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = PlainWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = name;
    RegisterClassA(&windowClass); // fails harmlessly when it is registered already
}

HWND MakeWindow(const char* className, const char* title) {
    RegisterClassOnce(className);
    return CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// A window of the given class on a thread of its own, made the foreground
// window; it pumps its messages until the object goes.
class OtherThreadWindow {
public:
    explicit OtherThreadWindow(const char* className) {
        thread_ = std::thread([this, className] {
            window_ = MakeWindow(className, "Host");
            if (window_ != nullptr)
                SetForegroundWindow(window_);
            ready_ = true;
            MSG message;
            while (!quit_) {
                while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                    TranslateMessage(&message);
                    DispatchMessageA(&message);
                }
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            }
            if (window_ != nullptr)
                DestroyWindow(window_);
        });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!ready_ && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
    }
    ~OtherThreadWindow() {
        quit_ = true;
        thread_.join();
    }
    OtherThreadWindow(const OtherThreadWindow&) = delete;
    OtherThreadWindow& operator=(const OtherThreadWindow&) = delete;

    HWND Window() const { return window_; }

private:
    std::thread thread_;
    std::atomic<HWND> window_{nullptr};
    std::atomic<bool> ready_{false};
    std::atomic<bool> quit_{false};
};

// Processes our own thread's messages for a moment, so that activation
// messages are handled.
void PumpOwnMessages() {
    MSG message;
    for (int i = 0; i < 5; ++i) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

class ForegroundOnWindows : public ::testing::Test {
protected:
    void SetUp() override {
        own_ = MakeWindow("KevoConfTestWindow", "KevoConf");
        ASSERT_NE(own_, nullptr) << "no window could be made; under Wine without a display, set "
                                    "the prefix's graphics driver to null "
                                    "(HKCU\\Software\\Wine\\Drivers, Graphics=null)";
    }
    void TearDown() override {
        if (own_ != nullptr)
            DestroyWindow(own_);
    }
    HWND own_ = nullptr;
};

TEST_F(ForegroundOnWindows, HostFrameGivesWayToOurWindow) {
    for (const char* hostClass : {"QuillMere Frame", "VORLEN Frame"}) {
        OtherThreadWindow host(hostClass);
        ASSERT_NE(host.Window(), nullptr) << hostClass;
        ASSERT_EQ(GetForegroundWindow(), host.Window()) << hostClass;

        EXPECT_TRUE(platform::win::BringToFrontOverHost(own_, own_)) << hostClass;
        PumpOwnMessages();
        EXPECT_EQ(GetForegroundWindow(), own_) << hostClass;
        // The input of the two threads is separate again.
        const DWORD hostThread = GetWindowThreadProcessId(host.Window(), nullptr);
        EXPECT_FALSE(AttachThreadInput(hostThread, GetCurrentThreadId(), FALSE)) << hostClass;
    }
}

TEST_F(ForegroundOnWindows, OtherForegroundWindowIsLeftAlone) {
    OtherThreadWindow other("Some Other Frame");
    ASSERT_NE(other.Window(), nullptr);
    ASSERT_EQ(GetForegroundWindow(), other.Window());

    EXPECT_FALSE(platform::win::BringToFrontOverHost(own_, own_));
    PumpOwnMessages();
    EXPECT_EQ(GetForegroundWindow(), other.Window());
}

TEST_F(ForegroundOnWindows, OurOwnWindowInTheForegroundIsLeftAlone) {
    SetForegroundWindow(own_);
    PumpOwnMessages();
    ASSERT_EQ(GetForegroundWindow(), own_);
    EXPECT_FALSE(platform::win::BringToFrontOverHost(own_, own_));
}

} // namespace
} // namespace kevo::testing
