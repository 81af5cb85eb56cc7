// SPDX-License-Identifier: Apache-2.0
#include "ui/HostWindow.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef _WIN32
#include "platform/win/WinForeground.h"
#else
#include <qguiapplication_platform.h>

#include <xcb/xcb.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace kevo::ui {
namespace {

constexpr int kClassNameBuffer = 30;

} // namespace

bool IsHostWindowClass(const char* className, int length) {
    const std::string name(className,
                           static_cast<std::size_t>(std::min(length, kClassNameBuffer - 1)));
    for (const char* host : kHostWindowClasses) {
        if (name == host)
            return true;
    }
    return false;
}

#ifdef _WIN32

void BringToFrontOverHost(QWidget* window) {
    if (window == nullptr || !window->isVisible())
        return;
    // Each top-level window of the program is a window of its own here; the
    // one given is the one that takes the foreground.
    const auto own = reinterpret_cast<HWND>(window->window()->winId());
    if (platform::win::BringToFrontOverHost(own, own))
        window->repaint();
}

#else

namespace {

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T> using XcbReply = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const auto cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// The foreground window: the window manager's active window, or the window
// with the input focus where no window manager keeps one.
xcb_window_t ForegroundWindow(xcb_connection_t* connection, xcb_window_t root) {
    const xcb_atom_t active = Atom(connection, "_NET_ACTIVE_WINDOW");
    if (active != XCB_ATOM_NONE) {
        const auto cookie = xcb_get_property(connection, 0, root, active, XCB_ATOM_WINDOW, 0, 1);
        XcbReply<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(connection, cookie, nullptr));
        if (reply && xcb_get_property_value_length(reply.get()) >= 4) {
            const auto window = *static_cast<xcb_window_t*>(xcb_get_property_value(reply.get()));
            if (window != XCB_WINDOW_NONE)
                return window;
        }
    }
    XcbReply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    return focus ? focus->focus : static_cast<xcb_window_t>(XCB_WINDOW_NONE);
}

// The class part of a window's WM_CLASS ("instance\0class\0").
std::string WindowClass(xcb_connection_t* connection, xcb_window_t window) {
    const auto cookie =
        xcb_get_property(connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256);
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
    if (!reply)
        return {};
    const auto length = xcb_get_property_value_length(reply.get());
    const auto* value = static_cast<const char*>(xcb_get_property_value(reply.get()));
    const std::string both(value, static_cast<std::size_t>(length > 0 ? length : 0));
    const auto instanceEnd = both.find('\0');
    if (instanceEnd == std::string::npos)
        return {};
    const std::string rest = both.substr(instanceEnd + 1);
    return rest.substr(0, rest.find('\0'));
}

} // namespace

void BringToFrontOverHost(QWidget* window) {
    if (window == nullptr || !window->isVisible())
        return;
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr)
        return;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (screen == nullptr)
        return;

    const xcb_window_t own = static_cast<xcb_window_t>(window->window()->winId());
    const xcb_window_t foreground = ForegroundWindow(connection, screen->root);
    if (foreground == XCB_WINDOW_NONE || foreground == own)
        return;
    const std::string className = WindowClass(connection, foreground);
    if (!IsHostWindowClass(className.data(), static_cast<int>(className.size())))
        return;

    // Ask the window manager to activate our window. Source 2 says the
    // request comes on the user's behalf, which window managers honour
    // even against their focus-stealing rules.
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = own;
    event.type = Atom(connection, "_NET_ACTIVE_WINDOW");
    event.data.data32[0] = 2;
    event.data.data32[1] = XCB_CURRENT_TIME;
    event.data.data32[2] = foreground;
    xcb_send_event(connection, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    const uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(connection, own, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    xcb_flush(connection);
    window->window()->raise();
    window->repaint();
}

#endif

} // namespace kevo::ui
