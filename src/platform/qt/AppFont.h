#pragma once

#include <QFont>

namespace kevo::platform {

// The program's font family: Tahoma where it can be had (fontconfig, or the
// metric-compatible copy that Debian's fonts-wine ships outside its search
// path), else the desktop's font.
QFont ProgramFont(int pointSize);

} // namespace kevo::platform
