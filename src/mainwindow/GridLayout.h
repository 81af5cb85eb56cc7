// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "setup/ConfigTable.h"

#include <array>

namespace kevo::mainwindow {

// The main window's geometry in pixels: the grid's column widths (the row
// number column first) and row height, and the status bar's panel widths.

// A column width of -1 hides the column completely.
inline constexpr int kHiddenColumnWidth = -1;
inline constexpr std::array<int, setup::kColumnCount> kColumnWidths = {20, 96, 160, -1,  -1, 96,
                                                                       32, 96, 32,  224, -1};
inline constexpr int kRowHeight = 16;
inline constexpr std::array<int, setup::kPanelCount> kPanelWidths = {60, 50, 50};

} // namespace kevo::mainwindow
