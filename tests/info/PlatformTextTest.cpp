// SPDX-License-Identifier: Apache-2.0
#include "info/PlatformText.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace kevo::info {
namespace {

struct WindowsCase {
    const char* label;
    std::uint32_t platformId, major, minor, build;
    std::string servicePack;
    const char* expected;
};

void PrintTo(const WindowsCase& c, std::ostream* out) {
    *out << c.label;
}

class WindowsPlatformText : public testing::TestWithParam<WindowsCase> {};

TEST_P(WindowsPlatformText, NamesTheSystemAndAppendsTheSuffix) {
    const WindowsCase& c = GetParam();
    EXPECT_EQ(PlatformText(c.major, c.minor, c.build, c.platformId, c.servicePack), c.expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, WindowsPlatformText, testing::Values(
    WindowsCase{"Win32s", 0, 3, 11, 0, "", "Win32s - v3.11.0"},
    WindowsCase{"Win95_1080", 1, 4, 0, 1080, "", "Windows 95 - v4.00.1080"},
    WindowsCase{"Win95_1081", 1, 4, 0, 1081, "", "Windows 95 OSR2 - v4.00.1081"},
    WindowsCase{"Win95_950", 1, 4, 0, 950, "", "Windows 95 - v4.00.950"},
    WindowsCase{"Win98SE_222", 1, 4, 10, 222, "", "Windows 98 SE - v4.10.222"},
    WindowsCase{"Win98_2222", 1, 4, 10, 2222, " A ", "Windows 98 - v4.10.2222  A "},
    WindowsCase{"WinME", 1, 4, 90, 3000, "", "Windows ME - v4.90.3000"},
    WindowsCase{"Win9x_4_5", 1, 4, 5, 0, "", "Windows 95/98/ME - v4.05.0"},
    WindowsCase{"Win9x_5_0", 1, 5, 0, 0, "", "Windows 95/98/ME - v5.00.0"},
    WindowsCase{"NT3", 2, 3, 51, 1057, "", "Windows NT - v3.51.1057"},
    WindowsCase{"NT4", 2, 4, 0, 1381, "Service Pack 6", "Windows NT - v4.00.1381 Service Pack 6"},
    WindowsCase{"Win2000", 2, 5, 0, 2195, "", "Windows 2000 - v5.00.2195"},
    WindowsCase{"WinXP", 2, 5, 1, 2600, "Service Pack 3", "Windows XP - v5.01.2600 Service Pack 3"},
    WindowsCase{"Win2003", 2, 5, 2, 3790, "", "Windows NT/2000/XP - v5.02.3790"},
    WindowsCase{"Win7", 2, 6, 1, 7601, "Service Pack 1", "Windows NT/2000/XP - v6.01.7601 Service Pack 1"},
    WindowsCase{"Id3", 3, 5, 1, 2600, "", "Unknown Win32 Version - v5.01.2600"},
    WindowsCase{"IdHuge", 4000000000u, 1, 2, 3, "x", "Unknown Win32 Version - v1.02.3 x"},
    // Windows 9x reports major, minor and build in the build number's high
    // 16 bits: only the low 16 bits are shown, and they decide the name.
    WindowsCase{"Build_high_bits_95", 1, 4, 0, 0x04000438u, "", "Windows 95 - v4.00.1080"},
    WindowsCase{"Build_high_bits_98SE", 1, 4, 10, 0x040A00DEu, "", "Windows 98 SE - v4.10.222"},
    WindowsCase{"Build_all_bits", 2, 5, 1, 0xFFFFFFFFu, "", "Windows XP - v5.01.65535"},
    WindowsCase{"Minor_above_99", 2, 10, 100, 1, "", "Windows NT/2000/XP - v10.100.1"}),
    [](const testing::TestParamInfo<WindowsCase>& info) { return std::string(info.param.label); });
// clang-format on

TEST(VersionSuffix, ServicePackTextEndsAtItsFirstZeroAndAt128Characters) {
    EXPECT_EQ(VersionSuffix(5, 1, 2600, std::string("SP2\0garbage", 11)), " - v5.01.2600 SP2");
    EXPECT_EQ(VersionSuffix(5, 1, 2600, std::string("\0SP2", 4)), " - v5.01.2600");
    const std::string longText(200, 'x');
    EXPECT_EQ(VersionSuffix(5, 1, 2600, longText), " - v5.01.2600 " + std::string(128, 'x'));
}

struct KernelCase {
    const char* release;
    KernelVersion expected;
};

void PrintTo(const KernelCase& c, std::ostream* out) {
    *out << '"' << c.release << '"';
}

class KernelRelease : public testing::TestWithParam<KernelCase> {};

TEST_P(KernelRelease, TakesThreeNumbersAndTheRest) {
    EXPECT_EQ(ParseKernelRelease(GetParam().release), GetParam().expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Releases, KernelRelease, testing::Values(
    KernelCase{"6.1.0-18-amd64", {6, 1, 0, "18-amd64"}},
    KernelCase{"5.15.153.1-microsoft-standard-WSL2", {5, 15, 153, "1-microsoft-standard-WSL2"}},
    KernelCase{"6.7.4-arch1-1", {6, 7, 4, "arch1-1"}},
    KernelCase{"6.8.0-rc1+", {6, 8, 0, "rc1+"}},
    KernelCase{"4.19", {4, 19, 0, ""}},
    KernelCase{"5", {5, 0, 0, ""}},
    KernelCase{"6.2.", {6, 2, 0, ""}},
    KernelCase{"3.10.0_custom", {3, 10, 0, "custom"}},
    KernelCase{"99999999999.1.2", {4294967295u, 1, 2, ""}},
    KernelCase{"v6.1", {0, 0, 0, "v6.1"}},
    KernelCase{"", {0, 0, 0, ""}}));
// clang-format on

struct PosixCase {
    const char* label;
    platform::OsIdentity os;
    const char* expected;
};

void PrintTo(const PosixCase& c, std::ostream* out) {
    *out << c.label;
}

class PosixPlatform : public testing::TestWithParam<PosixCase> {};

TEST_P(PosixPlatform, NamesTheDistributionAndTheKernel) {
    EXPECT_EQ(PosixPlatformText(GetParam().os), GetParam().expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Systems, PosixPlatform, testing::Values(
    PosixCase{"Debian", {"Debian GNU/Linux", "12", "Debian GNU/Linux 12 (bookworm)", "Linux", "6.1.0-18-amd64"},
              "Debian GNU/Linux 12 - v6.01.0 18-amd64"},
    PosixCase{"Ubuntu", {"Ubuntu", "22.04", "Ubuntu 22.04.4 LTS", "Linux", "5.15.0-91-generic"},
              "Ubuntu 22.04 - v5.15.0 91-generic"},
    PosixCase{"NoVersionId", {"Arch Linux", "", "Arch Linux", "Linux", "6.7.4-arch1-1"},
              "Arch Linux - v6.07.4 arch1-1"},
    PosixCase{"OnlyPrettyName", {"", "", "Some System 3", "Linux", "6.1.0"},
              "Some System 3 - v6.01.0"},
    PosixCase{"NoOsRelease", {"", "", "", "Linux", "4.19.0-26-amd64"},
              "Linux - v4.19.0 26-amd64"},
    PosixCase{"NothingKnown", {"", "", "", "", ""}, "Linux - v0.00.0"},
    PosixCase{"Utf8Name", {"Syst\xc3\xa8me", "1", "", "Linux", "6.10.3"},
              "Syst\xc3\xa8me 1 - v6.10.3"}),
    [](const testing::TestParamInfo<PosixCase>& info) { return std::string(info.param.label); });
// clang-format on

} // namespace
} // namespace kevo::info
