// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>

namespace kevo::tools {

// Text for a terminal, character for character except that a backslash is
// written as "\\", a control character (codes 0 to 31, and 127) as "\xHH"
// and one of U+0080 to U+009F as "\uHHHH", so that a text can never break a
// line of output or move the cursor. A byte that is no text (an escaped byte,
// a byte that is not part of well-formed UTF-8, a surrogate's bytes) is
// written as "\xHH" too. Letters beyond ASCII are written as they are.
std::string EscapedText(std::string_view text);

// EscapedText in double quotes; a double quote inside is written as "\"".
std::string QuotedText(std::string_view text);

} // namespace kevo::tools
