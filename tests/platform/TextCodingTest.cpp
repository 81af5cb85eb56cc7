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
    std::string bytes;
    EXPECT_EQ(EncodeCodePage("ok \u0150k", 1252, bytes).value().character, U'\u0150');
    EXPECT_EQ(EncodeCodePage("\u00e9\u20ac\u4e2d", 1250, bytes).value().character, U'\u4e2d');
    // A byte escaped from an 8-bit file has no place in UTF-16.
    EXPECT_EQ(EncodeUtf16("a\xED\xB2\x81", false, bytes).value().character, U'\xDC81');
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
