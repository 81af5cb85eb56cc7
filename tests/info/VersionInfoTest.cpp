// SPDX-License-Identifier: Apache-2.0
#include "info/VersionInfo.h"
#include "info/ProgramVersion.h"

#include <gtest/gtest.h>

namespace kevo::info {
namespace {

using Slots = std::array<std::string, 10>;

// Version information with one translation (0809, 04E4) and a string table
// holding the four keys the about box shows.
VersionData FullData() {
    VersionData data;
    data.fixed = FixedFileInfo{(3u << 16) | 2u, 0u};
    data.translations = {{0x0809, 0x04E4}, {0x0409, 0x04B0}};
    data.stringTables["080904E4"] = {{"CompanyName", "Maker Ltd"},
                                     {"LegalCopyright", "(C) Maker"},
                                     {"ProductName", "The Product"},
                                     {"Comments", "Some comments"},
                                     {"FileVersion", "3.2.0.0"}};
    // A second table that the about box must not read: only the first
    // translation entry counts.
    data.stringTables["040904B0"] = {{"CompanyName", "Wrong table"}};
    return data;
}

TEST(VersionLabel, FormatsTheFourHalvesOfTheFileVersion) {
    const struct {
        std::uint32_t ms, ls;
        const char* expected;
    } cases[] = {
        {(3u << 16) | 2u, 0u, "Version 3.2 (Build 0.0)"},
        {(1u << 16) | 0u, (7u << 16) | 42u, "Version 1.0 (Build 7.42)"},
        {0xFFFFFFFFu, 0xFFFF0001u, "Version 65535.65535 (Build 65535.1)"},
        {0u, 0u, "Version 0.0 (Build 0.0)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatVersionLabel(c.ms, c.ls), c.expected);
}

TEST(VersionLabel, FallsBackToZeroWhenTheFileVersionCannotBeHad) {
    VersionData none = FullData();
    none.present = false;
    VersionData unreadable = FullData();
    unreadable.readable = false;
    VersionData noRoot = FullData();
    noRoot.fixed.reset();
    for (const VersionData& data : {none, unreadable, noRoot})
        EXPECT_EQ(VersionLabel(StaticVersionInformation(data)), "Version 0.0 (Build 0.0)");
    EXPECT_EQ(VersionLabel(StaticVersionInformation(FullData())), "Version 3.2 (Build 0.0)");
}

TEST(StringFileInfoPrefix, IsLanguageThenCodePageInUpperCaseHex) {
    EXPECT_EQ(StringFileInfoPrefix({0x0809, 0x04E4}), "\\StringFileInfo\\080904E4\\");
    EXPECT_EQ(StringFileInfoPrefix({0x0409, 0xFDE9}), "\\StringFileInfo\\0409FDE9\\");
    EXPECT_EQ(StringFileInfoPrefix({0, 0}), "\\StringFileInfo\\00000000\\");
}

TEST(VersionStrings, FillTheSlotsFromTheFirstTranslationsTable) {
    const auto slots = ReadVersionStrings(StaticVersionInformation(FullData()));
    ASSERT_TRUE(slots);
    Slots expected;
    expected[kSlotCompanyName] = "Maker Ltd";
    expected[2] = "3.2.0.0";
    expected[kSlotLegalCopyright] = "(C) Maker";
    expected[kSlotProductName] = "The Product";
    expected[kSlotComments] = "Some comments";
    EXPECT_EQ(*slots, expected);
}

TEST(VersionStrings, FailurePaths) {
    // No information at all: nothing, so that the labels keep their texts.
    VersionData none = FullData();
    none.present = false;
    EXPECT_FALSE(ReadVersionStrings(StaticVersionInformation(none)));

    // No translation entry: the prefix is empty, so no key is found.
    VersionData noTranslation = FullData();
    noTranslation.translations.clear();
    EXPECT_EQ(ReadVersionStrings(StaticVersionInformation(noTranslation)), Slots{});

    // Information that has a size but cannot be read: every slot empty.
    VersionData unreadable = FullData();
    unreadable.readable = false;
    EXPECT_EQ(ReadVersionStrings(StaticVersionInformation(unreadable)), Slots{});

    // A translation that names a table that is not there.
    VersionData otherTable = FullData();
    otherTable.translations = {{0x0407, 0x04E4}};
    EXPECT_EQ(ReadVersionStrings(StaticVersionInformation(otherTable)), Slots{});

    // A missing key leaves only its own slot empty.
    VersionData missingKey = FullData();
    missingKey.stringTables["080904E4"].erase("Comments");
    const auto slots = ReadVersionStrings(StaticVersionInformation(missingKey));
    ASSERT_TRUE(slots);
    EXPECT_EQ((*slots)[kSlotComments], "");
    EXPECT_EQ((*slots)[kSlotCompanyName], "Maker Ltd");
    EXPECT_EQ((*slots)[kSlotProductName], "The Product");
    EXPECT_EQ((*slots)[kSlotLegalCopyright], "(C) Maker");
}

TEST(VersionStrings, AValueEndsAtItsFirstZeroAndNamesMatchWithoutCase) {
    VersionData data = FullData();
    data.stringTables.erase("080904E4");
    data.stringTables["080904e4"] = {{"COMPANYNAME", std::string("Maker\0rest", 10)},
                                     {"productname", "Product"}};
    const auto slots = ReadVersionStrings(StaticVersionInformation(data));
    ASSERT_TRUE(slots);
    EXPECT_EQ((*slots)[kSlotCompanyName], "Maker");
    EXPECT_EQ((*slots)[kSlotProductName], "Product");
}

TEST(StaticVersionInformation, AnswersOnlyWholeStringFileInfoPaths) {
    const StaticVersionInformation info(FullData());
    EXPECT_GT(info.Size(), 0u);
    const auto block = info.Read();
    ASSERT_TRUE(block);
    EXPECT_EQ(block->Value("\\StringFileInfo\\080904E4\\CompanyName"), "Maker Ltd");
    EXPECT_EQ(block->Value("\\stringfileinfo\\080904e4\\companyname"), "Maker Ltd");
    EXPECT_FALSE(block->Value("CompanyName"));
    EXPECT_FALSE(block->Value("\\StringFileInfo\\CompanyName"));
    EXPECT_FALSE(block->Value("\\StringFileInfo\\080904E4\\"));
    EXPECT_FALSE(block->Value("\\StringFileInfo\\080904E4\\LegalTradeMarks"));
    EXPECT_FALSE(block->Value("\\VarFileInfo\\080904E4\\CompanyName"));
}

TEST(ProgramVersion, CarriesTheProjectVersionAndFillsTheFourLabels) {
    const VersionInformation& info = ProgramVersionInformation();
    EXPECT_EQ(VersionLabel(info), "Version 3.2 (Build 0.0)");
    const auto slots = ReadVersionStrings(info);
    ASSERT_TRUE(slots);
    for (const std::size_t slot : {kSlotCompanyName, kSlotLegalCopyright, kSlotProductName,
                                   kSlotComments, std::size_t{2}, std::size_t{8}})
        EXPECT_FALSE((*slots)[slot].empty()) << VersionInfoKeys[slot];
    EXPECT_EQ((*slots)[2], "3.2.0.0");
    EXPECT_EQ((*slots)[kSlotProductName], "Kevo Printer Configurator");
}

TEST(ProgramVersion, LinksUseReservedExampleDomains) {
    EXPECT_EQ(MakerWebTarget(), "http://" + MakerWebAddress());
    EXPECT_EQ(MakerEmailTarget(), "mailto:" + MakerEmailAddress());
    EXPECT_EQ(MakerWebAddress().find("://"), std::string::npos);
    const auto endsWith = [](const std::string& text, const std::string& end) {
        return text.size() >= end.size() &&
               text.compare(text.size() - end.size(), end.size(), end) == 0;
    };
    EXPECT_TRUE(endsWith(MakerWebAddress(), "example.com") ||
                endsWith(MakerWebAddress(), "example.org"));
    EXPECT_TRUE(endsWith(MakerEmailAddress(), "@example.com") ||
                endsWith(MakerEmailAddress(), "@example.org"));
}

} // namespace
} // namespace kevo::info
