// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QIcon>
#include <QPixmap>

namespace kevo::resources {

// The menu pictures, by their index in the main window's picture list.
enum MenuPicture {
    PictureSave = 0,    // floppy disk: Save Details
    PictureClear = 1,   // black cross: Clear Printer
    PicturePrinter = 2, // printer: no menu item
    PictureReload = 3,  // open folder with a curved arrow: Reload Details
    PictureRecheck = 4, // blue check mark: Recheck Printers
    PictureHelp = 5,    // purple book with a yellow question mark: Help
};
inline constexpr int kMenuPictureCount = 6;

// Registers the pictures with Qt's resource system. The functions below do
// it themselves; call it before loading ":/kevoconf/..." paths directly.
// Calling it more than once does no harm.
void InitResources();

// The 16 x 16 menu picture of an index 0 to 5 (a null pixmap for another).
QPixmap MenuPicturePixmap(int index);

// The program's icon in all its sizes (16 to 256 pixels), for the windows'
// title bars and the desktop.
QIcon ProgramIcon();

// The program's icon at exactly 32 by 32 pixels, as the about box shows it.
QPixmap ProgramIcon32();

} // namespace kevo::resources
