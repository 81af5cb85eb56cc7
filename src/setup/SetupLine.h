// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "printers/Printers.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kevo::setup {

// The first and last of the 99 configuration lines; line n is section n of
// the setup file.
inline constexpr int kFirstLine = 1;
inline constexpr int kLastLine = 99;

// The table's columns: one per field of a line, in the order the grid shows
// them.
inline constexpr int kColumnCount = 11;
enum Column : int {
    ColLineNumber = 0,
    ColName = 1,
    ColPrinter = 2,
    ColWhere = 3,
    ColDriver = 4,
    ColSource1 = 5,
    ColTray1No = 6,
    ColSource2 = 7,
    ColTray2No = 8,
    ColErrors = 9,
    ColChanged = 10,
};

// The changed marker of an edited or cleared line.
inline constexpr std::string_view kChangedMarker = "*";

// The error tokens; each ends with a comma and they are appended to a line's
// Errors cell without separators.
inline constexpr std::string_view kNamesDifferentPrefix = "Names Different (";
inline constexpr std::string_view kNamesDifferentSuffix = "),";
inline constexpr std::string_view kTokenPrinterUndefined = "Printer Undefined,";
inline constexpr std::string_view kTokenPrinterRedundant = "Printer Redundant,";
inline constexpr std::string_view kTokenPort = "Port,";
inline constexpr std::string_view kTokenDriver = "Driver,";
inline constexpr std::string_view kTokenTray1Name = "Tray1Name,";
inline constexpr std::string_view kTokenTray1Num = "Tray1Num,";
inline constexpr std::string_view kTokenTray2Name = "Tray2Name,";
inline constexpr std::string_view kTokenTray2Num = "Tray2Num,";

// "Names Different (" + the name the setup file holds + "),".
std::string NamesDifferentToken(std::string_view storedName);

// The names-different rule: the Errors text a line starts with, which is
// the name token when the line's name differs from the name the setup file
// stores for it, and empty otherwise. Loading the file does not count an
// empty stored name (a section written without one agrees with any name);
// the recheck does, so that a name given to a line since it was stored shows.
enum class EmptyStoredName { Agrees, Differs };
std::string NamesDifferentErrors(std::string_view lineName, std::string_view storedName,
                                 EmptyStoredName empty);

// A line's Errors text taken apart into its tokens, each named without its
// comma ("Names Different", "Printer Undefined", "Printer Redundant",
// "Port", "Driver", "Tray1Name", "Tray1Num", "Tray2Name", "Tray2Num"), in
// the order they stand. The name token carries the name stored in the setup
// file, which may itself hold commas and parentheses: the text is taken
// apart from its end, where only the fixed tokens can stand. Text that is
// none of these (the check writes none) is kept as one token as it stands.
struct ErrorTokens {
    std::vector<std::string> tokens;
    std::optional<std::string> storedName;
};
ErrorTokens SplitErrorTokens(std::string_view errors);

// The rules that read a line's Errors text. Each looks for a word anywhere
// in it, so the stored name inside "Names Different (...)," counts too.
//
// Whether a column's cell is red: the text holds the column's key word
// ("Names", "Printer", "Port", "Driver", "Tray1Name", "Tray1Num",
// "Tray2Name", "Tray2Num"); the other columns have none.
bool ErrorsMarkColumn(std::string_view errors, int column);
// Whether the line's printer counts as redundant, so that the check leaves
// the line's port, driver and bins alone: the text holds "Redun".
bool ErrorsMarkRedundant(std::string_view errors);

// A paper bin as a setup line keeps it, as the setup file holds it.
using printers::PaperBin;

// One configuration line as a value, and as the table holds it: the logical
// name from the names file, the printer and bins that the setup file gives
// it, what the check found wrong with it, and whether it was edited since
// the last save.
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
    // Edited or cleared since the file was last read or written.
    bool changed = false;
    // The names file reaches this line (named or blank there): its number
    // shows in the table.
    bool inNamesFile = false;

    bool IsNamed() const { return !name.empty(); }
    bool HasErrors() const { return !errors.empty(); }
    bool UsesSecondTray() const { return printers::UsesSecondTray(firstPage, otherPages); }
};

// What an accepted edit (the print setup dialog's OK, a tray repair, Clear
// Line) makes of a line: the printer, port, driver and bins that the edit
// gives, no errors, and the changed mark. The line's number and name stay.
SetupLine AcceptedEdit(const SetupLine& line, const SetupLine& edit);

// A line's field as its column shows it: the line number (empty beyond the
// names file), the texts, and the changed marker "*" (or nothing). Columns
// outside the table read as empty.
const std::string& CellOf(const SetupLine& line, int column);
// Sets the field that a column shows. The line number column sets whether
// the names file reaches the line (any text); the changed column sets the
// mark when the text is exactly the marker. Other columns ignore the write.
void SetCellOf(SetupLine& line, int column, std::string text);

} // namespace kevo::setup
