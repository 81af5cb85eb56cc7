// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kevo::mainwindow {

// The table has a header row and 99 configuration lines; line n is row n
// and section n of the setup file.
inline constexpr int kRowCount = 100;
inline constexpr int kColumnCount = 11;
inline constexpr int kFirstLine = 1;
inline constexpr int kLastLine = 99;

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

// The header row's texts.
inline constexpr std::array<std::string_view, kColumnCount> kColumnHeaders = {
    "",          "Name",     "Printer",   "Where",  "Driver",  "Source 1",
    "Tray1 No.", "Source 2", "Tray2 No.", "Errors", "Changed",
};

// The status bar's panels: the error count, the modified indicator, and the
// line details while the right mouse button is held on a line.
inline constexpr int kPanelErrors = 0;
inline constexpr int kPanelModified = 1;
inline constexpr int kPanelDetails = 2;
inline constexpr int kPanelCount = 3;

// The changed marker of an edited or cleared line.
inline constexpr std::string_view kChangedMarker = "*";

// Panel 1's text while the table holds changes not yet saved.
inline constexpr std::string_view kModifiedPanelText = "Mods";

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

// Told about every change the table makes, so that a window can repaint the
// one cell or panel that changed.
class ConfigTableListener {
public:
    virtual ~ConfigTableListener() = default;
    virtual void CellChanged(int column, int row) = 0;
    virtual void PanelChanged(int panel) = 0;
};

// The configuration table: 100 rows by 11 columns of text cells, the
// modified flag, and the status bar texts that mirror them. It is the one
// place the configuration lives while the program runs.
class ConfigTable {
public:
    ConfigTable() = default;
    ConfigTable(const ConfigTable&) = delete;
    ConfigTable& operator=(const ConfigTable&) = delete;

    void SetListener(ConfigTableListener* listener) { listener_ = listener; }

    // Cells outside the table read as empty and ignore writes.
    const std::string& Cell(int column, int row) const;
    void SetCell(int column, int row, std::string text);

    // Writes the header captions into row 0; the widths are kColumnWidths.
    void LayOut();

    bool IsNamedLine(int row) const { return !Cell(ColName, row).empty(); }
    bool HasErrors(int row) const { return !Cell(ColErrors, row).empty(); }
    bool IsChanged(int row) const { return Cell(ColChanged, row) == kChangedMarker; }

    // The modified flag, mirrored as kModifiedPanelText in panel 1. The panel text is
    // set on every call, also when the flag does not change.
    void SetModified(bool value);
    bool Modified() const { return modified_; }

    // Counts the lines with errors into panel 0: "Errors: 3", or empty text
    // when there is none.
    void ShowErrorCount();
    int ErrorLineCount() const;

    const std::string& Panel(int panel) const;
    void SetPanel(int panel, std::string text);

    // The line details of a row: printer, port, driver and both sources.
    std::string LineDetails(int row) const;

    // The right mouse button pressed on a row (or on no row, -1): panel 2
    // shows that row's details; a press on no row leaves the panel as it
    // is. Any button released: panel 2 is emptied.
    void RightButtonDown(int row);
    void MouseButtonUp();

private:
    static bool Inside(int column, int row);

    std::array<std::array<std::string, kColumnCount>, kRowCount> cells_{};
    std::array<std::string, kPanelCount> panels_{};
    bool modified_ = false;
    ConfigTableListener* listener_ = nullptr;
};

// How a cell is coloured over the grid's own drawing. The header row and the
// Errors and Changed columns are never coloured. A line number is red when
// the line has errors; a data cell is red when the line's Errors text holds
// the column's key word anywhere. A line number is blue when the line is
// marked changed, and blue covers red.
enum class CellColour { Plain, Red, Blue };
bool CellIsRed(const ConfigTable& table, int column, int row);
bool CellIsBlue(const ConfigTable& table, int column, int row);
CellColour CellColourOf(const ConfigTable& table, int column, int row);

} // namespace kevo::mainwindow
