// SPDX-License-Identifier: Apache-2.0
// The about box's texts from what the Windows services report: the platform
// text from the version record, the shell's failures. Runs on Linux and in
// the Windows runner alike.

#include "info/AboutBoxTexts.h"
#include "info/ExploreWeb.h"
#include "info/ProgramVersion.h"

#include <gtest/gtest.h>

namespace kevo::testing {
namespace {

TEST(WindowsTexts, PlatformTextFromTheVersionRecord) {
    struct Case {
        platform::WindowsVersion version;
        const char* text;
    };
    const Case cases[] = {
        {{5, 1, 2600, 2, "Service Pack 3"}, "Windows XP - v5.01.2600 Service Pack 3"},
        {{6, 1, 7601, 2, "Service Pack 1"}, "Windows NT/2000/XP - v6.01.7601 Service Pack 1"},
        {{4, 10, 222, 1, ""}, "Windows 98 SE - v4.10.222"},
        // Only the low 16 bits of the build count.
        {{4, 0, 0x04000457, 1, " A "}, "Windows 95 OSR2 - v4.00.1111  A "},
    };
    for (const Case& c : cases) {
        platform::OsIdentity os;
        os.windows = c.version;
        const platform::FixedSystemInformation system({7, 2147483648u}, os);
        const info::AboutBoxTexts texts =
            info::GatherAboutBoxTexts(info::ProgramVersionInformation(), system, ".");
        EXPECT_EQ(texts.platform, c.text);
        EXPECT_EQ(texts.resources, "7%");
        EXPECT_EQ(texts.freeMem, "2.097.152 KB");
    }
}

TEST(WindowsTexts, ShellRefusalsKeepTheShellsOwnResult) {
    struct Case {
        int result;
        const char* message;
    };
    const Case cases[] = {
        {0, "Error: Out of Memory"},         {2, "Error: File not found"},
        {3, "Error: Directory not found"},   {5, "Error Nr:5 in ShellExecute"},
        {8, "Error Nr:8 in ShellExecute"}, // SE_ERR_OOM, not "Out of Memory"
        {11, "Error: Wrong format in EXE"},  {26, "Error Nr:26 in ShellExecute"},
        {31, "Error Nr:31 in ShellExecute"}, {32, "Error Nr:32 in ShellExecute"},
    };
    for (const Case& c : cases) {
        const platform::OpenOutcome outcome = platform::OpenOutcome::RefusedByShell(c.result);
        EXPECT_EQ(info::ShellResultFor(outcome), c.result);
        EXPECT_EQ(info::ExploreWebMessage(info::ShellResultFor(outcome)), c.message);
    }
}

} // namespace
} // namespace kevo::testing
