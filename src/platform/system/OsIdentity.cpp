// SPDX-License-Identifier: Apache-2.0
#include "platform/system/OsIdentity.h"

#include <sstream>

namespace kevo::platform {
namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool IsKeyCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// Removes the shell-style quoting of an os-release value. A value whose
// quotes are not closed is taken as it stands after its opening quote.
std::string Unquote(const std::string& raw) {
    if (raw.empty() || (raw.front() != '"' && raw.front() != '\''))
        return raw;
    const char quote = raw.front();
    std::string value;
    for (std::size_t i = 1; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == quote)
            break;
        if (quote == '"' && c == '\\' && i + 1 < raw.size()) {
            const char next = raw[i + 1];
            if (next == '"' || next == '\\' || next == '$' || next == '`') {
                value += next;
                ++i;
                continue;
            }
        }
        value += c;
    }
    return value;
}

} // namespace

std::map<std::string, std::string> ParseOsRelease(const std::string& text) {
    std::map<std::string, std::string> values;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = Trim(line);
        if (line.empty() || line.front() == '#')
            continue;
        const auto equals = line.find('=');
        if (equals == std::string::npos || equals == 0)
            continue;
        const std::string key = line.substr(0, equals);
        bool valid = true;
        for (const char c : key)
            valid = valid && IsKeyCharacter(c);
        if (!valid)
            continue;
        values[key] = Unquote(line.substr(equals + 1));
    }
    return values;
}

OsIdentity MakeOsIdentity(const std::string& osReleaseText, const std::string& kernelName,
                          const std::string& kernelRelease) {
    const auto values = ParseOsRelease(osReleaseText);
    const auto value = [&](const char* key) {
        const auto it = values.find(key);
        return it == values.end() ? std::string() : it->second;
    };
    OsIdentity identity;
    identity.name = value("NAME");
    identity.versionId = value("VERSION_ID");
    identity.prettyName = value("PRETTY_NAME");
    identity.kernelName = kernelName;
    identity.kernelRelease = kernelRelease;
    return identity;
}

} // namespace kevo::platform
