// SPDX-License-Identifier: Apache-2.0
#include "info/AboutBoxTexts.h"

#include <gtest/gtest.h>

namespace kevo::info {
namespace {

const platform::FixedSystemInformation
    kMachine(platform::MemoryStatus{7, 2147483648ull},
             platform::OsIdentity{"Debian GNU/Linux", "12", "Debian GNU/Linux 12 (bookworm)",
                                  "Linux", "6.1.0-18-amd64"});

VersionData Data() {
    VersionData data;
    data.fixed = FixedFileInfo{(3u << 16) | 2u, (1u << 16) | 5u};
    data.translations = {{0x0809, 0x04E4}};
    data.stringTables["080904E4"] = {{"CompanyName", "Maker Ltd"}, {"ProductName", "Product"}};
    return data;
}

TEST(AboutBoxTexts, GathersEveryValue) {
    const AboutBoxTexts texts =
        GatherAboutBoxTexts(StaticVersionInformation(Data()), kMachine, ".");
    EXPECT_EQ(texts.version, "Version 3.2 (Build 1.5)");
    EXPECT_EQ(texts.platform, "Debian GNU/Linux 12 - v6.01.0 18-amd64");
    EXPECT_EQ(texts.resources, "7%");
    EXPECT_EQ(texts.freeMem, "2.097.152 KB");
    ASSERT_TRUE(texts.strings);
    EXPECT_EQ((*texts.strings)[kSlotCompanyName], "Maker Ltd");
    EXPECT_EQ((*texts.strings)[kSlotProductName], "Product");
    EXPECT_EQ((*texts.strings)[kSlotComments], "");
}

TEST(AboutBoxTexts, WithoutVersionInformationTheOtherValuesAreStillGathered) {
    VersionData none = Data();
    none.present = false;
    const AboutBoxTexts texts = GatherAboutBoxTexts(StaticVersionInformation(none), kMachine, ",");
    EXPECT_EQ(texts.version, "Version 0.0 (Build 0.0)");
    EXPECT_FALSE(texts.strings);
    EXPECT_EQ(texts.platform, "Debian GNU/Linux 12 - v6.01.0 18-amd64");
    EXPECT_EQ(texts.freeMem, "2,097,152 KB");
}

} // namespace
} // namespace kevo::info
