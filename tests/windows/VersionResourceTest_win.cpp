// SPDX-License-Identifier: Apache-2.0
// The program's version resource, generated from the project's version and
// compiled into this runner, read through the system's version services as
// the about box reads it.

#include "WindowsTestSupport.h"

#include "info/FileVersionInfo.h"
#include "info/ProgramVersion.h"

#include <gtest/gtest.h>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace kevo::testing {
namespace {

TEST(VersionResource, VersionLabel) {
    const info::VersionInformation& version = info::ProgramVersionInformation();
    EXPECT_GT(version.Size(), 0u);
    EXPECT_EQ(info::VersionLabel(version), "Version 3.2 (Build 0.0)");
    // The same numbers as the information compiled in elsewhere.
    const info::VersionData data = info::ProgramVersionData();
    ASSERT_TRUE(data.fixed);
    EXPECT_EQ(info::VersionLabel(version),
              info::FormatVersionLabel(data.fixed->fileVersionMS, data.fixed->fileVersionLS));
}

TEST(VersionResource, TranslationAndStringTable) {
    const info::VersionInformation& version = info::ProgramVersionInformation();
    const info::VersionData data = info::ProgramVersionData();
    const auto block = version.Read();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->Translations(), data.translations);
    EXPECT_EQ(info::StringFileInfoPrefix(block->Translations().front()),
              "\\StringFileInfo\\0809FDE9\\");

    const auto strings = info::ReadVersionStrings(version);
    ASSERT_TRUE(strings);
    const auto& table = data.stringTables.begin()->second;
    for (std::size_t slot = 0; slot < info::VersionInfoKeys.size(); ++slot) {
        const auto found = table.find(info::VersionInfoKeys[slot]);
        // The resource holds the texts in Unicode; they come back as UTF-8.
        const std::string expected = found == table.end() ? "" : found->second;
        EXPECT_EQ(Printable((*strings)[slot]), Printable(expected)) << info::VersionInfoKeys[slot];
    }
    EXPECT_EQ((*strings)[info::kSlotCompanyName], "Kevo Software Ltd");
    EXPECT_EQ((*strings)[info::kSlotProductName], "Kevo Printer Configurator");
}

TEST(VersionResource, LookupsIgnoreLetterCase) {
    const auto block = info::ProgramVersionInformation().Read();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->Value("\\stringfileinfo\\0809fde9\\companyname"), "Kevo Software Ltd");
    EXPECT_EQ(block->Value("\\StringFileInfo\\0809FDE9\\LegalTradeMarks"), std::nullopt);
}

TEST(VersionResource, FileWithoutVersionInformation) {
    TemporaryFolder folder;
    const std::string file = folder.File("plain.txt");
    WriteBytes(file, "no resources here");
    const auto version = info::FileVersionInformation(file);
    EXPECT_EQ(version->Size(), 0u);
    EXPECT_EQ(version->Read(), nullptr);
    EXPECT_EQ(info::VersionLabel(*version), "Version 0.0 (Build 0.0)");
    EXPECT_EQ(info::ReadVersionStrings(*version), std::nullopt);
    EXPECT_EQ(info::FileVersionInformation(folder.File("missing.exe"))->Size(), 0u);
}

TEST(VersionResource, ProgramIconWithAllItsSizes) {
    const HMODULE self = GetModuleHandleA(nullptr);
    const HRSRC group = FindResourceA(self, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14));
    ASSERT_NE(group, nullptr) << "no icon group 1";
    // The group's header: reserved, type 1, and the number of images.
    const auto* header = static_cast<const WORD*>(LockResource(LoadResource(self, group)));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header[1], 1);
    EXPECT_EQ(header[2], 7); // 16, 24, 32, 48, 64, 128 and 256 pixels
    for (const int size : {16, 32, 48}) {
        const HANDLE icon =
            LoadImageA(self, MAKEINTRESOURCEA(1), IMAGE_ICON, size, size, LR_DEFAULTCOLOR);
        EXPECT_NE(icon, nullptr) << size;
        if (icon != nullptr)
            DestroyIcon(static_cast<HICON>(icon));
    }
}

} // namespace
} // namespace kevo::testing
