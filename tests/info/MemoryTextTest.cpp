// SPDX-License-Identifier: Apache-2.0
#include "info/MemoryText.h"

#include <gtest/gtest.h>

namespace kevo::info {
namespace {

TEST(MemoryLoad, IsAWholePercentage) {
    EXPECT_EQ(FormatMemoryLoad(7), "7%");
    EXPECT_EQ(FormatMemoryLoad(0), "0%");
    EXPECT_EQ(FormatMemoryLoad(100), "100%");
}

TEST(Kilobytes, GroupsDigitsInThousandsWithTheUsersSeparator) {
    const struct {
        std::uint64_t kilobytes;
        std::string separator;
        const char* expected;
    } cases[] = {
        {2097152, ",", "2,097,152 KB"},
        {2097152, ".", "2.097.152 KB"},
        {2097152, "'", "2'097'152 KB"},
        {2097152, "\xe2\x80\xaf",
         "2\xe2\x80\xaf"
         "097\xe2\x80\xaf"
         "152 KB"}, // narrow no-break space
        {2097152, "", "2097152 KB"},
        {0, ",", "0 KB"},
        {999, ",", "999 KB"},
        {1000, ",", "1,000 KB"},
        {999999, ",", "999,999 KB"},
        {1000000, ",", "1,000,000 KB"},
        {18446744073709551615ull, ",", "18,446,744,073,709,551,615 KB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatKilobytes(c.kilobytes, c.separator), c.expected)
            << c.kilobytes << " '" << c.separator << "'";
}

TEST(TotalPhys, DropsTheRemainderOfTheDivisionBy1024) {
    EXPECT_EQ(FormatTotalPhys(2147483648ull, ","), "2,097,152 KB");
    EXPECT_EQ(FormatTotalPhys(2147483648ull + 1023, ","), "2,097,152 KB");
    EXPECT_EQ(FormatTotalPhys(1023, ","), "0 KB");
    // More than 4 GB, which a 32-bit count could not hold.
    EXPECT_EQ(FormatTotalPhys(16ull << 30, ","), "16,777,216 KB");
}

} // namespace
} // namespace kevo::info
