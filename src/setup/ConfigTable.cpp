// SPDX-License-Identifier: Apache-2.0
#include "setup/ConfigTable.h"

namespace kevo::setup {
namespace {

const std::string kEmpty;

} // namespace

ConfigTable::ConfigTable() {
    for (int line = kFirstLine; line <= kLastLine; ++line)
        lines_[static_cast<std::size_t>(line)].line = line;
}

bool ConfigTable::Inside(int column, int row) {
    return column >= 0 && column < kColumnCount && row >= 0 && row < kRowCount;
}

const SetupLine& ConfigTable::Line(int line) const {
    static const SetupLine kNoLine;
    return line >= kFirstLine && line <= kLastLine ? lines_[static_cast<std::size_t>(line)]
                                                   : kNoLine;
}

void ConfigTable::SetLine(const SetupLine& line) {
    if (line.line < kFirstLine || line.line > kLastLine)
        return;
    lines_[static_cast<std::size_t>(line.line)] = line;
    if (listener_ != nullptr) {
        for (int column = 0; column < kColumnCount; ++column)
            listener_->CellChanged(column, line.line);
    }
}

const std::string& ConfigTable::Cell(int column, int row) const {
    if (!Inside(column, row))
        return kEmpty;
    if (row == 0)
        return header_[static_cast<std::size_t>(column)];
    return CellOf(lines_[static_cast<std::size_t>(row)], column);
}

void ConfigTable::SetCell(int column, int row, std::string text) {
    if (!Inside(column, row))
        return;
    if (row == 0)
        header_[static_cast<std::size_t>(column)] = std::move(text);
    else
        SetCellOf(lines_[static_cast<std::size_t>(row)], column, std::move(text));
    if (listener_ != nullptr)
        listener_->CellChanged(column, row);
}

void ConfigTable::LayOut() {
    for (int column = 1; column < kColumnCount; ++column)
        SetCell(column, 0, std::string(kColumnHeaders[column]));
}

void ConfigTable::SetModified(bool value) {
    modified_ = value;
    SetPanel(kPanelModified, value ? std::string(kModifiedPanelText) : std::string());
}

int ConfigTable::ErrorLineCount() const {
    int count = 0;
    for (int row = kFirstLine; row <= kLastLine; ++row) {
        if (HasErrors(row))
            ++count;
    }
    return count;
}

void ConfigTable::ShowErrorCount() {
    const int count = ErrorLineCount();
    SetPanel(kPanelErrors, count > 0 ? "Errors: " + std::to_string(count) : "");
}

const std::string& ConfigTable::Panel(int panel) const {
    return panel >= 0 && panel < kPanelCount ? panels_[panel] : kEmpty;
}

void ConfigTable::SetPanel(int panel, std::string text) {
    if (panel < 0 || panel >= kPanelCount)
        return;
    panels_[panel] = std::move(text);
    if (listener_ != nullptr)
        listener_->PanelChanged(panel);
}

std::string ConfigTable::LineDetails(int row) const {
    std::string details = Cell(ColPrinter, row);
    details += " On ";
    details += Cell(ColWhere, row);
    details += ".  Driver: ";
    details += Cell(ColDriver, row);
    details += ".  Source 1: ";
    details += Cell(ColSource1, row);
    details += ", ";
    details += Cell(ColTray1No, row);
    details += ". Source 2: ";
    details += Cell(ColSource2, row);
    details += ", ";
    details += Cell(ColTray2No, row);
    return details;
}

void ConfigTable::RightButtonDown(int row) {
    if (row < 0 || row >= kRowCount)
        return;
    SetPanel(kPanelDetails, LineDetails(row));
}

void ConfigTable::MouseButtonUp() {
    SetPanel(kPanelDetails, "");
}

bool CellIsRed(const ConfigTable& table, int column, int row) {
    if (row <= 0 || row >= kRowCount || column < 0 || column >= ColErrors)
        return false;
    const std::string& errors = table.Cell(ColErrors, row);
    if (column == ColLineNumber)
        return !errors.empty();
    return ErrorsMarkColumn(errors, column);
}

bool CellIsBlue(const ConfigTable& table, int column, int row) {
    return column == ColLineNumber && row > 0 && row < kRowCount && table.IsChanged(row);
}

CellColour CellColourOf(const ConfigTable& table, int column, int row) {
    if (CellIsBlue(table, column, row))
        return CellColour::Blue;
    if (CellIsRed(table, column, row))
        return CellColour::Red;
    return CellColour::Plain;
}

} // namespace kevo::setup
