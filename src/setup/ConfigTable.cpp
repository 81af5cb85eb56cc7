// SPDX-License-Identifier: Apache-2.0
#include "setup/ConfigTable.h"

namespace kevo::mainwindow {
namespace {

const std::string kEmpty;

// The word in a line's Errors text that turns a column's cell red.
constexpr std::array<std::string_view, kColumnCount> kRedKeyWords = {
    "",         "Names",     "Printer",  "Port", "Driver", "Tray1Name",
    "Tray1Num", "Tray2Name", "Tray2Num", "",     "",
};

// The tokens of a fixed text, which SplitErrorTokens peels off the end.
constexpr std::array<std::string_view, 8> kFixedTokens = {
    kTokenPrinterUndefined, kTokenPrinterRedundant, kTokenPort,     kTokenDriver,
    kTokenTray1Name,        kTokenTray1Num,         kTokenTray2Name, kTokenTray2Num};

std::string WithoutComma(std::string_view token) {
    if (!token.empty() && token.back() == ',')
        token.remove_suffix(1);
    return std::string(token);
}

} // namespace

ErrorTokens SplitErrorTokens(std::string_view errors) {
    ErrorTokens result;
    std::vector<std::string> fromTheEnd;
    for (bool found = true; found && !errors.empty();) {
        found = false;
        for (const std::string_view token : kFixedTokens) {
            if (errors.ends_with(token)) {
                fromTheEnd.push_back(WithoutComma(token));
                errors.remove_suffix(token.size());
                found = true;
                break;
            }
        }
    }
    if (!errors.empty()) {
        if (errors.starts_with(kNamesDifferentPrefix) &&
            errors.size() >=
                kNamesDifferentPrefix.size() + kNamesDifferentSuffix.size() &&
            errors.ends_with(kNamesDifferentSuffix)) {
            // "Names Different (" without its " (".
            result.tokens.emplace_back(
                kNamesDifferentPrefix.substr(0, kNamesDifferentPrefix.size() - 2));
            errors.remove_prefix(kNamesDifferentPrefix.size());
            errors.remove_suffix(kNamesDifferentSuffix.size());
            result.storedName = std::string(errors);
        } else {
            result.tokens.emplace_back(errors);
        }
    }
    result.tokens.insert(result.tokens.end(), fromTheEnd.rbegin(), fromTheEnd.rend());
    return result;
}

bool ErrorsMarkColumn(std::string_view errors, int column) {
    if (column < 0 || column >= kColumnCount || kRedKeyWords[column].empty())
        return false;
    return errors.find(kRedKeyWords[column]) != std::string_view::npos;
}

bool ErrorsMarkRedundant(std::string_view errors) {
    return errors.find("Redun") != std::string_view::npos;
}

std::string NamesDifferentToken(std::string_view storedName) {
    std::string token(kNamesDifferentPrefix);
    token += storedName;
    token += kNamesDifferentSuffix;
    return token;
}

bool ConfigTable::Inside(int column, int row) {
    return column >= 0 && column < kColumnCount && row >= 0 && row < kRowCount;
}

const std::string& ConfigTable::Cell(int column, int row) const {
    return Inside(column, row) ? cells_[row][column] : kEmpty;
}

void ConfigTable::SetCell(int column, int row, std::string text) {
    if (!Inside(column, row))
        return;
    cells_[row][column] = std::move(text);
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

} // namespace kevo::mainwindow
