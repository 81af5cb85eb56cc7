// SPDX-License-Identifier: Apache-2.0
#include "setup/ConsistencyCheck.h"

#include "setup/ConfigTable.h"
#include "printsetup/PrinterCatalogue.h"

namespace kevo::mainwindow {

void CompareStoredNames(ConfigTable& table, const std::array<std::string, 100>& storedNames) {
    for (int line = kFirstLine; line <= kLastLine; ++line)
        table.SetCell(ColErrors, line,
                      NamesDifferentErrors(table.Cell(ColName, line), storedNames[line],
                                           EmptyStoredName::Differs));
}

namespace {

void AppendToken(ConfigTable& table, int line, std::string_view token) {
    table.SetCell(ColErrors, line, table.Cell(ColErrors, line) + std::string(token));
}

} // namespace

void MarkMissingPrinters(ConfigTable& table, const printsetup::PrinterCatalogue& catalogue) {
    for (int line = kFirstLine; line <= kLastLine; ++line) {
        const std::string& printer = table.Cell(ColPrinter, line);
        if (table.IsNamedLine(line) && !catalogue.HasPrinter(printer))
            AppendToken(table, line, kTokenPrinterUndefined);
        if (!table.IsNamedLine(line) && !printer.empty())
            AppendToken(table, line, kTokenPrinterRedundant);
    }
}

void CompareWithInstalledPrinters(ConfigTable& table, printsetup::PrinterCatalogue& catalogue) {
    for (int line = kFirstLine; line <= kLastLine; ++line) {
        if (ErrorsMarkRedundant(table.Cell(ColErrors, line)))
            continue;
        // Selected again when another printer is selected, and when a
        // selection that failed part-way left lists of no printer.
        if (!catalogue.SelectPrinterNamed(table.Cell(ColPrinter, line)))
            continue;
        if (catalogue.lblPort() != table.Cell(ColWhere, line))
            AppendToken(table, line, kTokenPort);
        if (catalogue.lblDriver() != table.Cell(ColDriver, line))
            AppendToken(table, line, kTokenDriver);
        // Bins that could not be asked match nothing, not even the
        // "Default"/"7" that stand in for them.
        const bool unknown = catalogue.BinsUnknown();
        if (unknown || catalogue.FindBinName(table.Cell(ColSource1, line)) < 0)
            AppendToken(table, line, kTokenTray1Name);
        if (unknown || catalogue.FindBinNumber(table.Cell(ColTray1No, line)) < 0)
            AppendToken(table, line, kTokenTray1Num);
        if (unknown || catalogue.FindBinName(table.Cell(ColSource2, line)) < 0)
            AppendToken(table, line, kTokenTray2Name);
        if (unknown || catalogue.FindBinNumber(table.Cell(ColTray2No, line)) < 0)
            AppendToken(table, line, kTokenTray2Num);
    }
}

} // namespace kevo::mainwindow
