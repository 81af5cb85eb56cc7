// SPDX-License-Identifier: Apache-2.0
#pragma once

namespace kevo::ui {

// The screen's pointer, the one route every window takes to it: the
// hourglass while the program loads and checks (Set), or while a slow query
// runs inside a command (each Hold until its Release; holds nest), the
// normal arrow otherwise. Setting it twice to the same shape is harmless.
class WaitCursor {
public:
    static void Set(bool wait);
    static bool Waiting();

    static void Hold();
    static void Release();
};

} // namespace kevo::ui
