// SPDX-License-Identifier: Apache-2.0
#include "platform/text/TextCoding.h"

#include <gtest/gtest.h>

namespace kevo::platform {
namespace {

// Bytes of a file in an encoding, the text they mean, and whether writing
// that text gives the bytes back.
struct CodingCase {
    const char* name;
    int codePage; // 0: UTF-16 LE
    std::string bytes;
    std::string text; // UTF-8; "\xED\xB2\x81" is the escaped byte 0x81
};

#ifdef _WIN32
const std::string kUndefined1252 = "a\u0081z";
#else
const std::string kUndefined1252 = "a\xED\xB2\x81z";
#endif

class CodingTest : public ::testing::TestWithParam<CodingCase> {};

TEST_P(CodingTest, DecodesAndWritesTheSameBytesBack) {
    const CodingCase& c = GetParam();
    const std::string text =
        c.codePage == 0 ? DecodeUtf16(c.bytes, false) : DecodeCodePage(c.bytes, c.codePage);
    EXPECT_EQ(text, c.text);
    std::string again;
    const auto failure =
        c.codePage == 0 ? EncodeUtf16(text, false, again) : EncodeCodePage(text, c.codePage, again);
    EXPECT_FALSE(failure.has_value());
    EXPECT_EQ(again, c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CodingTest,
    ::testing::Values(
        CodingCase{"Cp1250", 1250, "Sz\xE1mla \xD5rz\xF6tt", "Sz\u00e1mla \u0150rz\u00f6tt"},
        CodingCase{"Cp1252", 1252, "B\xFCro \x80", "B\u00fcro \u20ac"},
        // Bytes the code page leaves undefined survive a read and a write.
        // Windows' own table gives 0x81 as the C1 control of that number, and
        // so the host reads it there.
        CodingCase{"Cp1252Undefined", 1252, "a\x81z", kUndefined1252},
        CodingCase{"Utf8StrayByte", kCodePageUtf8, "\xC3\xA1\xE1", "\u00e1\xED\xB3\xA1"},
        CodingCase{"Utf16Pair", 0, std::string("S\0\x50\x01\x3D\xD8\x00\xDE", 8),
                   "S\u0150\U0001F600"},
        CodingCase{"Utf16LoneSurrogate", 0, std::string("\x00\xD8x\0", 4), "\xED\xA0\x80x"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextCoding, RefusesWhatTheEncodingCannotHold) {
    struct Case {
        int codePage;
        std::string text;
        char32_t character;
        std::size_t offset;
    };
    for (const Case& c :
         {Case{1252, "ok \u0150k", U'\u0150', 3}, Case{1250, "\u00e9\u20ac\u4e2d", U'\u4e2d', 5},
          // A byte escaped from an 8-bit file has no place in UTF-16.
          Case{0, "a\xED\xB2\x81", U'\xDC81', 1}}) {
        std::string bytes;
        const auto failure = c.codePage == 0 ? EncodeUtf16(c.text, false, bytes)
                                             : EncodeCodePage(c.text, c.codePage, bytes);
        ASSERT_TRUE(failure.has_value()) << c.text;
        EXPECT_EQ(failure->character, c.character) << c.text;
        EXPECT_EQ(failure->offset, c.offset) << c.text;
    }
}

TEST(TextCoding, IgnoresCaseBeyondAsciiTheSameInEveryLocale) {
    EXPECT_TRUE(SameTextIgnoringCase("B\u00dcRO LASER", "B\u00fcro Laser"));
    EXPECT_TRUE(SameTextIgnoringCase("SZ\u00c1MLA", "sz\u00e1mla"));
    EXPECT_TRUE(SameTextIgnoringCase("\u0150RZ\u00d6TT", "\u0151rz\u00f6tt"));
    EXPECT_TRUE(SameTextIgnoringCase("\u0421\u0427\u0415\u0422", "\u0441\u0447\u0435\u0442"));
    EXPECT_FALSE(SameTextIgnoringCase("Tray 1", "Tray 1 "));
    EXPECT_FALSE(SameTextIgnoringCase("\u00e1", "a"));
    // No Turkish rule: "i" is the upper-case "I", the dotted capital is not.
    EXPECT_TRUE(SameTextIgnoringCase("i", "I"));
    EXPECT_FALSE(SameTextIgnoringCase("i", "\u0130"));
}

TEST(TextCoding, CutsAtCharactersNeverInsideOne) {
    EXPECT_EQ(CutToCharacters("T\u00e1lca 2 (sz\u00e1ll\u00edt\u00f3lev\u00e9l)", 24),
              "T\u00e1lca 2 (sz\u00e1ll\u00edt\u00f3lev\u00e9l)");
    EXPECT_EQ(CutToCharacters("\u00e1\u00e9\u00ed", 2), "\u00e1\u00e9");
}

TEST(TextCoding, CodePageOfTheLocaleAsWineGivesIt) {
    struct Case {
        const char* locale;
        int codePage;
    };
    for (const Case& c : {Case{"hu_HU.UTF-8", 1250}, Case{"cs_CZ", 1250}, Case{"sr_RS@latin", 1250},
                          Case{"sr_RS", 1251}, Case{"ru_RU.KOI8-R", 1251}, Case{"de_DE@euro", 1252},
                          Case{"C", 1252}, Case{"POSIX", 1252}, Case{"", 1252},
                          Case{"C.UTF-8", 1252}, Case{"el_GR", 1253}, Case{"tr_TR", 1254},
                          Case{"lt_LT", 1257}, Case{"zh_TW.UTF-8", 950}, Case{"zh_CN", 936}})
        EXPECT_EQ(CodePageOfLocale(c.locale), c.codePage) << c.locale;
    EXPECT_EQ(ParseCodePageSetting("UTF-8"), kCodePageUtf8);
    EXPECT_EQ(ParseCodePageSetting("1250"), 1250);
    EXPECT_EQ(ParseCodePageSetting("latin2"), std::nullopt);
    EXPECT_FALSE(IsConvertibleCodePage(99999));
}

} // namespace
} // namespace kevo::platform
