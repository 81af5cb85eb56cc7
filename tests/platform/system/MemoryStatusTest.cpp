// SPDX-License-Identifier: Apache-2.0
#include "platform/system/MemoryStatus.h"

#include <gtest/gtest.h>

namespace kevo::platform {
namespace {

const char* const kDebianMemInfo = "MemTotal:       16318260 kB\n"
                                   "MemFree:         1015324 kB\n"
                                   "MemAvailable:    9788148 kB\n"
                                   "Buffers:          512340 kB\n"
                                   "Cached:          8123456 kB\n"
                                   "SwapCached:            0 kB\n"
                                   "HugePages_Total:       0\n";

TEST(MemInfo, TotalAndLoadFromMemTotalAndMemAvailable) {
    const auto status = ParseMemInfo(kDebianMemInfo);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->totalPhys, 16318260ull * 1024);
    // (16318260 - 9788148) / 16318260 = 40.02 %
    EXPECT_EQ(status->memoryLoad, 40u);
}

TEST(MemInfo, Cases) {
    const struct {
        const char* label;
        std::string text;
        std::optional<MemoryStatus> expected;
    } cases[] = {
        {"old kernel without MemAvailable",
         "MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 100 kB\n",
         MemoryStatus{75, 1000 * 1024}},
        {"rounds to the nearest per cent", "MemTotal: 1000 kB\nMemAvailable: 994 kB\n",
         MemoryStatus{1, 1000 * 1024}},
        {"rounds half up", "MemTotal: 1000 kB\nMemAvailable: 995 kB\n",
         MemoryStatus{1, 1000 * 1024}},
        {"all in use", "MemTotal: 1000 kB\nMemAvailable: 0 kB\n", MemoryStatus{100, 1000 * 1024}},
        {"more available than there is", "MemTotal: 1000 kB\nMemAvailable: 5000 kB\n",
         MemoryStatus{0, 1000 * 1024}},
        {"order and spacing do not matter", "MemAvailable:\t500 kB\r\nMemTotal:\t2000 kB\r\n",
         MemoryStatus{75, 2000 * 1024}},
        {"more than 4 GB", "MemTotal: 67108864 kB\nMemAvailable: 33554432 kB\n",
         MemoryStatus{50, 64ull << 30}},
        {"no MemTotal", "MemFree: 100 kB\nMemAvailable: 100 kB\n", std::nullopt},
        {"MemTotal zero", "MemTotal: 0 kB\nMemAvailable: 0 kB\n", std::nullopt},
        {"MemTotal not a number", "MemTotal: lots\n", std::nullopt},
        {"MemTotal too large", "MemTotal: 99999999999999999999999 kB\n", std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseMemInfo(c.text), c.expected) << c.label;
}

TEST(MemoryStatus, ThisMachineHasMemoryAndALoadInRange) {
    const MemoryStatus status = ReadMemoryStatus();
    EXPECT_GT(status.totalPhys, 0u);
    EXPECT_LE(status.memoryLoad, 100u);
}

} // namespace
} // namespace kevo::platform
