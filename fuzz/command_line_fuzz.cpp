// SPDX-License-Identifier: Apache-2.0
// The command line: splitting a whole command-line string into arguments,
// and converting the run mode.
//
// What must hold:
// - the split never gives an empty argument, nor one holding a double quote
//   or a NUL; quoting every argument and splitting again gives them back;
//   the program's arguments are the split without the first;
// - argv-style arguments never include an empty one;
// - the conversion to a 32-bit integer agrees with a plain reading of the
//   rules (leading blanks, then a sign and decimal digits, or "$", "x", "X",
//   "0x", "0X" and hexadecimal digits; nothing after the digits; the value
//   within the signed 32-bit range), and the run mode is that value when it
//   is 0, 1 or 2.

#include "FuzzInput.h"

#include "platform/CommandLine.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using kevo::fuzz::Check;
using kevo::fuzz::FuzzInput;

int DigitValue(char c, bool hexadecimal) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (hexadecimal && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (hexadecimal && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::int32_t> ConvertByTheRules(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    bool negative = false;
    bool hexadecimal = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    } else if (!text.empty() &&
               (text.front() == '$' || text.front() == 'x' || text.front() == 'X')) {
        hexadecimal = true;
        text.remove_prefix(1);
    } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        hexadecimal = true;
        text.remove_prefix(2);
    }
    if (text.empty())
        return std::nullopt;
    for (const char c : text) {
        if (DigitValue(c, hexadecimal) < 0)
            return std::nullopt;
    }
    // Leading zeros do not count towards the size of the number.
    while (text.size() > 1 && text.front() == '0')
        text.remove_prefix(1);
    if (text.size() > 12)
        return std::nullopt;
    __int128 value = 0;
    for (const char c : text)
        value = value * (hexadecimal ? 16 : 10) + DigitValue(c, hexadecimal);
    if (negative)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

void CheckConversion(const std::string& text) {
    const auto got = kevo::platform::ConvertToInt32(text);
    const auto expected = ConvertByTheRules(text);
    Check(got == expected, "the conversion differs from the rules");
    const auto mode = kevo::platform::ParseRunMode({text});
    const bool valid = expected && *expected >= 0 && *expected <= 2;
    Check(mode.has_value() == valid && (!valid || *mode == *expected),
          "the run mode differs from the conversion");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::string line = in.Rest();

    const std::vector<std::string> split = kevo::platform::SplitCommandLine(line);
    std::string quoted;
    for (const std::string& argument : split) {
        Check(!argument.empty(), "an empty argument");
        Check(argument.find('"') == std::string::npos, "an argument keeps a double quote");
        Check(argument.find('\0') == std::string::npos, "an argument holds a NUL");
        quoted += "\"" + argument + "\" ";
    }
    Check(kevo::platform::SplitCommandLine(quoted) == split,
          "quoted arguments do not split into themselves");
    const auto arguments = kevo::platform::ArgumentsFromCommandLine(line);
    Check(
        arguments.size() == (split.empty() ? 0 : split.size() - 1) &&
            std::equal(arguments.begin(), arguments.end(), split.begin() + (split.empty() ? 0 : 1)),
        "the program's arguments are not the split without its first");

    // The same bytes as argv: NUL ends each argument.
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == '\0') {
            pieces.push_back(line.substr(start, i - start));
            start = i + 1;
        }
    }
    std::vector<const char*> argv;
    for (const std::string& piece : pieces)
        argv.push_back(piece.c_str());
    const auto fromArgv =
        kevo::platform::ArgumentsFromArgv(static_cast<int>(argv.size()), argv.data());
    std::size_t nonEmpty = 0;
    for (std::size_t i = 1; i < pieces.size(); ++i)
        nonEmpty += pieces[i].empty() ? 0 : 1;
    Check(fromArgv.size() == nonEmpty, "argv gives a wrong number of arguments");
    for (const std::string& argument : fromArgv)
        Check(!argument.empty(), "argv gives an empty argument");

    CheckConversion(line);
    for (const std::string& argument : split)
        CheckConversion(argument);
    return 0;
}
