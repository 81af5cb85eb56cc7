// SPDX-License-Identifier: Apache-2.0
#include "setup/SetupLine.h"

#include "setup/ConfigTable.h"

#include <array>

namespace kevo::setup {
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

const std::string kMarker(kChangedMarker);

// The line numbers as the first column shows them, made once.
const std::array<std::string, kLastLine + 1>& LineNumberTexts() {
    static const auto texts = [] {
        std::array<std::string, kLastLine + 1> made;
        for (int line = 0; line <= kLastLine; ++line)
            made[static_cast<std::size_t>(line)] = std::to_string(line);
        return made;
    }();
    return texts;
}

std::string* TextField(SetupLine& line, int column) {
    switch (column) {
    case ColName:
        return &line.name;
    case ColPrinter:
        return &line.printer;
    case ColWhere:
        return &line.port;
    case ColDriver:
        return &line.driver;
    case ColSource1:
        return &line.firstPage.name;
    case ColTray1No:
        return &line.firstPage.number;
    case ColSource2:
        return &line.otherPages.name;
    case ColTray2No:
        return &line.otherPages.number;
    case ColErrors:
        return &line.errors;
    default:
        return nullptr;
    }
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

std::string NamesDifferentErrors(std::string_view lineName, std::string_view storedName,
                                 EmptyStoredName empty) {
    if (storedName.empty() && empty == EmptyStoredName::Agrees)
        return {};
    return lineName != storedName ? NamesDifferentToken(storedName) : std::string();
}

SetupLine AcceptedEdit(const SetupLine& line, const SetupLine& edit) {
    SetupLine accepted = line;
    accepted.printer = edit.printer;
    accepted.port = edit.port;
    accepted.driver = edit.driver;
    accepted.firstPage = edit.firstPage;
    accepted.otherPages = edit.otherPages;
    accepted.errors.clear();
    accepted.changed = true;
    return accepted;
}

const std::string& CellOf(const SetupLine& line, int column) {
    if (column == ColLineNumber) {
        if (!line.inNamesFile || line.line < 0 || line.line > kLastLine)
            return kEmpty;
        return LineNumberTexts()[static_cast<std::size_t>(line.line)];
    }
    if (column == ColChanged)
        return line.changed ? kMarker : kEmpty;
    const std::string* field = TextField(const_cast<SetupLine&>(line), column);
    return field != nullptr ? *field : kEmpty;
}

void SetCellOf(SetupLine& line, int column, std::string text) {
    if (column == ColLineNumber)
        line.inNamesFile = !text.empty();
    else if (column == ColChanged)
        line.changed = text == kChangedMarker;
    else if (std::string* field = TextField(line, column))
        *field = std::move(text);
}

} // namespace kevo::setup
