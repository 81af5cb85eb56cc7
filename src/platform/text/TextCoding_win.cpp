// SPDX-License-Identifier: Apache-2.0
// The system side of the program's text on Windows: the code pages through
// MultiByteToWideChar and WideCharToMultiByte, case through the invariant
// locale, the console's code page for the commands' output.

#include "platform/text/TextSystem.h"
#include "platform/text/WideText.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <vector>

namespace kevo::platform {

namespace {

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendUnits(std::wstring& wide, char32_t c) {
    if (c >= 0x10000) {
        wide += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
        wide += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
        wide += static_cast<wchar_t>(c);
    }
}

int ToInt(std::size_t size) {
    return static_cast<int>(std::min<std::size_t>(size, 0x7FFFFFFF));
}

// MultiByteToWideChar refusing what the code page does not define; some
// code pages take no flags at all, and are then asked without.
bool DecodeStrict(UINT codePage, std::string_view bytes, std::wstring& wide) {
    wide.clear();
    if (bytes.empty())
        return true;
    DWORD flags = MB_ERR_INVALID_CHARS;
    int length =
        MultiByteToWideChar(codePage, flags, bytes.data(), ToInt(bytes.size()), nullptr, 0);
    if (length == 0 && GetLastError() == ERROR_INVALID_FLAGS) {
        flags = 0;
        length =
            MultiByteToWideChar(codePage, flags, bytes.data(), ToInt(bytes.size()), nullptr, 0);
    }
    if (length <= 0)
        return false;
    wide.resize(static_cast<std::size_t>(length));
    return MultiByteToWideChar(codePage, flags, bytes.data(), ToInt(bytes.size()), wide.data(),
                               length) == length;
}

// WideCharToMultiByte without substitutes or best-fit letters: false when a
// character has no place in the code page.
bool EncodeStrict(UINT codePage, std::wstring_view wide, std::string& bytes) {
    bytes.clear();
    if (wide.empty())
        return true;
    BOOL usedDefault = FALSE;
    int length = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                     ToInt(wide.size()), nullptr, 0, nullptr, &usedDefault);
    if (length > 0 && usedDefault == FALSE) {
        bytes.resize(static_cast<std::size_t>(length));
        return WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), ToInt(wide.size()),
                                   bytes.data(), length, nullptr, &usedDefault) == length &&
               usedDefault == FALSE;
    }
    if (length > 0 ||
        (GetLastError() != ERROR_INVALID_FLAGS && GetLastError() != ERROR_INVALID_PARAMETER))
        return false;
    // A code page that takes neither the flag nor the question: the bytes
    // count only when they read back as the same text.
    length = WideCharToMultiByte(codePage, 0, wide.data(), ToInt(wide.size()), nullptr, 0, nullptr,
                                 nullptr);
    if (length <= 0)
        return false;
    bytes.resize(static_cast<std::size_t>(length));
    if (WideCharToMultiByte(codePage, 0, wide.data(), ToInt(wide.size()), bytes.data(), length,
                            nullptr, nullptr) != length)
        return false;
    std::wstring back;
    return DecodeStrict(codePage, bytes, back) && back == wide;
}

// The largest number of bytes one character of the code page takes.
std::size_t MaxCharacterBytes(UINT codePage) {
    CPINFO info{};
    if (GetCPInfo(codePage, &info) == 0 || info.MaxCharSize < 1)
        return 1;
    return info.MaxCharSize;
}

} // namespace

std::wstring WideFromUtf8(std::string_view text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (std::size_t offset = 0; offset < text.size();)
        AppendUnits(wide, NextCharacter(text, offset));
    return wide;
}

std::string Utf8FromWide(std::wstring_view wide) {
    std::string text;
    text.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const char32_t unit = static_cast<char16_t>(wide[i]);
        if (IsHighSurrogate(unit) && i + 1 < wide.size()) {
            const char32_t low = static_cast<char16_t>(wide[i + 1]);
            if (IsLowSurrogate(low)) {
                AppendCharacter(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendCharacter(text, unit); // a lone surrogate stays what it is
    }
    return text;
}

std::string Utf8FromWideField(const wchar_t* field, std::size_t length) {
    return Utf8FromWide(std::wstring_view(field, std::find(field, field + length, L'\0') - field));
}

namespace detail {

int SystemCodePage() {
    return static_cast<int>(GetACP());
}

bool SystemConverts(int codePage) {
    return IsValidCodePage(static_cast<UINT>(codePage)) != 0;
}

void SystemDecode(std::string_view bytes, int codePage, std::string& text) {
    const auto page = static_cast<UINT>(codePage);
    std::wstring wide;
    if (DecodeStrict(page, bytes, wide)) {
        text += Utf8FromWide(wide);
        return;
    }
    // Character by character: the shortest piece that converts is one
    // character; a byte that starts none is kept as an escaped byte.
    const std::size_t longest = MaxCharacterBytes(page);
    while (!bytes.empty()) {
        bool converted = false;
        for (std::size_t length = 1; length <= std::min(longest, bytes.size()); ++length) {
            if (DecodeStrict(page, bytes.substr(0, length), wide)) {
                text += Utf8FromWide(wide);
                bytes.remove_prefix(length);
                converted = true;
                break;
            }
        }
        if (!converted) {
            AppendEscapedByte(text, static_cast<unsigned char>(bytes.front()));
            bytes.remove_prefix(1);
        }
    }
}

std::optional<Unencodable> SystemEncode(std::string_view text, int codePage, std::string& bytes) {
    const auto page = static_cast<UINT>(codePage);
    std::string encoded;
    if (EncodeStrict(page, WideFromUtf8(text), encoded)) {
        bytes += encoded;
        return std::nullopt;
    }
    // One character at a time, up to the first that has no place.
    for (std::size_t offset = 0; offset < text.size();) {
        const char32_t c = NextCharacter(text, offset);
        std::wstring units;
        AppendUnits(units, c);
        if (IsHighSurrogate(c) || IsLowSurrogate(c) || !EncodeStrict(page, units, encoded))
            return Unencodable{c};
        bytes += encoded;
    }
    return std::nullopt;
}

char32_t UpperCase(char32_t character) {
    if (character < 0x80)
        return (character >= 'a' && character <= 'z') ? character - 'a' + 'A' : character;
    if (character >= 0x10000 || IsHighSurrogate(character) || IsLowSurrogate(character))
        return character;
    const auto unit = static_cast<wchar_t>(character);
    wchar_t upper = 0;
    if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, &unit, 1, &upper, 1, nullptr, nullptr,
                      0) != 1)
        return character;
    return static_cast<char16_t>(upper);
}

std::string SystemOutputText(std::string_view text, int fd) {
    // The console shows its own output code page; a file or a pipe gets the
    // ANSI code page, as other Windows programs write there.
    const HANDLE handle = GetStdHandle(fd == 2 ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    const UINT page =
        handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0
            ? GetConsoleOutputCP()
            : GetACP();
    // An escaped byte or a lone surrogate is no text: "?".
    std::string clean;
    for (std::size_t offset = 0; offset < text.size();) {
        const std::size_t at = offset;
        const char32_t c = NextCharacter(text, offset);
        if (IsHighSurrogate(c) || IsLowSurrogate(c))
            clean += '?';
        else
            clean.append(text.substr(at, offset - at));
    }
    if (page == kCodePageUtf8)
        return clean;
    const std::wstring wide = WideFromUtf8(clean);
    std::string out;
    if (EncodeStrict(page, wide, out))
        return out;
    out.clear();
    for (std::size_t offset = 0; offset < clean.size();) {
        const std::size_t at = offset;
        NextCharacter(clean, offset);
        std::string piece;
        if (EncodeStrict(page, WideFromUtf8(clean.substr(at, offset - at)), piece))
            out += piece;
        else
            out += '?';
    }
    return out;
}

std::string SystemArgumentText(std::string_view bytes) {
    return DecodeCodePage(bytes, static_cast<int>(GetACP()));
}

} // namespace detail

} // namespace kevo::platform
