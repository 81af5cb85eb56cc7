// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kevo::platform {

// Splits a whole command-line string into its arguments, the program's own
// path included as the first one. Runs of characters with codes 1 to 32
// separate arguments; a double quote opens a stretch that runs to the next
// double quote (or the end of the line) in which blanks belong to the
// argument, and the quote characters are dropped; a pair of double quotes
// where an argument would begin is skipped. An argument that comes out empty
// ends the list, so an empty argument can never be given.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// The program's arguments from a whole command line: the split without the
// program's own path.
std::vector<std::string> ArgumentsFromCommandLine(std::string_view commandLine);

// The program's arguments on a system that hands them over already split:
// argv without the program's own path and without empty arguments.
std::vector<std::string> ArgumentsFromArgv(int argc, const char* const* argv);

// The running program's arguments as this system hands them over: argv on
// POSIX systems (ArgumentsFromArgv); on Windows the whole command line of
// GetCommandLineW, as UTF-8, through ArgumentsFromCommandLine, argc and
// argv unused.
std::vector<std::string> ProgramArguments(int argc, const char* const* argv);

// Converts a whole text to a signed 32-bit integer: leading blanks skipped,
// then an optional "+" or "-" and decimal digits, or a hexadecimal number
// introduced by "$", "x", "X", "0x" or "0X" without a sign; nothing may
// follow the digits. Fails (nullopt) on an empty text, a missing digit, any
// other character, or a value outside the signed 32-bit range (hexadecimal
// values above 7FFFFFFF included).
std::optional<std::int32_t> ConvertToInt32(std::string_view text);

// The run mode given as the first argument: 0, 1 or 2, or nullopt when the
// argument is missing, does not convert, or holds another value.
std::optional<int> ParseRunMode(const std::vector<std::string>& arguments);

} // namespace kevo::platform
