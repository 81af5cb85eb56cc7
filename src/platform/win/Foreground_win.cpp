// SPDX-License-Identifier: Apache-2.0
#include "platform/win/WinForeground.h"

#include "platform/text/WideText.h"

namespace kevo::platform::win {

namespace {

HWND ToHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

class SystemWindowSystem final : public WindowSystem {
public:
    WindowHandle ForegroundWindow() override {
        return reinterpret_cast<WindowHandle>(GetForegroundWindow());
    }

    std::string ClassName(WindowHandle window, int bufferSize) override {
        std::wstring name(static_cast<std::size_t>(bufferSize), L'\0');
        const int length = GetClassNameW(ToHwnd(window), name.data(), bufferSize);
        name.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
        return Utf8FromWide(name);
    }

    std::uint32_t WindowThread(WindowHandle window) override {
        return GetWindowThreadProcessId(ToHwnd(window), nullptr);
    }

    bool AttachThreadInput(std::uint32_t from, std::uint32_t to, bool attach) override {
        return ::AttachThreadInput(from, to, attach ? TRUE : FALSE) != 0;
    }

    bool SetForegroundWindow(WindowHandle window) override {
        return ::SetForegroundWindow(ToHwnd(window)) != 0;
    }
};

} // namespace

std::unique_ptr<WindowSystem> MakeSystemWindowSystem() {
    return std::make_unique<SystemWindowSystem>();
}

bool BringToFrontOverHost(HWND window, HWND applicationWindow) {
    SystemWindowSystem system;
    return BringToFrontOverHost(system, reinterpret_cast<WindowHandle>(window),
                                reinterpret_cast<WindowHandle>(applicationWindow));
}

} // namespace kevo::platform::win
