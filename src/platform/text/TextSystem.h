// SPDX-License-Identifier: Apache-2.0
#pragma once

// What TextCoding asks of the system it runs on: TextCoding_posix.cpp and
// TextCoding_win.cpp each give these.

#include "platform/text/TextCoding.h"

namespace kevo::platform::detail {

// Appends a byte that no encoding defined as an escaped byte (U+DC80 to
// U+DCFF; bytes below 0x80 as they are); whether a character is one.
void AppendEscapedByte(std::string& text, unsigned char byte);
bool IsEscapedByte(char32_t character);

// The code page without KEVOCONF_CODEPAGE: the ANSI code page on Windows,
// CodePageOfLocale of the user's locale elsewhere.
int SystemCodePage();

// Whether the system converts this code page (never asked for UTF-8).
bool SystemConverts(int codePage);

// Decodes bytes of a code page other than UTF-8, appending UTF-8 to text;
// each byte the system cannot convert is appended as an escaped byte.
void SystemDecode(std::string_view bytes, int codePage, std::string& text);

// Encodes text (which holds no escaped bytes) into a code page other than
// UTF-8, appending to bytes; the first character that has no place
// otherwise.
std::optional<Unencodable> SystemEncode(std::string_view text, int codePage, std::string& bytes);

// The simple upper-case mapping of one character, the same in every locale.
char32_t UpperCase(char32_t character);

// Output and argument encodings of the commands (see ToOutputText and
// FromArgumentText).
std::string SystemOutputText(std::string_view text, int fd);
std::string SystemArgumentText(std::string_view bytes);

} // namespace kevo::platform::detail
