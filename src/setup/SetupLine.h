// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "setup/ConfigTable.h"

#include <string>

namespace kevo::mainwindow {

// A paper bin as a setup line keeps it: the driver's name for it and its
// number, both as the setup file holds them (the number as decimal text,
// which a hand-edited file may spoil).
struct PaperBin {
    std::string name;
    std::string number;

    bool operator==(const PaperBin&) const = default;
};

// One configuration line as a value: the logical name from the names file,
// the printer and bins that the setup file gives it, and what the check
// found wrong with it.
struct SetupLine {
    int line = 0;
    std::string name; // empty on a line the names file does not name
    std::string printer;
    std::string port;
    std::string driver;
    PaperBin firstPage;  // the bin of a document's first page
    PaperBin otherPages; // the bin of the pages after it
    // The error tokens as the table shows them ("Port,Tray1Num,"); empty
    // when the line is not in error.
    std::string errors;

    bool IsNamed() const { return !name.empty(); }
    bool HasErrors() const { return !errors.empty(); }
};

// The line as the table holds it now.
SetupLine LineOf(const ConfigTable& table, int line);

} // namespace kevo::mainwindow
