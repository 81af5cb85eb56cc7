// SPDX-License-Identifier: Apache-2.0
#include "setup/ConsistencyCheck.h"

#include "setup/ConfigTable.h"

namespace kevo::setup {

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

void MarkMissingPrinters(ConfigTable& table, const printers::InstalledPrinters& printers) {
    for (int line = kFirstLine; line <= kLastLine; ++line) {
        const std::string& printer = table.Cell(ColPrinter, line);
        if (table.IsNamedLine(line) && !printers.Find(printer))
            AppendToken(table, line, kTokenPrinterUndefined);
        if (!table.IsNamedLine(line) && !printer.empty())
            AppendToken(table, line, kTokenPrinterRedundant);
    }
}

void CompareWithInstalledPrinters(ConfigTable& table, const printers::InstalledPrinters& printers,
                                  std::optional<printers::CheckedPrinter>& last) {
    // The printer that last's value is, once it could be asked.
    std::optional<printers::FoundPrinter> asked;
    for (int line = kFirstLine; line <= kLastLine; ++line) {
        if (ErrorsMarkRedundant(table.Cell(ColErrors, line)))
            continue;
        const std::optional<printers::FoundPrinter> found =
            printers.Find(table.Cell(ColPrinter, line));
        if (!found)
            continue;
        if (found != asked) {
            asked.reset();
            last = printers::CheckedPrinter{found->entry.name, std::nullopt};
            last->printer = printers.Load(*found);
            asked = found;
        }
        const printers::Printer& printer = *last->printer;
        if (printer.port != table.Cell(ColWhere, line))
            AppendToken(table, line, kTokenPort);
        if (printer.driver != table.Cell(ColDriver, line))
            AppendToken(table, line, kTokenDriver);
        const auto missing = [&](const printers::PrinterBins& bins, int column) {
            return printer.BinsUnknown() ||
                   printers::FindInList(bins.texts, table.Cell(column, line)) < 0;
        };
        if (missing(printer.binNames, ColSource1))
            AppendToken(table, line, kTokenTray1Name);
        if (missing(printer.binNumbers, ColTray1No))
            AppendToken(table, line, kTokenTray1Num);
        if (missing(printer.binNames, ColSource2))
            AppendToken(table, line, kTokenTray2Name);
        if (missing(printer.binNumbers, ColTray2No))
            AppendToken(table, line, kTokenTray2Num);
    }
}

} // namespace kevo::setup
