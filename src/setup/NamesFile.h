// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <vector>

namespace kevo::setup {

class ConfigTable;

// The names file gives one configuration line per text line; the table has
// room for 99.
inline constexpr int kMaxNames = 99;

struct NamesFileResult {
    enum class Outcome {
        Loaded,    // 1 to 99 lines read, nothing more in the file
        TooMany,   // a 100th line exists; the first 99 were read
        Missing,   // no file (a directory does not count) at the path
        Empty,     // the file holds no line at all
        ReadError, // the file could not be opened or read; errorText says why
    };
    Outcome outcome = Outcome::Loaded;
    // The names read, in file order; on a read error the lines read before it.
    std::vector<std::string> names;
    std::string errorText;
};

// Reads the names file as text: a UTF-8 byte-order mark is skipped, a UTF-16
// mark (LE or BE) means UTF-16, and a file without a mark is in the host's
// code page (HostCodePage). A file that is not text in that form (NUL bytes
// without a mark, broken UTF-16 or UTF-8) is a ReadError: its names could
// only be garbled. A line ends at LF or CR LF, a CR that
// is not followed by LF is dropped from the text, a Ctrl-Z at the start of a
// line ends the file, blank lines are lines, and at most 99 lines are read.
// Reads the file in pieces and stops at the 100th line, so a huge file is
// never loaded whole just to read 99 lines.
NamesFileResult ReadNamesFile(const std::string& path);

// The message shown for an outcome (Missing, Empty, TooMany, ReadError with
// the system's errorText), naming the resolved path; empty for Loaded.
std::string NamesFileMessage(NamesFileResult::Outcome outcome, const std::string& path,
                             const std::string& errorText = {});

// Writes the names into the table: row i gets the name of line i in the
// Name column and i in decimal in the line-number column. Rows after the
// last name are left alone.
void FillNameColumns(ConfigTable& table, const std::vector<std::string>& names);

} // namespace kevo::setup
