// SPDX-License-Identifier: Apache-2.0
#include "ui/DisplayCheck.h"

#include "platform/DisplayPlatform.h"

#ifndef _WIN32
#include <xcb/xcb.h>

#include <cstdlib>
#include <optional>
#endif

namespace kevo::ui {

std::string NoDisplayReason() {
#ifdef _WIN32
    return {};
#else
    const auto environment = [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    };
    if (!platform::GoesToX11Only(environment))
        return {};
    const std::string display = environment("DISPLAY").value_or("");
    if (display.empty())
        return "DISPLAY is not set";
    // The same connection as Qt's own would be: the same display name, the
    // same authority file.
    xcb_connection_t* const connection = xcb_connect(nullptr, nullptr);
    const int error = xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    if (error == 0)
        return {};
    return "the X display \"" + display + "\" cannot be reached";
#endif
}

} // namespace kevo::ui
