// SPDX-License-Identifier: Apache-2.0
#include "platform/CommandLine.h"

namespace kevo::platform {
namespace {

bool IsSeparator(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

// Reads one argument from position pos on, after skipping separators and
// empty quoted pairs; leaves pos after the argument.
std::string NextArgument(std::string_view line, std::size_t& pos) {
    for (;;) {
        while (pos < line.size() && IsSeparator(line[pos]))
            ++pos;
        if (pos + 1 < line.size() && line[pos] == '"' && line[pos + 1] == '"')
            pos += 2;
        else
            break;
    }
    std::string argument;
    bool quoted = false;
    while (pos < line.size()) {
        const char c = line[pos];
        if (c == '\0' || (!quoted && IsSeparator(c)))
            break;
        ++pos;
        if (c == '"')
            quoted = !quoted;
        else
            argument += c;
    }
    return argument;
}

int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value;
}

} // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    // A NUL ends the command line as it ends the system's string.
    commandLine = commandLine.substr(0, commandLine.find('\0'));
    std::vector<std::string> arguments;
    std::size_t pos = 0;
    for (;;) {
        std::string argument = NextArgument(commandLine, pos);
        if (argument.empty())
            break;
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::vector<std::string> ArgumentsFromCommandLine(std::string_view commandLine) {
    auto arguments = SplitCommandLine(commandLine);
    if (!arguments.empty())
        arguments.erase(arguments.begin());
    return arguments;
}

std::vector<std::string> ArgumentsFromArgv(int argc, const char* const* argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        if (argv[i] != nullptr && argv[i][0] != '\0')
            arguments.emplace_back(argv[i]);
    }
    return arguments;
}

std::optional<std::int32_t> ConvertToInt32(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ')
        ++pos;

    bool negative = false;
    int base = 10;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    } else if (pos < text.size() && (text[pos] == '$' || text[pos] == 'x' || text[pos] == 'X')) {
        base = 16;
        ++pos;
    } else if (pos + 1 < text.size() && text[pos] == '0' &&
               (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    }

    if (pos >= text.size())
        return std::nullopt;
    // The magnitude is kept in 64 bits and checked after every digit, so a
    // long run of digits can never overflow the accumulator.
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        const int digit = DigitValue(text[pos], base);
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::optional<int> ParseRunMode(const std::vector<std::string>& arguments) {
    if (arguments.empty())
        return std::nullopt;
    const auto value = ConvertToInt32(arguments.front());
    if (!value || *value < 0 || *value > 2)
        return std::nullopt;
    return *value;
}

} // namespace kevo::platform
