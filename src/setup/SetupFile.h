// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "setup/PathResolution.h"
#include "setup/SetupMerge.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kevo::platform {
class ProfileWriteError;
}

namespace kevo::setup {

class ConfigTable;

// The setup file keeps one section per configuration line, named by the
// line number, with these keys in this order; each mirrors columns 1 to 8.
inline constexpr std::array<std::string_view, 8> kSetupKeys = {
    "Name",         "Device",           "Port",        "Driver", "PaperSourceName1",
    "PaperSource1", "PaperSourceName2", "PaperSource2"};

enum class SetupLoad { Loaded, FileMissing, Unreadable };

// A cell's text as the setup file stores it, so that reading it back gives
// the same text: inside double quotation marks when it begins or ends with a
// blank, or is enclosed in a pair of quotation marks; unchanged otherwise.
std::string StoredValue(const std::string& value);

// Loads columns 2 to 8 of all 99 lines from the setup file, gives a line
// whose stored name is not empty and differs from its Name cell the name
// token, and clears the Errors and Changed columns. When no file exists at
// the path nothing in the table changes and FileMissing tells the caller to
// ask whether to configure all lines now (a directory of that name is no
// file either). A file that is there but cannot be read loads as empty, as
// the host's profile functions read it: Unreadable, and readProblem, when
// given, takes why (SetupFileReadProblem).
// base, when given, takes the file's lines as read (no sections for a
// missing or unreadable file): the base of the window's next save.
SetupLoad LoadSetupFile(ConfigTable& table, const std::string& path, SetupSnapshot* base = nullptr,
                        std::string* readProblem = nullptr);

// Why the setup file at path cannot be read, in the system's words
// ("Permission denied", "Not a regular file", "Is a directory"); empty when
// it can, and when nothing is there.
std::string SetupFileReadProblem(const std::string& path);

// The warning for a setup file that is there but cannot be read: its path,
// the problem, and what that means for the table and for saving.
std::string UnreadableSetupFileWarning(const std::string& path, const std::string& problem);

// The setup file's lines as they read now; nothing when the file is there
// but cannot be read.
std::optional<SetupSnapshot> ReadSetupSnapshot(const std::string& path);

// Decides the conflicts of a save: keep the window's values, take the other
// program's, or nothing (the save is cancelled).
using ConflictResolver =
    std::function<std::optional<ConflictChoice>(const std::vector<SetupConflict>&)>;

struct SaveReport {
    bool cancelled = false;          // conflicts, and the resolver cancelled: nothing written
    std::vector<int> linesFromDisk;  // lines that took another program's values
    bool writtenAnew = false;        // another program had deleted the file
};

// Writes the table to the setup file: every named line's section gets the
// eight keys, every unnamed line's section is erased; the Changed column and
// the modified flag are cleared. Raises ProfileWriteError ("Unable to write
// to <path>") when the system refuses the write; the file is then exactly
// as it was, and so are the Changed marks and the modified flag, since
// nothing was saved. A cell that the file's encoding cannot hold (a printer
// name with a letter its code page lacks) is never written as something
// else: the save is refused before anything is written, with a KevoError
// that names the line, the column and the character.
//
// A file that begins with a UTF-8 or a UTF-16 big-endian mark, which Windows
// programs read otherwise than this program would write it, is not saved
// over: the save is refused the same way. Nor is a file that is there but
// cannot be read: ProfileWriteError, whose advice says why.
//
// The file keeps its encoding and its mark (see ProfileFile); values that
// did not change keep their bytes, so a save of an untouched table leaves
// the file as it was.
void SaveSetupFile(ConfigTable& table, const std::string& path);

// The save of a window that read the file earlier: what the file holds now
// is merged with the table over base (MergeSetup), conflicts go to resolve,
// and the merge is written as above; the table takes the values that came
// from the file, and base becomes the file as written. The merge is made
// under a WriterLock and written only if the file did not change meanwhile;
// else it is made again, a few times at most. A file that another program
// deleted since base is written anew from the table.
SaveReport SaveSetupFile(ConfigTable& table, const std::string& path, SetupSnapshot& base,
                         const ConflictResolver& resolve);

// The second line of a refused save of a setup file that lies in the
// Windows directory (or a folder below it), where only an administrator may
// change files: why, and how to go on. Empty when the system refused for
// another reason than access, or the file lies elsewhere.
std::string AdministratorOnlyAdvice(const platform::ProfileWriteError& error,
                                    const std::string& windowsDir, PathStyle style);

// What a Windows host will and will not see in a setup file that begins
// with a byte-order mark its profile functions do not understand: a UTF-8
// mark (it belongs to the first line, so a section header there is not
// seen) or a UTF-16 big-endian mark (the file reads as no settings at all).
// The warning names the file and the lines concerned; empty for every other
// file, a missing one included.
std::string SetupFileMarkWarning(const std::string& path);

// The names stored in the setup file for lines 1 to 99 (index 0 unused);
// empty texts for a missing or unreadable file.
std::array<std::string, 100> ReadStoredNames(const std::string& path);

} // namespace kevo::setup
