// SPDX-License-Identifier: Apache-2.0
#pragma once

// The two tables that the crash test's saver writes in turn: version 0 names
// all 99 lines with long values (about 170 KB, so that a save takes several
// writes), version 1 names five lines with short ones. Saving them one after
// the other over a file that holds a foreign section gives exactly two
// different files, whichever was saved first.

#include "setup/ConfigTable.h"

#include <string>

namespace kevo::faults {

inline void FillCrashTable(setup::ConfigTable& table, int version) {
    for (int line = setup::kFirstLine; line <= setup::kLastLine; ++line) {
        const bool named = version == 0 || line <= 5;
        const std::string tag = std::to_string(line) + (version == 0 ? "a" : "b");
        const std::string filler = version == 0 ? std::string(300, 'x') : std::string();
        table.SetCell(setup::ColName, line, named ? "Line " + tag : "");
        table.SetCell(setup::ColPrinter, line, named ? "Printer " + tag + filler : "");
        table.SetCell(setup::ColWhere, line, named ? "Port " + tag + filler : "");
        table.SetCell(setup::ColDriver, line, named ? "Driver " + tag + filler : "");
        table.SetCell(setup::ColSource1, line, named ? "Upper " + tag + filler : "");
        table.SetCell(setup::ColTray1No, line, named ? std::to_string(line) : "");
        table.SetCell(setup::ColSource2, line, named ? "Lower " + tag + filler : "");
        table.SetCell(setup::ColTray2No, line, named ? std::to_string(line + 256) : "");
        table.SetCell(setup::ColChanged, line, named ? "*" : "");
    }
    table.SetModified(true);
}

// The text that stands in the file before the first save.
inline const std::string kCrashFileStart = "; kept by every save\r\n[General]\r\nOwner=faults\r\n";

} // namespace kevo::faults
