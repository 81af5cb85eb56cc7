// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kevo::platform {

// What the system says about where font files may be loaded from.
struct FontFolders {
    // Windows: the Windows directory exactly as GetWindowsDirectoryW reports
    // it (never the WINDIR variable, which whoever starts the program sets).
    // Empty elsewhere.
    std::string windowsDirectory;
    // True when the program runs under Wine, as Wine itself answers it
    // (ntdll's wine_get_version), never guessed from paths or drives.
    bool underWine = false;
    // Wine's own fonts folder as Wine names it for this process (Debian's
    // fonts-wine; on Windows under Wine through wine_get_dos_file_name).
    // Looked at only on POSIX systems and under Wine.
    std::string wineFonts;
};

// The folders as this system reports them.
FontFolders SystemFontFolders();

// The files, in order, from which a font named fileName (e.g. "tahoma.ttf")
// is loaded: none when it is installed, else those of these that exist. On
// Windows: the Fonts folder of the Windows directory, then, under Wine only,
// Wine's fonts folder; on Windows proper nothing else, so that no font comes
// from a drive that others may write (a mapped network drive). On POSIX
// systems: Wine's fonts folder.
std::vector<std::string> FontFilesToLoad(bool installed, const FontFolders& folders,
                                         const std::string& fileName, bool windows,
                                         const std::function<bool(const std::string&)>& exists);

} // namespace kevo::platform
