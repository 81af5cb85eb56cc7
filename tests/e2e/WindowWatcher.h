// SPDX-License-Identifier: Apache-2.0
#pragma once

// Watches the windows of an X display from outside, as a user would see
// them: every top-level window that is created, what it is called, whose
// process it belongs to (_NET_WM_PID), its type, whether it was ever mapped,
// and every request to the window manager to activate a window
// (_NET_ACTIVE_WINDOW client messages sent to the root window). Events are
// recorded as they arrive, so that a window that came and went between two
// looks of a test is still known.
//
// Single-threaded: the events are read while a test waits (WaitUntil,
// Pump), which is where the test would otherwise sit idle.

#include "ChildProcess.h"

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kevo::e2e {

struct WindowInfo {
    xcb_window_t id = XCB_WINDOW_NONE;
    uint32_t pid = 0; // _NET_WM_PID, 0 when not set
    // The window's caption as the window manager shows it: its
    // _NET_WM_NAME, else WM_NAME.
    std::string title;
    std::string instanceName;       // WM_CLASS, first part
    std::string className;          // WM_CLASS, second part
    std::vector<std::string> types; // _NET_WM_WINDOW_TYPE, atom names
    bool mapped = false;
    int timesMapped = 0;
    bool destroyed = false;

    bool HasType(const std::string& type) const;
    std::string Describe() const;
};

// A _NET_ACTIVE_WINDOW request: the window to activate, the source
// indication (1 an application, 2 a pager or the user's own action) and the
// requestor's idea of the currently active window.
struct ActivationRequest {
    xcb_window_t window = XCB_WINDOW_NONE;
    uint32_t source = 0;
    xcb_window_t currentlyActive = XCB_WINDOW_NONE;
};

class WindowWatcher {
public:
    explicit WindowWatcher(const std::string& display);
    ~WindowWatcher();
    WindowWatcher(const WindowWatcher&) = delete;
    WindowWatcher& operator=(const WindowWatcher&) = delete;

    // Reads the events that have arrived, waiting at most timeoutMs for
    // the first one.
    void Pump(int timeoutMs);
    // Reads events until condition() holds (true) or the deadline passes
    // (false). The condition is tested at least once, and again after every
    // batch of events and at least every 10 ms.
    bool WaitUntil(const std::function<bool()>& condition, test::Clock::time_point deadline);

    // Every top-level window seen since the watcher started, in the order
    // of their creation.
    std::vector<WindowInfo> Windows() const;
    // The top-level windows of one process (by _NET_WM_PID).
    std::vector<WindowInfo> WindowsOf(pid_t pid) const;
    const WindowInfo* Find(xcb_window_t window) const;
    const std::vector<ActivationRequest>& ActivationRequests() const { return activations_; }

    // Read from the display now:
    // the window manager's active window (_NET_ACTIVE_WINDOW of the root);
    xcb_window_t ActiveWindow();
    // the managed windows from bottom to top (_NET_CLIENT_LIST_STACKING);
    std::vector<xcb_window_t> StackingOrder();
    // a window's _NET_WM_STATE, as atom names;
    std::vector<std::string> WindowState(xcb_window_t window);
    // whether a window manager has announced itself (_NET_SUPPORTING_WM_CHECK);
    bool HasWindowManager();
    // the size of the screen in pixels.
    std::pair<int, int> ScreenSize() const;

    // All windows seen, one per line, for failure messages.
    std::string Describe() const;

private:
    xcb_atom_t Atom(const char* name);
    std::string AtomName(xcb_atom_t atom);
    void Track(xcb_window_t window);
    void ReadProperties(WindowInfo& info, xcb_atom_t which);
    void Handle(xcb_generic_event_t* event);
    std::vector<uint32_t> ReadCardinals(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                                        uint32_t maxItems);
    std::string ReadText(xcb_window_t window, xcb_atom_t property);

    xcb_connection_t* connection_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    std::map<std::string, xcb_atom_t> atoms_;
    std::map<xcb_atom_t, std::string> atomNames_;
    std::map<xcb_window_t, WindowInfo> windows_;
    std::vector<xcb_window_t> creationOrder_;
    std::vector<ActivationRequest> activations_;
};

} // namespace kevo::e2e
