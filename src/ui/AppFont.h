// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QFont>
#include <QString>

namespace kevo::ui {

// A font family where it can be had: installed, else loaded from a file of
// the folders that FontFilesToLoad allows (Debian's fonts-wine copy, which
// fontconfig does not scan; on Windows the system's Fonts folder and, under
// Wine, Wine's own) when that file exists; empty when neither is there, and on a scaled screen when the
// font has bitmaps only (which Qt cannot scale).
QString FamilyOrWineCopy(const QString& family, const QString& wineFontFile);

// The program's font family: Tahoma where it can be had, else the desktop's
// font.
QFont ProgramFont(int pointSize);

} // namespace kevo::ui
