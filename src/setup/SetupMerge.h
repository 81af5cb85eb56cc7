// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "setup/ConfigTable.h"

#include <array>
#include <string>
#include <vector>

namespace kevo::setup {

// One line's section of the setup file as it reads: whether the section is
// there, and its eight keys' values in the file's key order (a missing key
// reads as the empty text).
struct StoredLine {
    bool present = false;
    std::array<std::string, 8> values{};

    bool operator==(const StoredLine&) const = default;
};

// The configuration lines of a setup file as they read at one moment: what
// the main window read or wrote last (the base of its next save), or the
// file as it is now. A missing file has no sections.
struct SetupSnapshot {
    bool exists = false;
    std::array<StoredLine, kRowCount> lines{}; // index 0 unused

    bool operator==(const SetupSnapshot&) const = default;
};

// The table's lines as a save would write them: a named line's eight cells,
// no section for an unnamed line.
SetupSnapshot TableSnapshot(const ConfigTable& table);

// A value that both the window and another program changed since the base,
// each to something else. key is the key's name, or "" for the whole
// section: one side removed it (a value "" then stands for "no section")
// while the other changed it.
struct SetupConflict {
    int line = 0;
    std::string name; // the line's name in the table
    std::string key;
    std::string theirs;
    std::string mine;
    bool theirsPresent = true; // false: the other program removed the section
    bool minePresent = true;   // false: the save removes the section

    bool operator==(const SetupConflict&) const = default;
};

enum class ConflictChoice { Ask, KeepMine, TakeTheirs };

// A three-way merge of the setup file's lines. base is the file as the
// window last read or wrote it, disk the file as it is now, mine the table.
// Per line: when only one side changed the line since the base, that side
// wins whole; when both did and both have a section, value by value: a value
// the window did not change takes the disk's, a value only the window changed
// is the window's, and a value both changed to different texts is a
// conflict. A bin's name and number are one value here, so that a merge
// never pairs one side's bin name with the other side's number.
// A section that one side removed while the other changed it is a conflict
// of the whole section. The Name key is always the table's (the names file
// gives it). Conflicts are decided by choice: Ask lists them and puts the
// window's values in place meanwhile.
struct SetupMerge {
    SetupSnapshot result;          // what the file is to hold
    std::vector<int> linesFromDisk; // lines whose table values the disk's replace
    std::vector<SetupConflict> conflicts;
};
SetupMerge MergeSetup(const SetupSnapshot& base, const SetupSnapshot& disk,
                      const SetupSnapshot& mine, const ConfigTable& table,
                      ConflictChoice choice);

// "line 4", "lines 1, 2 and 3".
std::string LineList(const std::vector<int>& lines);

} // namespace kevo::setup
