// SPDX-License-Identifier: Apache-2.0
#pragma once

// The tray repair: after a printer's driver has changed, the bins that the
// setup lines stored under the old driver are looked up on the printer as it
// is now, and a line whose two bins are each found exactly once takes the
// new driver's names, numbers and driver name. Qt-free; the main window and
// the check command show and apply the plan.

#include "setup/SetupLine.h"

#include <string>
#include <string_view>
#include <vector>

namespace kevo::printers {
class Printers;
}

namespace kevo::setup {

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

// One line of the plan.
struct TrayRepairLine {
    SetupLine before; // the line as the table holds it
    // With the bins found, their numbers and the printer's current driver,
    // and no errors, when repaired; equal to before otherwise.
    SetupLine after;
    bool repaired = false;
    // Why the line is left alone; empty when repaired:
    //   printer missing
    //   other errors: Port,                 (the tokens the repair cannot clear)
    //   bins cannot be asked: DevCap Error  (the failure's text)
    //   bin names and numbers do not pair up
    //   bin "Tray 3" not found
    //   bin "Tray" has two candidates
    // Both bins' reasons, "; " between them, when they differ.
    std::string reason;
};

struct TrayRepairPlan {
    std::vector<TrayRepairLine> lines; // in the order of the lines given
};

// Plans the repair of every named line in error; lines without a name or
// without errors are not in the plan. A line is repaired when its printer is
// installed (the lookup rule), its Errors text holds nothing but "Driver,",
// "Tray1Name,", "Tray1Num,", "Tray2Name," and "Tray2Num,", and each of its
// two bins is found exactly once on the printer by the first of these steps
// that finds any bin (a step that finds two stops the search):
//   1. a bin of the same name, ignoring letter case;
//   2. a bin that names the same tray in another driver's words (the table
//      in TrayRepair.cpp);
//   3. the mappings for this printer, then those for every printer: a bin
//      named by the newName of a mapping of the bin's name.
// The automatic bin (kAutoSelectBinName, kAutoSelectBinNumber), which asks for no tray at all,
// stays as it is on every printer. The port and the printer's name as the
// line writes it are kept. Asks the printers only; changes nothing.
TrayRepairPlan PlanTrayRepair(const std::vector<SetupLine>& lines,
                              const printers::Printers& printers,
                              const std::vector<BinMapping>& mappings);

} // namespace kevo::setup
