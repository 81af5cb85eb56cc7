// SPDX-License-Identifier: Apache-2.0
#include "setup/SetupLine.h"

namespace kevo::mainwindow {

SetupLine LineOf(const ConfigTable& table, int line) {
    const auto cell = [&](int column) { return table.Cell(column, line); };
    return {line,
            cell(ColName),
            cell(ColPrinter),
            cell(ColWhere),
            cell(ColDriver),
            {cell(ColSource1), cell(ColTray1No)},
            {cell(ColSource2), cell(ColTray2No)},
            cell(ColErrors)};
}

} // namespace kevo::mainwindow
