// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QFont>

namespace kevo::info {

// The information windows' fonts. Windows fonts are rarely installed on a
// Linux desktop, so each falls back to a font of the same metrics, else to
// the program's font.

// MS Sans Serif: installed, else the copy that Debian's fonts-wine ships
// outside fontconfig's search path, else the program's font (Tahoma, its
// successor, or the desktop font). That copy has bitmaps only: on a scaled
// screen the program's font is taken instead.
QFont MsSansSerifFont(int pointSize);

// Arial: installed, else a metric-compatible face (Liberation Sans, Arimo,
// Nimbus Sans, Helvetica), else the desktop font.
QFont ArialFont(int pointSize, bool bold = false);

} // namespace kevo::info
