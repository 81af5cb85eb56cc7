// SPDX-License-Identifier: Apache-2.0
#include "platform/DisplayPlatform.h"

#include <cstdlib>

namespace kevo::platform {
namespace {

bool IsSet(const std::optional<std::string>& value) {
    return value && !value->empty();
}

} // namespace

std::optional<std::string> ChooseQtPlatform(const EnvironmentLookup& environment) {
    if (IsSet(environment("QT_QPA_PLATFORM")))
        return std::nullopt;
    const bool wayland = IsSet(environment("WAYLAND_DISPLAY")) ||
                         environment("XDG_SESSION_TYPE").value_or("") == "wayland";
    if (!wayland || !IsSet(environment("DISPLAY")))
        return std::nullopt;
    // Qt tries the platforms in turn: Wayland after all when the X server
    // named by DISPLAY does not answer.
    return "xcb;wayland";
}

bool GoesToX11Only(const EnvironmentLookup& environment) {
    const std::string platform = environment("QT_QPA_PLATFORM").value_or("");
    // Options follow the platform's name after a colon ("xcb:nograb").
    if (!platform.empty() && platform.substr(0, platform.find(':')) != "xcb")
        return false;
    return !IsSet(environment("WAYLAND_DISPLAY")) &&
           environment("XDG_SESSION_TYPE").value_or("") != "wayland";
}

void ChooseQtPlatformForThisSession() {
#ifndef _WIN32
    const auto chosen = ChooseQtPlatform([](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    });
    if (chosen)
        setenv("QT_QPA_PLATFORM", chosen->c_str(), 1);
#endif
}

} // namespace kevo::platform
