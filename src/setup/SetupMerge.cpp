// SPDX-License-Identifier: Apache-2.0
#include "setup/SetupMerge.h"

#include "setup/SetupFile.h"

#include <utility>

namespace kevo::setup {

namespace {

constexpr std::size_t kNameKey = 0;

// The values that merge as one: the printer, its port, its driver, and each
// bin's name with its number, so that a merge never pairs one side's bin
// name with the other side's number. First and last key of each.
constexpr std::pair<std::size_t, std::size_t> kMergeUnits[] = {{1, 1}, {2, 2}, {3, 3},
                                                               {4, 5}, {6, 7}};

// Whether two states of a line differ in what the window shows of it: the
// section's presence and the keys after Name.
bool Differs(const StoredLine& a, const StoredLine& b) {
    if (a.present != b.present)
        return true;
    if (!a.present)
        return false;
    for (std::size_t key = kNameKey + 1; key < a.values.size(); ++key) {
        if (a.values[key] != b.values[key])
            return true;
    }
    return false;
}

} // namespace

SetupSnapshot TableSnapshot(const ConfigTable& table) {
    SetupSnapshot snapshot;
    snapshot.exists = true;
    for (int line = kFirstLine; line <= kLastLine; ++line) {
        StoredLine& stored = snapshot.lines[static_cast<std::size_t>(line)];
        stored.present = table.IsNamedLine(line);
        if (!stored.present)
            continue;
        for (std::size_t key = 0; key < stored.values.size(); ++key)
            stored.values[key] = table.Cell(ColName + static_cast<int>(key), line);
    }
    return snapshot;
}

SetupMerge MergeSetup(const SetupSnapshot& base, const SetupSnapshot& disk,
                      const SetupSnapshot& mine, const ConfigTable& table,
                      ConflictChoice choice) {
    SetupMerge merge;
    merge.result.exists = true;
    for (int line = kFirstLine; line <= kLastLine; ++line) {
        const auto at = static_cast<std::size_t>(line);
        const StoredLine& b = base.lines[at];
        const StoredLine& d = disk.lines[at];
        const StoredLine& m = mine.lines[at];
        StoredLine& result = merge.result.lines[at];
        const bool mineChanged = Differs(m, b);
        const bool diskChanged = Differs(d, b);
        if (!mineChanged) {
            result = d;
        } else if (!diskChanged || !Differs(m, d)) {
            result = m;
        } else if (m.present && d.present) {
            result = m;
            for (const auto& unit : kMergeUnits) {
                const std::size_t first = unit.first;
                const std::size_t last = unit.second;
                const auto changed = [&](const StoredLine& side) {
                    for (std::size_t key = first; key <= last; ++key) {
                        if (side.values[key] != (b.present ? b.values[key] : std::string()))
                            return true;
                    }
                    return false;
                };
                const auto same = [&] {
                    for (std::size_t key = first; key <= last; ++key) {
                        if (m.values[key] != d.values[key])
                            return false;
                    }
                    return true;
                };
                const bool takeDisk = !changed(m) || (changed(d) && !same() &&
                                                      choice == ConflictChoice::TakeTheirs);
                if (changed(m) && changed(d) && !same() && choice == ConflictChoice::Ask) {
                    for (std::size_t key = first; key <= last; ++key) {
                        if (m.values[key] != d.values[key])
                            merge.conflicts.push_back({line, table.Cell(ColName, line),
                                                       std::string(kSetupKeys[key]),
                                                       d.values[key], m.values[key]});
                    }
                }
                if (takeDisk) {
                    for (std::size_t key = first; key <= last; ++key)
                        result.values[key] = d.values[key];
                }
            }
        } else {
            // One side removed the section, the other changed it.
            result = choice == ConflictChoice::TakeTheirs ? d : m;
            if (choice == ConflictChoice::Ask)
                merge.conflicts.push_back({line, table.Cell(ColName, line), "",
                                           d.present ? d.values[1] : "",
                                           m.present ? m.values[1] : "", d.present, m.present});
        }
        // The Name key is the table's wherever the table names the line.
        if (m.present && result.present)
            result.values[kNameKey] = m.values[kNameKey];
        if (Differs(result, m) && (m.present || result.present))
            merge.linesFromDisk.push_back(line);
    }
    return merge;
}

std::string LineList(const std::vector<int>& lines) {
    std::string text = lines.size() == 1 ? "line " : "lines ";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += i + 1 == lines.size() ? " and " : ", ";
        text += std::to_string(lines[i]);
    }
    return text;
}

} // namespace kevo::setup
