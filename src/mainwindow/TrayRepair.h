// SPDX-License-Identifier: Apache-2.0
#pragma once

// The tray repair: after a printer's driver has changed, the bins that the
// setup lines stored under the old driver are looked up on the printer as it
// is now, and a line whose two bins are each found exactly once takes the
// new driver's names, numbers and driver name. Qt-free; the main window and
// the check command show and apply the plan.

#include "mainwindow/SetupLine.h"

#include <string>
#include <string_view>
#include <vector>

namespace kevo::mainwindow {

// One line of an administrator's bin mapping file: the bin oldName is now
// called newName, on one printer or on every printer.
struct BinMapping {
    std::string printer; // empty: every printer
    std::string oldName;
    std::string newName;
    int line = 0; // the line of the file it was written on
};

// Reads a bin mapping file (UTF-8, a byte-order mark allowed, lines ending
// in LF or CR LF):
//
//     # Mappings above the first header hold for every printer.
//     Tray 3 = Lower Cassette
//     [Office Laser]
//     Tray 3 = Drawer B        # on Office Laser only
//
// A line is "OLD BIN NAME = NEW BIN NAME" or a "[PRINTER NAME]" header that
// makes the mappings below it (up to the next header) hold for that printer
// alone. '#' starts a comment that runs to the end of the line, so a bin
// name cannot hold '#' (nor '='); blanks and tabs around names are dropped;
// blank lines are skipped. Printer and bin names are compared ignoring
// letter case, by the printers' lookup rule. Anything else on a line (no
// '=', two of them, a name missing beside it, a header without its ']' or
// its name, text that is not UTF-8) throws messages::KevoError
// "line N: what is wrong", which the caller prefixes with the file's name.
std::vector<BinMapping> ParseBinMappings(std::string_view text);

} // namespace kevo::mainwindow
