// SPDX-License-Identifier: Apache-2.0
// The foreground rule over a scripted window manager: runs on Linux and in
// the Windows runner alike.

#include "platform/win/Foreground.h"

#include <gtest/gtest.h>

#include <map>

namespace kevo::testing {
namespace {

using platform::win::WindowHandle;

// Windows with a class and a thread; remembers every call that changes
// something, in order.
class FakeWindowSystem : public platform::win::WindowSystem {
public:
    struct Window {
        std::string className;
        std::uint32_t thread;
    };
    std::map<WindowHandle, Window> windows;
    WindowHandle foreground = 0;
    std::vector<std::string> calls;
    std::vector<int> classNameBuffers;

    WindowHandle ForegroundWindow() override { return foreground; }

    std::string ClassName(WindowHandle window, int bufferSize) override {
        classNameBuffers.push_back(bufferSize);
        const std::string& name = windows.at(window).className;
        // GetClassNameW copies at most bufferSize - 1 characters.
        return name.substr(0, static_cast<std::size_t>(bufferSize - 1));
    }

    std::uint32_t WindowThread(WindowHandle window) override { return windows.at(window).thread; }

    bool AttachThreadInput(std::uint32_t from, std::uint32_t to, bool attach) override {
        calls.push_back((attach ? "attach " : "detach ") + std::to_string(from) + " " +
                        std::to_string(to));
        return true;
    }

    bool SetForegroundWindow(WindowHandle window) override {
        calls.push_back("foreground " + std::to_string(window));
        foreground = window;
        return true;
    }
};

constexpr WindowHandle kHost = 10;
constexpr WindowHandle kSplash = 20;
constexpr WindowHandle kApplication = 30;

TEST(Foreground, HostFrameInTheForegroundGivesWayToTheProgram) {
    for (const char* hostClass : {"VORLEN Frame", "QuillMere Frame"}) {
        FakeWindowSystem system;
        system.windows = {
            {kHost, {hostClass, 7}}, {kSplash, {"Splash", 1}}, {kApplication, {"App", 1}}};
        system.foreground = kHost;

        EXPECT_TRUE(platform::win::BringToFrontOverHost(system, kSplash, kApplication))
            << hostClass;

        const std::vector<std::string> expected = {"attach 7 1", "foreground 30", "detach 7 1"};
        EXPECT_EQ(system.calls, expected) << hostClass;
        EXPECT_EQ(system.classNameBuffers, std::vector<int>{30});
    }
}

TEST(Foreground, AnyOtherForegroundIsLeftAlone) {
    struct Case {
        const char* what;
        const char* foregroundClass;
        WindowHandle foreground;
    };
    const Case cases[] = {
        {"another program", "Notepad", kHost},
        {"letter case differs", "quillmere frame", kHost},
        {"a longer name", "QuillMere Frame2", kHost},
        {"a name that starts like the host's", "VORLEN", kHost},
        // Only the first 29 characters are read: a class that is the host's
        // name followed by more is still another class.
        {"the host's name with more after it", "QuillMere Frame and then some more", kHost},
        {"the window itself", "QuillMere Frame", kSplash},
        {"no foreground window", "QuillMere Frame", 0},
    };
    for (const Case& c : cases) {
        FakeWindowSystem system;
        system.windows = {{kHost, {c.foregroundClass, 7}},
                          {kSplash, {c.foregroundClass, 1}},
                          {kApplication, {"App", 1}}};
        system.foreground = c.foreground;
        EXPECT_FALSE(platform::win::BringToFrontOverHost(system, kSplash, kApplication)) << c.what;
        EXPECT_TRUE(system.calls.empty()) << c.what;
        EXPECT_EQ(system.foreground, c.foreground) << c.what;
    }
}

TEST(Foreground, HostClassNames) {
    EXPECT_TRUE(platform::win::IsHostFrameClass("VORLEN Frame"));
    EXPECT_TRUE(platform::win::IsHostFrameClass("QuillMere Frame"));
    EXPECT_FALSE(platform::win::IsHostFrameClass("VORLEN Frame "));
    EXPECT_FALSE(platform::win::IsHostFrameClass(""));
}

} // namespace
} // namespace kevo::testing
