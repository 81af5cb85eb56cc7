// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "setup/SetupLine.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kevo::setup {

// The table has a header row and 99 configuration lines; line n is row n
// and section n of the setup file.
inline constexpr int kRowCount = 100;

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

// Panel 1's text while the table holds changes not yet saved.
inline constexpr std::string_view kModifiedPanelText = "Mods";

// Told about every change the table makes, so that a window can repaint the
// one cell or panel that changed.
class ConfigTableListener {
public:
    virtual ~ConfigTableListener() = default;
    virtual void CellChanged(int column, int row) = 0;
    virtual void PanelChanged(int panel) = 0;
};

// The configuration table: a header row and the 99 configuration lines
// (SetupLine), shown as 11 columns of text cells; the modified flag, and the
// status bar texts that mirror them. It is the one place the configuration
// lives while the program runs.
class ConfigTable {
public:
    ConfigTable();
    ConfigTable(const ConfigTable&) = delete;
    ConfigTable& operator=(const ConfigTable&) = delete;

    void SetListener(ConfigTableListener* listener) { listener_ = listener; }

    // A configuration line (kFirstLine to kLastLine) as the table holds it.
    // A line outside them reads as an empty line numbered 0.
    const SetupLine& Line(int line) const;
    // Replaces the line that line.line names, every field of it; a number
    // outside the lines is ignored.
    void SetLine(const SetupLine& line);

    // A cell as the grid shows it: row 0 is the header, rows 1 to 99 the
    // lines' fields (CellOf). Cells outside the table read as empty and
    // ignore writes.
    const std::string& Cell(int column, int row) const;
    void SetCell(int column, int row, std::string text);

    // Writes the header captions into row 0; the widths are kColumnWidths.
    void LayOut();

    bool IsNamedLine(int row) const { return Line(row).IsNamed(); }
    bool HasErrors(int row) const { return Line(row).HasErrors(); }
    bool IsChanged(int row) const { return Line(row).changed; }

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

    std::array<std::string, kColumnCount> header_{};
    // Indexed by line number; entry 0 stands for lines outside the table.
    std::array<SetupLine, kRowCount> lines_{};
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

} // namespace kevo::setup
