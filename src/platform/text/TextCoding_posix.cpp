// SPDX-License-Identifier: Apache-2.0
#include "platform/text/TextSystem.h"

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cwctype>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <mutex>

namespace kevo::platform::detail {

namespace {

// iconv's name for a Windows code page.
std::string IconvName(int codePage) {
    return "CP" + std::to_string(codePage);
}

// One iconv conversion, closed on every way out.
class Converter {
public:
    Converter(const std::string& to, const std::string& from)
        : cd_(iconv_open(to.c_str(), from.c_str())) {}
    ~Converter() {
        if (Ok())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of in as it can, appending to out; in keeps what is
    // left. The error that stopped it (EILSEQ, EINVAL), or 0.
    int Convert(std::string_view& in, std::string& out) {
        char buffer[4096];
        for (;;) {
            char* input = const_cast<char*>(in.data());
            std::size_t inputLeft = in.size();
            char* output = buffer;
            std::size_t outputLeft = sizeof buffer;
            const std::size_t result =
                iconv(cd_, in.empty() ? nullptr : &input, in.empty() ? nullptr : &inputLeft,
                      &output, &outputLeft);
            const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
            out.append(buffer, static_cast<std::size_t>(output - buffer));
            in.remove_prefix(in.size() - inputLeft);
            if (error == E2BIG)
                continue;
            if (error != 0)
                iconv(cd_, nullptr, nullptr, nullptr, nullptr); // back to the initial state
            if (error != 0 || in.empty())
                return error;
        }
    }

private:
    iconv_t cd_;
};

// The locale that case mapping uses, the same whatever the user's locale.
locale_t CaseLocale() {
    static const locale_t locale = [] {
        locale_t made = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        if (made == static_cast<locale_t>(nullptr))
            made = newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(nullptr));
        return made;
    }();
    return locale;
}

// The codeset of the user's locale, as the environment sets it (the
// commands do not call setlocale; the program's Qt does).
std::string LocaleCodeset() {
    static const std::string codeset = [] {
        const char* name = nullptr;
        for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
            const char* value = std::getenv(variable);
            if (value != nullptr && *value != '\0') {
                name = value;
                break;
            }
        }
        if (name == nullptr)
            return std::string("ANSI_X3.4-1968");
        const locale_t locale = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr));
        if (locale == static_cast<locale_t>(nullptr))
            return std::string("UTF-8"); // a locale that is not installed: its name is all we have
        std::string result = nl_langinfo_l(CODESET, locale);
        freelocale(locale);
        return result;
    }();
    return codeset;
}

bool IsUtf8Codeset(const std::string& codeset) {
    return codeset == "UTF-8" || codeset == "utf8" || codeset == "UTF8";
}

bool IsAsciiCodeset(const std::string& codeset) {
    return codeset == "ANSI_X3.4-1968" || codeset == "ASCII";
}

} // namespace

int SystemCodePage() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return CodePageOfLocale(value);
    }
    return kCodePageWestern;
}

bool SystemConverts(int codePage) {
    return Converter("UTF-8", IconvName(codePage)).Ok();
}

void SystemDecode(std::string_view bytes, int codePage, std::string& text) {
    Converter converter("UTF-8", IconvName(codePage));
    while (!bytes.empty()) {
        if (!converter.Ok() || converter.Convert(bytes, text) != 0) {
            // The byte that does not convert is kept as an escaped byte.
            AppendEscapedByte(text, static_cast<unsigned char>(bytes.front()));
            bytes.remove_prefix(1);
        }
    }
}

std::optional<Unencodable> SystemEncode(std::string_view text, int codePage, std::string& bytes) {
    Converter converter(IconvName(codePage), "UTF-8");
    std::string_view rest = text;
    if (!converter.Ok() || converter.Convert(rest, bytes) != 0) {
        std::size_t next = text.size() - rest.size();
        return Unencodable{rest.empty() ? U'\0' : NextCharacter(text, next)};
    }
    return std::nullopt;
}

char32_t UpperCase(char32_t character) {
    if (character < 0x80)
        return (character >= 'a' && character <= 'z') ? character - 'a' + 'A' : character;
    const locale_t locale = CaseLocale();
    if (locale == static_cast<locale_t>(nullptr))
        return character;
    return static_cast<char32_t>(towupper_l(static_cast<wint_t>(character), locale));
}

std::string SystemOutputText(std::string_view text, int) {
    const std::string codeset = LocaleCodeset();
    std::string out;
    if (IsUtf8Codeset(codeset) || IsAsciiCodeset(codeset)) {
        // An escaped byte is no text: it is shown as "?", and so is every
        // letter beyond ASCII where the locale has no room for it.
        for (std::size_t offset = 0; offset < text.size();) {
            const std::size_t at = offset;
            const char32_t c = NextCharacter(text, offset);
            const bool escaped = IsEscapedByte(c);
            if (escaped || (c >= 0x80 && IsAsciiCodeset(codeset)))
                out += '?';
            else
                out.append(text.substr(at, offset - at));
        }
        return out;
    }
    Converter converter(codeset, "UTF-8");
    std::string_view rest = text;
    while (!rest.empty()) {
        if (!converter.Ok() || converter.Convert(rest, out) != 0) {
            out += '?';
            std::size_t offset = 0;
            NextCharacter(rest, offset);
            rest.remove_prefix(offset);
        }
    }
    return out;
}

std::string SystemArgumentText(std::string_view bytes) {
    const std::string codeset = LocaleCodeset();
    // Under the C locale a terminal still sends UTF-8 more often than not.
    if (IsUtf8Codeset(codeset) || IsAsciiCodeset(codeset))
        return DecodeCodePage(bytes, kCodePageUtf8);
    std::string text;
    Converter converter("UTF-8", codeset);
    while (!bytes.empty()) {
        if (!converter.Ok() || converter.Convert(bytes, text) != 0) {
            AppendCharacter(text, 0xFFFD);
            bytes.remove_prefix(1);
        }
    }
    return text;
}

} // namespace kevo::platform::detail
