// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>

namespace kevo::tools {

// Text for a terminal, byte for byte except that a backslash is written as
// "\\" and a control character (codes 0 to 31, and 127) as "\xHH", so that a
// text can never break a line of output or move the cursor. Other bytes,
// UTF-8 or not, are written as they are.
std::string EscapedText(std::string_view text);

// EscapedText in double quotes; a double quote inside is written as "\"".
std::string QuotedText(std::string_view text);

} // namespace kevo::tools
