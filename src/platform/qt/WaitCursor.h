#pragma once

namespace kevo::platform {

// The screen's pointer: the hourglass while the program loads and checks,
// the normal arrow otherwise. Setting it twice to the same shape is harmless.
class WaitCursor {
public:
    static void Set(bool wait);
    static bool Waiting();
};

} // namespace kevo::platform
