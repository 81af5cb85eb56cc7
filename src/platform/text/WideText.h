// SPDX-License-Identifier: Apache-2.0
#pragma once

// The program's UTF-8 text as the UTF-16 of the Windows "W" functions, and
// back (Windows only). Nothing is lost either way: an escaped byte or a lone
// surrogate in the text becomes that surrogate's code unit, and a lone
// surrogate that the system gives becomes its three-byte sequence.

#ifndef _WIN32
#error "WideText.h is for the Windows build only"
#endif

#include <cstddef>
#include <string>
#include <string_view>

namespace kevo::platform {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

// The text of a fixed-size field of wide characters: up to the first NUL,
// or the whole field when it has none.
std::string Utf8FromWideField(const wchar_t* field, std::size_t length);

} // namespace kevo::platform
