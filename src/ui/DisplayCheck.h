// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

namespace kevo::ui {

// Why the program can open no window in this session, for the one line it
// writes then: empty when it can, or when the answer is left to Qt (a
// Wayland session, another platform chosen, Windows). Where Qt would go to
// an X server alone (GoesToX11Only), that server is asked whether it takes
// a connection, before Qt starts and aborts without one.
std::string NoDisplayReason();

} // namespace kevo::ui
