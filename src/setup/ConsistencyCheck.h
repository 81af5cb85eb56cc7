// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "printers/InstalledPrinters.h"

#include <array>
#include <optional>
#include <string>

namespace kevo::setup {

class ConfigTable;

// Redoes the name comparison of the full recheck: every line's Errors text
// is emptied and then, when the line's Name cell differs from the name
// stored for it (an empty stored name counts too), set to the name token.
// storedNames[n] is the name the setup file holds for line n.
void CompareStoredNames(ConfigTable& table, const std::array<std::string, 100>& storedNames);

// Appends "Printer Undefined," to every named line whose printer is not
// installed, and "Printer Redundant," to every unnamed line that has a
// printer. Only the named lines' printers are looked up, and only they are
// asked for (InstalledPrinters::Find).
void MarkMissingPrinters(ConfigTable& table, const printers::InstalledPrinters& printers);

// Compares every line whose printer is installed (and that is not marked
// redundant) with that printer's port, driver and bins, appending "Port,",
// "Driver,", "Tray1Name,", "Tray1Num,", "Tray2Name," and "Tray2Num,". A
// line's printer is asked for only when the line before that reached this
// comparison had another printer. A printer whose bins could not be asked
// gives every line on it the four bin tokens. A printer's failure
// (KevoError, "DevCap Error") ends the check at that line and reaches the
// caller. last is the printer of the last line that reached the
// comparison, without its value when asking for it failed; unchanged when
// no line reached it.
void CompareWithInstalledPrinters(ConfigTable& table, const printers::InstalledPrinters& printers,
                                  std::optional<printers::CheckedPrinter>& last);

} // namespace kevo::setup
