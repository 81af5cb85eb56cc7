// SPDX-License-Identifier: Apache-2.0
#include "main/SetupFile.h"

#include "main/ConfigTable.h"
#include "platform/SystemPaths.h"
#include "platform/profile/ProfileFile.h"

#include <vector>

namespace kevo::main {

std::string StoredValue(const std::string& value) {
    // A read drops blanks at either end and one pair of enclosing quotation
    // marks; a value that would lose either is written inside double
    // quotation marks, which the read (ours and the host's) takes off again.
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    if (value.empty())
        return value;
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    if (blank(value.front()) || blank(value.back()) || quoted)
        return '"' + value + '"';
    return value;
}

SetupLoad LoadSetupFile(ConfigTable& table, const std::string& path) {
    if (!platform::FileExists(path))
        return SetupLoad::FileMissing;
    platform::ProfileFile file(path);
    for (int line = kFirstLine; line <= kLastLine; ++line) {
        const std::string section = std::to_string(line);
        table.SetCell(ColErrors, line, "");
        const std::string storedName = file.ReadString(section, kSetupKeys[0]);
        if (!storedName.empty() && storedName != table.Cell(ColName, line))
            table.SetCell(ColErrors, line, NamesDifferentToken(storedName));
        for (int key = 1; key < static_cast<int>(kSetupKeys.size()); ++key)
            table.SetCell(ColName + key, line, file.ReadString(section, kSetupKeys[key]));
        table.SetCell(ColChanged, line, "");
    }
    return SetupLoad::Loaded;
}

void SaveSetupFile(ConfigTable& table, const std::string& path) {
    platform::ProfileFile file(path);
    // The lines whose marks this save clears; they get them back when the
    // file cannot be written, because then nothing was saved.
    std::vector<std::pair<int, std::string>> cleared;
    const auto restoreMarks = [&] {
        for (auto& [line, mark] : cleared)
            table.SetCell(ColChanged, line, std::move(mark));
    };
    try {
        for (int line = kFirstLine; line <= kLastLine; ++line) {
            const std::string section = std::to_string(line);
            if (table.IsNamedLine(line)) {
                for (int key = 0; key < static_cast<int>(kSetupKeys.size()); ++key)
                    file.WriteString(section, kSetupKeys[key],
                                     StoredValue(table.Cell(ColName + key, line)));
            } else {
                file.EraseSection(section);
            }
            if (!table.Cell(ColChanged, line).empty()) {
                cleared.emplace_back(line, table.Cell(ColChanged, line));
                table.SetCell(ColChanged, line, "");
            }
        }
        file.Flush();
    } catch (...) {
        restoreMarks();
        throw;
    }
    table.SetModified(false);
}

std::array<std::string, 100> ReadStoredNames(const std::string& path) {
    std::array<std::string, 100> names;
    platform::ProfileFile file(path);
    for (int line = kFirstLine; line <= kLastLine; ++line)
        names[line] = file.ReadString(std::to_string(line), kSetupKeys[0]);
    return names;
}

} // namespace kevo::main
