// SPDX-License-Identifier: Apache-2.0
#include "platform/text/TextCoding.h"

#include "platform/text/TextSystem.h"

#include <array>
#include <cstdio>
#include <cstdlib>

namespace kevo::platform {

namespace {

constexpr char32_t kEscapeBase = 0xDC00; // an escaped byte b is U+DC00 + b (b >= 0x80)
constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// The length of the well-formed UTF-8 sequence at offset (surrogates count
// as well-formed here when allowSurrogates), or 0.
std::size_t SequenceLength(std::string_view text, std::size_t offset, bool allowSurrogates) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[offset + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED && !allowSurrogates)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (offset + length > text.size())
        return 0;
    if (byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    }
    return length;
}

char32_t Decode(std::string_view text, std::size_t offset, std::size_t length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[offset + i]); };
    switch (length) {
    case 1:
        return byte(0);
    case 2:
        return (char32_t{byte(0)} & 0x1F) << 6 | (byte(1) & 0x3F);
    case 3:
        return (char32_t{byte(0)} & 0x0F) << 12 | (char32_t{byte(1)} & 0x3F) << 6 |
               (byte(2) & 0x3F);
    default:
        return (char32_t{byte(0)} & 0x07) << 18 | (char32_t{byte(1)} & 0x3F) << 12 |
               (char32_t{byte(2)} & 0x3F) << 6 | (byte(3) & 0x3F);
    }
}

// Splits text at its escaped bytes: run(text piece) for what lies between
// them, escaped(byte) for each.
template <typename Run, typename Escaped>
auto ForEachRun(std::string_view text, Run run, Escaped escaped) -> std::optional<Unencodable> {
    std::size_t begin = 0;
    std::size_t offset = 0;
    while (offset < text.size()) {
        const std::size_t at = offset;
        const char32_t c = NextCharacter(text, offset);
        if (!detail::IsEscapedByte(c))
            continue;
        if (auto failure = run(text.substr(begin, at - begin)))
            return failure;
        if (auto failure = escaped(static_cast<unsigned char>(c - kEscapeBase)))
            return failure;
        begin = offset;
    }
    return run(text.substr(begin));
}

struct LanguageCodePage {
    std::string_view language;
    int codePage;
};

// Wine's ANSI code pages by language (its locale data); Chinese and Serbian
// also look at the territory or the script, below.
constexpr std::array<LanguageCodePage, 38> kLanguageCodePages = {{
    {"cs", 1250}, {"hu", 1250}, {"pl", 1250}, {"sk", 1250},  {"sl", 1250},  {"hr", 1250},
    {"ro", 1250}, {"sq", 1250}, {"bs", 1250}, {"hsb", 1250}, {"dsb", 1250}, {"ru", 1251},
    {"uk", 1251}, {"bg", 1251}, {"be", 1251}, {"mk", 1251},  {"kk", 1251},  {"ky", 1251},
    {"tt", 1251}, {"mn", 1251}, {"ba", 1251}, {"tg", 1251},  {"el", 1253},  {"tr", 1254},
    {"az", 1254}, {"uz", 1254}, {"he", 1255}, {"yi", 1255},  {"ar", 1256},  {"fa", 1256},
    {"ur", 1256}, {"et", 1257}, {"lv", 1257}, {"lt", 1257},  {"vi", 1258},  {"th", 874},
    {"ja", 932},  {"ko", 949},
}};

std::string_view Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string_view(value) : std::string_view();
}

} // namespace

namespace detail {

bool IsEscapedByte(char32_t c) {
    return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF;
}

void AppendEscapedByte(std::string& text, unsigned char byte) {
    // Bytes below 0x80 are ASCII in every encoding this program meets, but
    // a NUL or a stray byte in UTF-16 may still come here: keep it as it is.
    if (byte < 0x80)
        text += static_cast<char>(byte);
    else
        AppendCharacter(text, kEscapeBase + byte);
}

} // namespace detail

using detail::AppendEscapedByte;
using detail::IsEscapedByte;

char32_t NextCharacter(std::string_view text, std::size_t& offset) {
    const std::size_t length = SequenceLength(text, offset, true);
    if (length == 0) {
        const auto byte = static_cast<unsigned char>(text[offset++]);
        return kEscapeBase + byte;
    }
    const char32_t c = Decode(text, offset, length);
    offset += length;
    return c;
}

void AppendCharacter(std::string& text, char32_t c) {
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | (c >> 12));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (c >> 18));
        text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t offset = 0; offset < bytes.size();) {
        const std::size_t length = SequenceLength(bytes, offset, false);
        if (length == 0)
            return false;
        offset += length;
    }
    return true;
}

int CodePageOfLocale(std::string_view locale) {
    // language[_territory][.codeset][@modifier]
    const std::size_t languageEnd = locale.find_first_of("_.@");
    const std::string_view language = locale.substr(0, languageEnd);
    const std::size_t at = locale.find('@');
    const std::string_view modifier =
        at == std::string_view::npos ? std::string_view() : locale.substr(at + 1);
    std::string_view territory;
    if (languageEnd != std::string_view::npos && locale[languageEnd] == '_')
        territory = locale.substr(languageEnd + 1,
                                  locale.find_first_of(".@", languageEnd) - languageEnd - 1);
    if (language == "zh")
        return territory == "TW" || territory == "HK" || territory == "MO" ? 950 : 936;
    if (language == "sr")
        return modifier == "latin" ? 1250 : 1251;
    if (language == "uz" && modifier == "cyrillic")
        return 1251;
    for (const LanguageCodePage& entry : kLanguageCodePages) {
        if (entry.language == language)
            return entry.codePage;
    }
    return kCodePageWestern;
}

std::optional<int> ParseCodePageSetting(std::string_view setting) {
    std::string lower;
    for (const char c : setting)
        lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (lower == "utf-8" || lower == "utf8")
        return kCodePageUtf8;
    if (setting.empty() || setting.size() > 5 ||
        setting.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    return std::atoi(std::string(setting).c_str());
}

bool IsConvertibleCodePage(int codePage) {
    return codePage == kCodePageUtf8 || (codePage > 0 && detail::SystemConverts(codePage));
}

int HostCodePage() {
    const std::optional<int> setting = ParseCodePageSetting(Environment(kCodePageVariable));
    if (setting && IsConvertibleCodePage(*setting))
        return *setting;
    return detail::SystemCodePage();
}

std::string CodePageSettingProblem() {
    const std::string_view value = Environment(kCodePageVariable);
    if (value.empty())
        return {};
    const std::optional<int> setting = ParseCodePageSetting(value);
    if (setting && IsConvertibleCodePage(*setting))
        return {};
    return std::string(kCodePageVariable) + "=" + std::string(value) +
           " is not a code page this system can convert; it is ignored, and the files are "
           "read in code page " +
           std::to_string(detail::SystemCodePage()) + ".";
}

std::string DecodeCodePage(std::string_view bytes, int codePage) {
    std::string text;
    text.reserve(bytes.size());
    if (codePage != kCodePageUtf8) {
        detail::SystemDecode(bytes, codePage, text);
        return text;
    }
    // A surrogate's sequence stays as it stands, so that the bytes come back
    // the same; the sequence of an escaped byte must not, or it would come
    // back as that byte.
    for (std::size_t offset = 0; offset < bytes.size();) {
        std::size_t length = SequenceLength(bytes, offset, true);
        if (length == 3 && IsEscapedByte(Decode(bytes, offset, length)))
            length = 0;
        if (length == 0) {
            AppendEscapedByte(text, static_cast<unsigned char>(bytes[offset++]));
        } else {
            text.append(bytes.substr(offset, length));
            offset += length;
        }
    }
    return text;
}

std::optional<Unencodable> EncodeCodePage(std::string_view text, int codePage, std::string& bytes) {
    return ForEachRun(
        text,
        [&](std::string_view run) -> std::optional<Unencodable> {
            if (codePage != kCodePageUtf8)
                return detail::SystemEncode(run, codePage, bytes);
            bytes.append(run);
            return std::nullopt;
        },
        [&](unsigned char byte) -> std::optional<Unencodable> {
            bytes += static_cast<char>(byte);
            return std::nullopt;
        });
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::string text;
    text.reserve(bytes.size());
    const auto unit = [&](std::size_t i) -> char32_t {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (char32_t{first} << 8 | second) : (char32_t{second} << 8 | first);
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendCharacter(text, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendCharacter(text, c); // a lone surrogate stays what it is
    }
    if (i < bytes.size())
        AppendEscapedByte(text, static_cast<unsigned char>(bytes[i]));
    return text;
}

std::optional<Unencodable> EncodeUtf16(std::string_view text, bool bigEndian, std::string& bytes) {
    const auto put = [&](char32_t unit) {
        const auto high = static_cast<char>(unit >> 8);
        const auto low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    };
    for (std::size_t offset = 0; offset < text.size();) {
        const char32_t c = NextCharacter(text, offset);
        if (IsEscapedByte(c))
            return Unencodable{c};
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return std::nullopt;
}

ByteOrderMark MarkOf(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return ByteOrderMark::Utf8;
    if (bytes.starts_with("\xFF\xFE"))
        return ByteOrderMark::Utf16Le;
    if (bytes.starts_with("\xFE\xFF"))
        return ByteOrderMark::Utf16Be;
    return ByteOrderMark::None;
}

std::string_view MarkBytes(ByteOrderMark mark) {
    switch (mark) {
    case ByteOrderMark::Utf8:
        return "\xEF\xBB\xBF";
    case ByteOrderMark::Utf16Le:
        return "\xFF\xFE";
    case ByteOrderMark::Utf16Be:
        return "\xFE\xFF";
    case ByteOrderMark::None:
        break;
    }
    return {};
}

std::size_t MarkLength(ByteOrderMark mark) {
    return MarkBytes(mark).size();
}

std::string DescribeCharacter(char32_t character) {
    char code[32];
    if (IsEscapedByte(character)) {
        std::snprintf(code, sizeof code, "the byte 0x%02X",
                      static_cast<unsigned>(character - kEscapeBase));
        return code;
    }
    std::snprintf(code, sizeof code, " (U+%04X)", static_cast<unsigned>(character));
    std::string shown = "\"";
    if (character < 0x20 || IsSurrogate(character))
        AppendCharacter(shown, kReplacement);
    else
        AppendCharacter(shown, character);
    return shown + "\"" + code;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t x = NextCharacter(a, i);
        const char32_t y = NextCharacter(b, j);
        if (x != y && detail::UpperCase(x) != detail::UpperCase(y))
            return false;
    }
    return i == a.size() && j == b.size();
}

std::string CutToCharacters(std::string_view text, std::size_t count) {
    std::size_t offset = 0;
    for (std::size_t n = 0; n < count && offset < text.size(); ++n)
        NextCharacter(text, offset);
    return std::string(text.substr(0, offset));
}

std::string ToOutputText(std::string_view text, int fd) {
    return detail::SystemOutputText(text, fd);
}

std::string FromArgumentText(std::string_view bytes) {
    return detail::SystemArgumentText(bytes);
}

} // namespace kevo::platform
