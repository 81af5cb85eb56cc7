// SPDX-License-Identifier: Apache-2.0
#include "common/TextQuoting.h"

#include "platform/text/TextCoding.h"

#include <cstdio>

namespace kevo::tools {

namespace {

void AppendEscape(std::string& out, const char* format, unsigned value) {
    char escape[8];
    std::snprintf(escape, sizeof escape, format, value);
    out += escape;
}

std::string Escaped(std::string_view text, bool quoted) {
    std::string out;
    for (std::size_t offset = 0; offset < text.size();) {
        const std::size_t at = offset;
        const char32_t c = platform::NextCharacter(text, offset);
        if (c == '\\' || (quoted && c == '"')) {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 32 || c == 127) {
            AppendEscape(out, "\\x%02X", static_cast<unsigned>(c));
        } else if (c >= 0x80 && c <= 0x9F) {
            AppendEscape(out, "\\u%04X", static_cast<unsigned>(c));
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            // An escaped byte, or a byte that is not part of UTF-8: the byte.
            AppendEscape(out, "\\x%02X", static_cast<unsigned>(c - 0xDC00));
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            for (std::size_t i = at; i < offset; ++i)
                AppendEscape(out, "\\x%02X", static_cast<unsigned char>(text[i]));
        } else {
            out.append(text.substr(at, offset - at));
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
