// SPDX-License-Identifier: Apache-2.0
#pragma once

// One table of command lines with what each must give: the arguments, the
// run mode, and the names file and setup file that the path rules resolve.
// The Linux unit tests and the Windows test runner both check every row, so
// that the two builds agree; the Windows runner also hands each command line
// to a program of its own and reads it back through GetCommandLineW.

#include "setup/PathResolution.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kevo::testing {

// The program's own path as it leads every command line: quoted, since it
// holds a blank.
inline const std::string kProgramPath = "\"C:\\Program Files\\Kevo\\kevoconf.exe\"";

struct CommandLineCase {
    const char* name;
    // The command line after the program's path and one blank.
    std::string arguments;
    std::vector<std::string> expectedArguments;
    std::optional<int> expectedRunMode;
    // Resolved on Windows with kWindowsFolders.
    std::string expectedNamesFile;
    std::string expectedSetupFile;
};

// The folders and files of the Windows machine the rows are resolved on.
struct Folders {
    setup::PathStyle style;
    std::string executableDirectory;
    std::string setupFileFolder;
    std::set<std::string> existingFiles;
};

inline const Folders kWindowsFolders{
    setup::PathStyle::Windows,
    "C:\\Program Files\\Kevo\\",
    "C:\\WINDOWS",
    {"C:\\Program Files\\Kevo\\KevoName.txt", "C:\\Program Files\\Kevo\\Local.txt",
     "C:\\WINDOWS\\Other.txt"},
};

inline const std::string kExe = "C:\\Program Files\\Kevo\\";
inline const std::string kWin = "C:\\WINDOWS\\";

inline const std::vector<CommandLineCase> kCommandLineCases = {
    // Defaults: the names file beside the program when it is there, the
    // setup file always in the Windows directory.
    {"NoArguments", "", {}, std::nullopt, kExe + "KevoName.txt", kWin + "Vezerava.ini"},
    {"ModeOnly", "0", {"0"}, 0, kExe + "KevoName.txt", kWin + "Vezerava.ini"},
    {"ModeOne", "1", {"1"}, 1, kExe + "KevoName.txt", kWin + "Vezerava.ini"},
    {"NamesOnlyInWindowsDirectory",
     "2 Other.txt",
     {"2", "Other.txt"},
     2,
     kWin + "Other.txt",
     kWin + "Vezerava.ini"},
    {"NamesNowhere",
     "2 names.txt",
     {"2", "names.txt"},
     2,
     kWin + "names.txt",
     kWin + "Vezerava.ini"},
    {"NamesBesideProgram",
     "1 Local.txt setup.ini",
     {"1", "Local.txt", "setup.ini"},
     1,
     kExe + "Local.txt",
     kWin + "setup.ini"},
    // The setup file never comes from beside the program.
    {"SetupBesideProgramIgnored",
     "1 Local.txt Local.txt",
     {"1", "Local.txt", "Local.txt"},
     1,
     kExe + "Local.txt",
     kWin + "Local.txt"},
    {"FullPaths",
     "0 C:\\data\\n.txt D:\\s.ini",
     {"0", "C:\\data\\n.txt", "D:\\s.ini"},
     0,
     "C:\\data\\n.txt",
     "D:\\s.ini"},
    {"RelativePathsStay",
     "0 ..\\rel\\n.txt rel\\s.ini",
     {"0", "..\\rel\\n.txt", "rel\\s.ini"},
     0,
     "..\\rel\\n.txt",
     "rel\\s.ini"},
    // Neither a forward slash nor a drive prefix counts as a backslash.
    {"ForwardSlashIsNoSeparator",
     "0 dir/n.txt a/s.ini",
     {"0", "dir/n.txt", "a/s.ini"},
     0,
     kWin + "dir/n.txt",
     kWin + "a/s.ini"},
    {"DrivePrefixIsNoSeparator",
     "0 C:n.txt",
     {"0", "C:n.txt"},
     0,
     kWin + "C:n.txt",
     kWin + "Vezerava.ini"},
    {"ArgumentsAfterTheThirdIgnored",
     "1 a b c d",
     {"1", "a", "b", "c", "d"},
     1,
     kWin + "a",
     kWin + "b"},
    // Run-mode conversion.
    {"ModeThree", "3", {"3"}, std::nullopt, kExe + "KevoName.txt", kWin + "Vezerava.ini"},
    {"ModeNegative", "-1", {"-1"}, std::nullopt, kExe + "KevoName.txt", kWin + "Vezerava.ini"},
    {"ModeMinusZero", "-0", {"-0"}, 0, kExe + "KevoName.txt", kWin + "Vezerava.ini"},
    {"ModeTrailingLetter",
     "1a",
     {"1a"},
     std::nullopt,
     kExe + "KevoName.txt",
     kWin + "Vezerava.ini"},
    {"ModeDecimalPoint",
     "1.0",
     {"1.0"},
     std::nullopt,
     kExe + "KevoName.txt",
     kWin + "Vezerava.ini"},
    {"ModePlusSign", "+1", {"+1"}, 1, kExe + "KevoName.txt", kWin + "Vezerava.ini"},
    {"ModeLeadingZero", "01", {"01"}, 1, kExe + "KevoName.txt", kWin + "Vezerava.ini"},
    {"ModeDollarHex", "$2", {"$2"}, 2, kExe + "KevoName.txt", kWin + "Vezerava.ini"},
    {"ModeZeroXHex", "0x0", {"0x0"}, 0, kExe + "KevoName.txt", kWin + "Vezerava.ini"},
    {"ModeUpperXHex", "X2", {"X2"}, 2, kExe + "KevoName.txt", kWin + "Vezerava.ini"},
    {"ModeSignedHex", "-$1", {"-$1"}, std::nullopt, kExe + "KevoName.txt", kWin + "Vezerava.ini"},
    {"ModeHexWithoutDigits",
     "0x",
     {"0x"},
     std::nullopt,
     kExe + "KevoName.txt",
     kWin + "Vezerava.ini"},
    {"ModeTooLarge",
     "2147483648",
     {"2147483648"},
     std::nullopt,
     kExe + "KevoName.txt",
     kWin + "Vezerava.ini"},
    {"ModeHexTooLarge",
     "$80000000",
     {"$80000000"},
     std::nullopt,
     kExe + "KevoName.txt",
     kWin + "Vezerava.ini"},
    {"ModeQuotedWithLeadingBlank",
     "\" 2\"",
     {" 2"},
     2,
     kExe + "KevoName.txt",
     kWin + "Vezerava.ini"},
    // Splitting.
    {"QuotedBlanks",
     "\"1\" \"My Names.txt\" \"My Setup.ini\"",
     {"1", "My Names.txt", "My Setup.ini"},
     1,
     kWin + "My Names.txt",
     kWin + "My Setup.ini"},
    {"QuoteInsideArgument",
     "0 a\"b c\"d",
     {"0", "ab cd"},
     0,
     kWin + "ab cd",
     kWin + "Vezerava.ini"},
    {"UnclosedQuoteRunsToTheEnd",
     "1 \"open name.txt",
     {"1", "open name.txt"},
     1,
     kWin + "open name.txt",
     kWin + "Vezerava.ini"},
    // An empty quoted pair where an argument would begin is skipped, so the
    // names file becomes the first argument.
    {"EmptyQuotedModeSkipped",
     "\"\" names.txt",
     {"names.txt"},
     std::nullopt,
     kExe + "KevoName.txt",
     kWin + "Vezerava.ini"},
    {"EmptyQuotedPairsSkipped",
     "0 \"\" \"\" s.ini",
     {"0", "s.ini"},
     0,
     kWin + "s.ini",
     kWin + "Vezerava.ini"},
    {"OnlyBlanks", "   ", {}, std::nullopt, kExe + "KevoName.txt", kWin + "Vezerava.ini"},
    {"RunsOfBlanks", "   1    n.txt   ", {"1", "n.txt"}, 1, kWin + "n.txt", kWin + "Vezerava.ini"},
    {"ControlCharactersSeparate",
     "1\tn.txt\x01s.ini",
     {"1", "n.txt", "s.ini"},
     1,
     kWin + "n.txt",
     kWin + "s.ini"},
    // Letters beyond ASCII are kept as they are, in the program's UTF-8.
    {"LettersBeyondAsciiKept",
     "0 Büro.txt Őrzött.ini",
     {"0", "Büro.txt", "Őrzött.ini"},
     0,
     kWin + "Büro.txt",
     kWin + "Őrzött.ini"},
};

// The same path rules on a POSIX system, where "/" is the separator.
struct PosixPathCase {
    const char* name;
    std::vector<std::string> arguments;
    std::string expectedNamesFile;
    std::string expectedSetupFile;
};

inline const Folders kPosixFolders{
    setup::PathStyle::Posix,
    "/opt/kevo/bin/",
    "/home/ann/.config/kevoconf",
    {"/opt/kevo/bin/KevoName.txt", "/opt/kevo/bin/Local.txt"},
};

inline const std::vector<PosixPathCase> kPosixPathCases = {
    {"Defaults", {"0"}, "/opt/kevo/bin/KevoName.txt", "/home/ann/.config/kevoconf/Vezerava.ini"},
    {"NamesBesideProgram",
     {"0", "Local.txt", "s.ini"},
     "/opt/kevo/bin/Local.txt",
     "/home/ann/.config/kevoconf/s.ini"},
    {"NamesInConfigurationFolder",
     {"0", "n.txt"},
     "/home/ann/.config/kevoconf/n.txt",
     "/home/ann/.config/kevoconf/Vezerava.ini"},
    {"SlashPathsStay", {"0", "data/n.txt", "/etc/s.ini"}, "data/n.txt", "/etc/s.ini"},
    // A backslash is an ordinary character there.
    {"BackslashIsNoSeparator",
     {"0", "a\\n.txt"},
     "/home/ann/.config/kevoconf/a\\n.txt",
     "/home/ann/.config/kevoconf/Vezerava.ini"},
};

// The path context of a table's machine.
inline setup::PathContext ContextFor(const Folders& folders) {
    setup::PathContext context;
    context.style = folders.style;
    context.executableDirectory = folders.executableDirectory;
    context.setupFileFolder = folders.setupFileFolder;
    context.fileExists = [files = folders.existingFiles](const std::string& path) {
        return files.count(path) != 0;
    };
    return context;
}

} // namespace kevo::testing
