// SPDX-License-Identifier: Apache-2.0
#pragma once

// The tray repair: after a printer's driver has changed, the bins that the
// setup lines stored under the old driver are looked up on the printer as it
// is now, and a line whose two bins are each found exactly once takes the
// new driver's names, numbers and driver name. A line whose printer moved
// (renamed, on another print server, on a new device URI) is given the
// printer found for it first. Qt-free; the main window and the check
// command show and apply the plan.

#include "setup/SetupLine.h"

#include <optional>
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

// One line of an administrator's printer mapping file: the printer oldName
// is now installed as newName; or, for a whole server ("\\OLD\* = \\NEW\*"),
// every printer \\OLD\QUEUE is now \\NEW\QUEUE.
struct PrinterMapping {
    std::string oldName; // "\\PRINTSRV01\Accounts", "Accounts_Laser", "\\PRINTSRV01\*"
    std::string newName;
    int line = 0; // the line of the file it was written on
};

// Reads a printer mapping file, written as the bin mapping file is but
// without headers:
//
//     \\PRINTSRV01\Accounts = \\PRINTSRV02\Accounts
//     Accounts_Laser = accounts-laser
//     \\PRINTSRV01\* = \\PRINTSRV02\*   # the whole server
//
// A server ("\\NAME\*") maps only to a server. Faults throw
// messages::KevoError "line N: what is wrong".
std::vector<PrinterMapping> ParsePrinterMappings(std::string_view text);

// How a printer that a line names, and that is not installed, was found.
enum class FoundBy { Mapping, Port, QueueName };
// "by mapping", "by port", "by queue name".
std::string_view FoundByText(FoundBy by);

// The printer found for a missing one, or why none was.
struct MovedPrinter {
    std::string name; // as the printer list holds it; empty when none was
    FoundBy by = FoundBy::Mapping;
    // When none was: "printer missing", "mapped to "X", which is not
    // installed", or "printer has two candidates by port: "A", "B"".
    std::string problem;
};

// The finding rule for a printer that is not installed, under its stored
// port. The first step that finds any installed printer decides, and only
// when it finds exactly one:
//   1. the mappings: those of the whole name, else those of its server
//      (a mapping whose printer is not installed leaves the line: the
//      administrator named the printer);
//   2. where ports are device URIs (Printers::PortsAreDeviceUris), an
//      installed printer whose port is the stored port, compared exactly;
//   3. for a "\\SERVER\QUEUE" name, an installed printer of the same
//      queue name on another server.
// Names compare by the lookup rule. The installed printers' ports are asked
// once, when step 2 is first needed.
class MovedPrinterFinder {
public:
    MovedPrinterFinder(const printers::Printers& printers, std::vector<PrinterMapping> mappings);
    MovedPrinter Find(const std::string& printer, const std::string& port);
    // The installed printers' names, asked once when it was made.
    const std::vector<std::string>& Installed() const { return installed_; }

private:
    const printers::Printers& printers_;
    std::vector<PrinterMapping> mappings_;
    std::vector<std::string> installed_;
    std::optional<std::vector<std::string>> ports_;
};

// One line of the plan.
struct TrayRepairLine {
    SetupLine before; // the line as the table holds it
    // With the printer found for a missing one, its port, the bins found,
    // their numbers and the printer's current driver, and no errors, when
    // repaired; equal to before otherwise.
    SetupLine after;
    bool repaired = false;
    // Why the line is left alone; empty when repaired:
    //   printer missing                     (or why the finding rule found none)
    //   other errors: Port,                 (the tokens the repair cannot clear)
    //   bins cannot be asked: DevCap Error  (the failure's text)
    //   bin names and numbers do not pair up
    //   bin "Tray 3" not found
    //   bin "Tray" has two candidates
    // Both bins' reasons, "; " between them, when they differ.
    std::string reason;
    // For a line whose printer is not installed and was found: how
    // ("by mapping", "by port", "by queue name"); empty otherwise.
    std::string foundBy;
};

struct TrayRepairPlan {
    std::vector<TrayRepairLine> lines; // in the order of the lines given
};

// Plans the repair of every named line in error; lines without a name or
// without errors are not in the plan. A line's printer is the installed one
// its name finds (the lookup rule), or, when none does, the one that
// MovedPrinterFinder finds with the printer mappings; the line then takes
// that printer's name and port. A line is repaired when it has a printer,
// its Errors text holds nothing but "Printer Undefined," (a printer found),
// "Driver,", "Tray1Name,", "Tray1Num,", "Tray2Name,", "Tray2Num," and, where
// ports are device URIs, "Port," (the line takes the printer's port), and
// each of its two bins is found exactly once on the printer by the first of
// these steps that finds any bin (a step that finds two stops the search):
//   1. a bin of the same name, ignoring letter case;
//   2. a bin that names the same tray in another driver's words (the table
//      in TrayRepair.cpp);
//   3. the bin mappings for this printer (under the found printer's header,
//      then under the name the line gave), then those for every printer: a
//      bin named by the newName of a mapping of the bin's name.
// The automatic bin (kAutoSelectBinName, kAutoSelectBinNumber), which asks
// for no tray at all, stays as it is on every printer. The printer's name
// as the line writes it is kept when it is installed. Asks the printers
// only; changes nothing.
TrayRepairPlan PlanTrayRepair(const std::vector<SetupLine>& lines,
                              const printers::Printers& printers,
                              const std::vector<BinMapping>& mappings,
                              const std::vector<PrinterMapping>& printerMappings = {});

} // namespace kevo::setup
