// SPDX-License-Identifier: Apache-2.0
#include "platform/DisplayPlatform.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace kevo::platform {
namespace {

struct SessionCase {
    const char* what;
    std::map<std::string, std::string> environment;
    std::optional<std::string> expected;
    bool x11Only = false; // no display there means no window at all
};

class ChooseQtPlatformTest : public ::testing::TestWithParam<SessionCase> {};

TEST_P(ChooseQtPlatformTest, RunsOnXWaylandOnlyInAWaylandSessionWithAnXServer) {
    const auto& environment = GetParam().environment;
    const auto lookup = [&](const char* name) -> std::optional<std::string> {
        const auto found = environment.find(name);
        return found != environment.end() ? std::optional<std::string>(found->second)
                                          : std::nullopt;
    };
    EXPECT_EQ(ChooseQtPlatform(lookup), GetParam().expected) << GetParam().what;
    EXPECT_EQ(GoesToX11Only(lookup), GetParam().x11Only) << GetParam().what;
}

const std::optional<std::string> kQtChooses;
const std::optional<std::string> kXWayland = "xcb;wayland";

INSTANTIATE_TEST_SUITE_P(
    Sessions, ChooseQtPlatformTest,
    ::testing::Values(
        SessionCase{
            "GNOME or KDE on Wayland",
            {{"XDG_SESSION_TYPE", "wayland"}, {"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}},
            kXWayland},
        SessionCase{"a compositor started by hand (no session type)",
                    {{"WAYLAND_DISPLAY", "wayland-1"}, {"DISPLAY", ":1"}},
                    kXWayland},
        SessionCase{"a Wayland session whose socket is not passed on",
                    {{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}},
                    kXWayland},
        SessionCase{
            "the user's choice stands",
            {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}},
            kQtChooses},
        SessionCase{"an empty QT_QPA_PLATFORM is no choice",
                    {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", ""}},
                    kXWayland},
        SessionCase{
            "Wayland without XWayland",
            {{"XDG_SESSION_TYPE", "wayland"}, {"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ""}},
            kQtChooses},
        SessionCase{
            "an X11 session", {{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}}, kQtChooses, true},
        SessionCase{"a cron job or SSH without X forwarding", {}, kQtChooses, true},
        SessionCase{
            "X11 asked for, with options", {{"QT_QPA_PLATFORM", "xcb:nograb"}}, kQtChooses, true},
        SessionCase{
            "offscreen, as the tests draw", {{"QT_QPA_PLATFORM", "offscreen"}}, kQtChooses}));

} // namespace
} // namespace kevo::platform
