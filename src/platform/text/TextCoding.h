// SPDX-License-Identifier: Apache-2.0
#pragma once

// Text inside the program is UTF-8. The files and the system speak other
// encodings: the host application (a Windows program, native or under Wine)
// writes its files in its 8-bit code page, Notepad and PowerShell write
// UTF-8 or UTF-16 with a byte-order mark. These functions are the one way
// between the two: decoding where a file or the system is read, encoding
// where a file is written. The conversions themselves are the system's own
// (iconv on POSIX systems, MultiByteToWideChar and WideCharToMultiByte on
// Windows); only UTF-8 and UTF-16, which are algorithms, are done here.
//
// Decoding never loses a byte: a byte that the encoding leaves undefined
// (0x81 in code page 1252, a stray byte in UTF-8) becomes one of the 128
// "escaped bytes" U+DC80 to U+DCFF, held as their three-byte sequences, and
// encoding back into the same kind of encoding gives the byte again. So a
// file read and written unchanged keeps every byte. Escaped bytes are not
// valid UTF-8: Qt and the JSON writer show them as U+FFFD.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kevo::platform {

// Windows code page numbers; 65001 is UTF-8.
inline constexpr int kCodePageUtf8 = 65001;
// What Wine gives a Windows program under the C locale and under languages
// it has no other code page for.
inline constexpr int kCodePageWestern = 1252;

// The environment variable that sets the code page of the files for the
// program and the companion commands: a code page number or "utf-8".
inline constexpr const char* kCodePageVariable = "KEVOCONF_CODEPAGE";

// The code page in which the host reads and writes its files when they are
// not UTF-16: KEVOCONF_CODEPAGE when it is set to one this system converts;
// otherwise on Windows the system's ANSI code page, and elsewhere the one
// that Wine gives a Windows program for the user's locale (CodePageOfLocale
// of the first of LC_ALL, LC_CTYPE and LANG that is set and not empty).
int HostCodePage();

// Empty, or a warning in the program's words when KEVOCONF_CODEPAGE is set
// to something that is not a code page this system converts (it is then
// ignored).
std::string CodePageSettingProblem();

// The code page a setting names: digits ("1250"), or "utf-8"/"utf8" in any
// letter case (kCodePageUtf8); nothing for anything else.
std::optional<int> ParseCodePageSetting(std::string_view setting);

// The code page Wine gives a Windows program under a POSIX locale name
// ("hu_HU.UTF-8", "sr_RS@latin", "C"): by the language, and for Chinese and
// Serbian also the territory or script. C, POSIX, an empty name and
// languages without an 8-bit code page of their own give 1252.
int CodePageOfLocale(std::string_view locale);

// Whether this system can convert the code page.
bool IsConvertibleCodePage(int codePage);

// The bytes of a file in a code page, as text. Undefined bytes are escaped
// (above). kCodePageUtf8 checks the bytes and escapes what is not UTF-8.
std::string DecodeCodePage(std::string_view bytes, int codePage);

// A character that an encoding cannot hold (its code point).
struct Unencodable {
    char32_t character = 0;
};

// The text in a code page, appended to bytes; the first character the code
// page has no place for otherwise (bytes then holds what came before it).
// Never a substitute character and never a "best fit" letter. Escaped bytes
// become their bytes again.
std::optional<Unencodable> EncodeCodePage(std::string_view text, int codePage, std::string& bytes);

// UTF-16 bytes (without their mark) as text. A lone surrogate is kept as
// its own three-byte sequence, so that EncodeUtf16 gives the same bytes
// back, except one from U+DC80 to U+DCFF, which reads as an escaped byte
// and cannot be written again; an odd last byte is an escaped byte too.
std::string DecodeUtf16(std::string_view bytes, bool bigEndian);
// The text as UTF-16 LE or BE bytes, appended to bytes. An escaped byte
// (one that came from an 8-bit file) has no place in UTF-16.
std::optional<Unencodable> EncodeUtf16(std::string_view text, bool bigEndian, std::string& bytes);

// The byte-order mark a file's bytes begin with, and its length.
enum class ByteOrderMark { None, Utf8, Utf16Le, Utf16Be };
ByteOrderMark MarkOf(std::string_view bytes);
std::size_t MarkLength(ByteOrderMark mark);
// The mark's bytes.
std::string_view MarkBytes(ByteOrderMark mark);

// Whether the bytes are well-formed UTF-8 (no escaped bytes, no
// surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// The next character of text at offset, moving offset past it; an invalid
// byte comes back as an escaped byte of its own.
char32_t NextCharacter(std::string_view text, std::size_t& offset);
// A character as UTF-8, appended to text.
void AppendCharacter(std::string& text, char32_t character);

// A character for a message: the letter in quotation marks and its code
// point, "\"Ő\" (U+0150)"; an escaped byte as "the byte 0x81".
std::string DescribeCharacter(char32_t character);

// Whether two texts are the same ignoring letter case: character by
// character after simple Unicode upper-case mapping, the same in every
// locale (no Turkish dotted I), as Windows' ordinal comparison ignoring
// case does.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

// The text cut to at most count characters, never inside one.
std::string CutToCharacters(std::string_view text, std::size_t count);

// Text for the commands' text output: in the encoding of the user's locale
// (on Windows the console's code page on a console, the ANSI code page when
// redirected), with "?" for what that encoding cannot hold.
// fd is 1 (standard output) or 2 (standard error).
std::string ToOutputText(std::string_view text, int fd = 1);
// A command-line argument given in the encoding of the user's locale, as
// text.
std::string FromArgumentText(std::string_view bytes);

} // namespace kevo::platform
