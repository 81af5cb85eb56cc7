// SPDX-License-Identifier: Apache-2.0
#include "WindowWatcher.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

#include <poll.h>

namespace kevo::e2e {
using test::Clock;
using test::RemainingMs;
namespace {

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

// Waits between two tests of a condition, at most.
constexpr int kLookAgainMs = 10;

} // namespace

bool WindowInfo::HasType(const std::string& type) const {
    return std::find(types.begin(), types.end(), type) != types.end();
}

std::string WindowInfo::Describe() const {
    std::string text = Hex(id) + " \"" + title + "\" class \"" + className + "\" pid " +
                       std::to_string(pid) + " mapped " + std::to_string(timesMapped) + "x";
    if (!types.empty())
        text += " type " + types.front();
    if (destroyed)
        text += " (destroyed)";
    return text;
}

WindowWatcher::WindowWatcher(const std::string& display) {
    int screenNumber = 0;
    connection_ = xcb_connect(display.c_str(), &screenNumber);
    if (xcb_connection_has_error(connection_)) {
        xcb_disconnect(connection_);
        connection_ = nullptr;
        throw std::runtime_error("cannot connect to the X display " + display);
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    screen_ = screens.data;
    // Creation, mapping and reparenting of top-level windows, the client
    // messages that ask the window manager for something, and the root's
    // properties (the active window).
    const uint32_t events[] = {XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_change_window_attributes(connection_, screen_->root, XCB_CW_EVENT_MASK, events);
    xcb_flush(connection_);
}

WindowWatcher::~WindowWatcher() {
    if (connection_ != nullptr)
        xcb_disconnect(connection_);
}

xcb_atom_t WindowWatcher::Atom(const char* name) {
    const auto found = atoms_.find(name);
    if (found != atoms_.end())
        return found->second;
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    atoms_[name] = atom;
    atomNames_[atom] = name;
    return atom;
}

std::string WindowWatcher::AtomName(xcb_atom_t atom) {
    const auto found = atomNames_.find(atom);
    if (found != atomNames_.end())
        return found->second;
    Reply<xcb_get_atom_name_reply_t> reply(
        xcb_get_atom_name_reply(connection_, xcb_get_atom_name(connection_, atom), nullptr));
    std::string name =
        reply ? std::string(xcb_get_atom_name_name(reply.get()),
                            static_cast<std::size_t>(xcb_get_atom_name_name_length(reply.get())))
              : Hex(atom);
    atomNames_[atom] = name;
    return name;
}

std::vector<uint32_t> WindowWatcher::ReadCardinals(xcb_window_t window, xcb_atom_t property,
                                                   xcb_atom_t type, uint32_t maxItems) {
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, property, type, 0, maxItems),
        nullptr));
    std::vector<uint32_t> values;
    if (!reply || reply->format != 32)
        return values;
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    values.assign(data, data + count);
    return values;
}

std::string WindowWatcher::ReadText(xcb_window_t window, xcb_atom_t property) {
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
        nullptr));
    if (!reply || reply->format != 8)
        return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

void WindowWatcher::ReadProperties(WindowInfo& info, xcb_atom_t which) {
    const bool all = which == XCB_ATOM_NONE;
    if (all || which == Atom("_NET_WM_PID")) {
        const auto pid = ReadCardinals(info.id, Atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 1);
        if (!pid.empty())
            info.pid = pid.front();
    }
    if (all || which == Atom("_NET_WM_NAME") || which == XCB_ATOM_WM_NAME) {
        std::string title = ReadText(info.id, Atom("_NET_WM_NAME"));
        if (title.empty())
            title = ReadText(info.id, XCB_ATOM_WM_NAME);
        info.title = title;
    }
    if (all || which == XCB_ATOM_WM_CLASS) {
        const std::string both = ReadText(info.id, XCB_ATOM_WM_CLASS);
        const auto split = both.find('\0');
        info.instanceName = both.substr(0, split);
        if (split != std::string::npos) {
            const std::string rest = both.substr(split + 1);
            info.className = rest.substr(0, rest.find('\0'));
        }
    }
    if (all || which == Atom("_NET_WM_WINDOW_TYPE")) {
        info.types.clear();
        for (uint32_t atom : ReadCardinals(info.id, Atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 16))
            info.types.push_back(AtomName(atom));
    }
}

void WindowWatcher::Track(xcb_window_t window) {
    if (windows_.count(window) != 0)
        return;
    // Its own mapping, unmapping and destruction wherever the window
    // manager puts it, and its property changes.
    const uint32_t events[] = {XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, events);
    WindowInfo info;
    info.id = window;
    ReadProperties(info, XCB_ATOM_NONE);
    // It may have been mapped before the selection above took effect.
    Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), nullptr));
    if (attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED) {
        info.mapped = true;
        info.timesMapped = 1;
    }
    windows_[window] = info;
    creationOrder_.push_back(window);
}

void WindowWatcher::Handle(xcb_generic_event_t* event) {
    switch (event->response_type & 0x7f) {
    case XCB_CREATE_NOTIFY: {
        const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
        if (created->parent == screen_->root && !created->override_redirect)
            Track(created->window);
        break;
    }
    case XCB_MAP_NOTIFY: {
        const auto* mapped = reinterpret_cast<xcb_map_notify_event_t*>(event);
        const auto found = windows_.find(mapped->window);
        if (found != windows_.end() && !found->second.mapped) {
            found->second.mapped = true;
            ++found->second.timesMapped;
        }
        break;
    }
    case XCB_UNMAP_NOTIFY: {
        const auto* unmapped = reinterpret_cast<xcb_unmap_notify_event_t*>(event);
        const auto found = windows_.find(unmapped->window);
        if (found != windows_.end())
            found->second.mapped = false;
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        const auto* destroyed = reinterpret_cast<xcb_destroy_notify_event_t*>(event);
        const auto found = windows_.find(destroyed->window);
        if (found != windows_.end()) {
            found->second.mapped = false;
            found->second.destroyed = true;
        }
        break;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto* changed = reinterpret_cast<xcb_property_notify_event_t*>(event);
        const auto found = windows_.find(changed->window);
        if (found != windows_.end() && !found->second.destroyed)
            ReadProperties(found->second, changed->atom);
        break;
    }
    case XCB_CLIENT_MESSAGE: {
        const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
        if (message->type == Atom("_NET_ACTIVE_WINDOW") && message->format == 32) {
            activations_.push_back(
                {message->window, message->data.data32[0], message->data.data32[2]});
        }
        break;
    }
    default:
        break; // errors about windows that went away meanwhile, and the rest
    }
}

void WindowWatcher::Pump(int timeoutMs) {
    bool any = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        Handle(event);
        std::free(event);
        any = true;
    }
    if (any || timeoutMs <= 0 || xcb_connection_has_error(connection_))
        return;
    pollfd readable{xcb_get_file_descriptor(connection_), POLLIN, 0};
    if (poll(&readable, 1, timeoutMs) > 0) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            Handle(event);
            std::free(event);
        }
    }
}

bool WindowWatcher::WaitUntil(const std::function<bool()>& condition, Clock::time_point deadline) {
    while (true) {
        Pump(0);
        if (condition())
            return true;
        const int left = RemainingMs(deadline);
        if (left == 0)
            return false;
        Pump(std::min(left, kLookAgainMs));
    }
}

std::vector<WindowInfo> WindowWatcher::Windows() const {
    std::vector<WindowInfo> result;
    for (xcb_window_t window : creationOrder_)
        result.push_back(windows_.at(window));
    return result;
}

std::vector<WindowInfo> WindowWatcher::WindowsOf(pid_t pid) const {
    std::vector<WindowInfo> result;
    for (xcb_window_t window : creationOrder_) {
        const WindowInfo& info = windows_.at(window);
        if (pid > 0 && info.pid == static_cast<uint32_t>(pid))
            result.push_back(info);
    }
    return result;
}

const WindowInfo* WindowWatcher::Find(xcb_window_t window) const {
    const auto found = windows_.find(window);
    return found == windows_.end() ? nullptr : &found->second;
}

xcb_window_t WindowWatcher::ActiveWindow() {
    const auto value = ReadCardinals(screen_->root, Atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 1);
    return value.empty() ? static_cast<xcb_window_t>(XCB_WINDOW_NONE) : value.front();
}

std::vector<xcb_window_t> WindowWatcher::StackingOrder() {
    return ReadCardinals(screen_->root, Atom("_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW, 1024);
}

std::vector<std::string> WindowWatcher::WindowState(xcb_window_t window) {
    std::vector<std::string> names;
    for (uint32_t atom : ReadCardinals(window, Atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 64))
        names.push_back(AtomName(atom));
    return names;
}

bool WindowWatcher::HasWindowManager() {
    const auto value =
        ReadCardinals(screen_->root, Atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 1);
    return !value.empty() && value.front() != XCB_WINDOW_NONE;
}

std::pair<int, int> WindowWatcher::ScreenSize() const {
    return {screen_->width_in_pixels, screen_->height_in_pixels};
}

std::string WindowWatcher::Describe() const {
    std::string text;
    for (const WindowInfo& info : Windows()) {
        if (info.pid != 0 || !info.title.empty())
            text += "  " + info.Describe() + "\n";
    }
    for (const ActivationRequest& request : activations_) {
        text += "  activation request for " + Hex(request.window) + " source " +
                std::to_string(request.source) + "\n";
    }
    return text.empty() ? "  (no windows)\n" : text;
}

} // namespace kevo::e2e
