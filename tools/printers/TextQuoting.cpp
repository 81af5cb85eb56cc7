// SPDX-License-Identifier: Apache-2.0
#include "TextQuoting.h"

#include <cstdio>

namespace kevo::tools {

namespace {

std::string Escaped(std::string_view text, bool quoted) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || (quoted && c == '"')) {
            out += '\\';
            out += c;
        } else if (byte < 32 || byte == 127) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

std::string EscapedText(std::string_view text) {
    return Escaped(text, false);
}

std::string QuotedText(std::string_view text) {
    return "\"" + Escaped(text, true) + "\"";
}

} // namespace kevo::tools
