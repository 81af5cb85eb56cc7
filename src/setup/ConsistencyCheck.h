// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <string>

namespace kevo::printsetup {
class PrinterCatalogue;
}

namespace kevo::mainwindow {

class ConfigTable;

// Redoes the name comparison of the full recheck: every line's Errors text
// is emptied and then, when the line's Name cell differs from the name
// stored for it (an empty stored name counts too), set to the name token.
// storedNames[n] is the name the setup file holds for line n.
void CompareStoredNames(ConfigTable& table, const std::array<std::string, 100>& storedNames);

// Appends "Printer Undefined," to every named line whose printer is not in
// the catalogue's printer list, and "Printer Redundant," to every unnamed
// line that has a printer. Only the named lines' printers are looked up, and
// only they are asked for (PrinterCatalogue::HasPrinter).
void MarkMissingPrinters(ConfigTable& table, const printsetup::PrinterCatalogue& catalogue);

// Compares every line whose printer is installed (and that is not marked
// redundant) with that printer's port, driver and bins, appending "Port,",
// "Driver,", "Tray1Name,", "Tray1Num,", "Tray2Name," and "Tray2Num,". A
// line's printer is selected in the catalogue only when it is not the
// selected one already, or when its last selection failed part-way. A
// printer whose bins could not be asked gives every line on it the four bin
// tokens. A catalogue failure (KevoError, "DevCap Error") ends the check at
// that line and reaches the caller.
void CompareWithInstalledPrinters(ConfigTable& table, printsetup::PrinterCatalogue& catalogue);

} // namespace kevo::mainwindow
