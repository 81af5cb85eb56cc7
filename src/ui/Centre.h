// SPDX-License-Identifier: Apache-2.0
#pragma once

class QWidget;

namespace kevo::ui {

// Moves a window (frame included) to the centre of its screen's available
// area.
void CentreOnScreen(QWidget* window);

} // namespace kevo::ui
