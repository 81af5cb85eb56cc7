// SPDX-License-Identifier: Apache-2.0
// A stand-in for the host application's main window: one plain X11 window
// of a given WM_CLASS class, large enough to cover the screen, that gets
// itself activated and then stays until it is killed or its standard input
// closes.
//
//     e2e_host_frame CLASS [TITLE]
//
// Prints "active 0xWINDOW" on standard output once the window manager
// reports it as the active window (_NET_ACTIVE_WINDOW), so that whoever
// started it knows the host is in the foreground. Exits with status 1 and a
// message on standard error when that does not happen within five seconds.

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
        nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

void SetText(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
             xcb_atom_t type, const std::string& text) {
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, property, type, 8,
                        static_cast<uint32_t>(text.size()), text.data());
}

xcb_window_t ActiveWindow(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t active) {
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, root, active, XCB_ATOM_WINDOW, 0, 1), nullptr));
    if (!reply || xcb_get_property_value_length(reply.get()) < 4)
        return XCB_WINDOW_NONE;
    return *static_cast<xcb_window_t*>(xcb_get_property_value(reply.get()));
}

// Asks the window manager to activate the window, as a pager would (source
// 2), which window managers honour without their focus-stealing rules.
void RequestActivation(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window,
                       xcb_atom_t active) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = active;
    event.data.data32[0] = 2;
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection);
}

int Fail(const char* text) {
    std::fprintf(stderr, "e2e_host_frame: %s\n", text);
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 2 || argc > 3)
        return Fail("usage: e2e_host_frame CLASS [TITLE]");
    // Ends with whoever started it, even when that crashes.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    const std::string className = argv[1];
    const std::string title = argc > 2 ? argv[2] : "Host Frame";

    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection))
        return Fail("cannot connect to the X display");
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const xcb_screen_t* screen = screens.data;
    const xcb_window_t root = screen->root;

    const xcb_atom_t active = Atom(connection, "_NET_ACTIVE_WINDOW");
    const xcb_atom_t utf8 = Atom(connection, "UTF8_STRING");
    const xcb_atom_t netName = Atom(connection, "_NET_WM_NAME");
    const xcb_atom_t netPid = Atom(connection, "_NET_WM_PID");

    const uint32_t rootEvents[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, rootEvents);

    const xcb_window_t window = xcb_generate_id(connection);
    const uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, root, 0, 0, screen->width_in_pixels,
                      screen->height_in_pixels, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    // WM_CLASS is "instance\0class\0".
    std::string wmClass = "hostframe";
    wmClass.push_back('\0');
    wmClass += className;
    wmClass.push_back('\0');
    SetText(connection, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, wmClass);
    SetText(connection, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, title);
    SetText(connection, window, netName, utf8, title);
    const uint32_t pid = static_cast<uint32_t>(getpid());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, netPid, XCB_ATOM_CARDINAL, 32, 1,
                        &pid);
    // WM_HINTS: flags InputHint, input True (the window takes the focus).
    const uint32_t hints[9] = {1, 1, 0, 0, 0, 0, 0, 0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS,
                        XCB_ATOM_WM_HINTS, 32, 9, hints);
    xcb_map_window(connection, window);
    xcb_flush(connection);

    // The request is sent again every half second: a window manager that
    // is still starting, or busy on a loaded machine, may miss the first.
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    auto nextRequest = Clock::now();
    bool mapped = false;
    bool reported = false;
    while (true) {
        while (xcb_generic_event_t* raw = xcb_poll_for_event(connection)) {
            if ((raw->response_type & 0x7f) == XCB_MAP_NOTIFY)
                mapped = true;
            std::free(raw);
        }
        if (xcb_connection_has_error(connection))
            return Fail("lost the X display");
        if (mapped && !reported && Clock::now() >= nextRequest) {
            RequestActivation(connection, root, window, active);
            nextRequest = Clock::now() + std::chrono::milliseconds(500);
        }
        if (!reported && mapped && ActiveWindow(connection, root, active) == window) {
            std::printf("active 0x%x\n", window);
            std::fflush(stdout);
            reported = true;
        }
        if (!reported && Clock::now() >= deadline)
            return Fail("the window manager did not activate the window within 10 s");

        // Wait for the next X event, or for the standard input to close.
        pollfd fds[2] = {{xcb_get_file_descriptor(connection), POLLIN, 0}, {0, POLLIN, 0}};
        const int timeout = reported ? -1 : 50;
        if (poll(fds, 2, timeout) < 0)
            continue;
        if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL))
            break;
        if (fds[1].revents & POLLIN) {
            char buffer[64];
            if (read(0, buffer, sizeof buffer) <= 0)
                break;
        }
    }
    xcb_disconnect(connection);
    return 0;
}
