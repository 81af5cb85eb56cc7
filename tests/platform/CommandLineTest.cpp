// SPDX-License-Identifier: Apache-2.0
#include "platform/CommandLine.h"

#include <gtest/gtest.h>

#include <climits>

namespace kevo::platform {
namespace {

using Args = std::vector<std::string>;

struct SplitCase {
    const char* line;
    Args expected;
};

class SplitCommandLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, SplitsAsTheSystemDoes) {
    EXPECT_EQ(SplitCommandLine(GetParam().line), GetParam().expected) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitCommandLineTest,
    ::testing::Values(
        SplitCase{"kevo.exe 1 names.txt setup.ini", {"kevo.exe", "1", "names.txt", "setup.ini"}},
        // Runs of blanks and control characters (codes 1 to 32) separate.
        SplitCase{"  kevo.exe\t\t1 \x01\x1f names.txt  ", {"kevo.exe", "1", "names.txt"}},
        // Characters above 127 are ordinary characters, not separators.
        SplitCase{"kevo.exe \xe9t\xe9", {"kevo.exe", "\xe9t\xe9"}},
        // A quoted stretch keeps its blanks; the quotes are dropped.
        SplitCase{"\"C:\\Program Files\\kevo.exe\" \" 2\"", {"C:\\Program Files\\kevo.exe", " 2"}},
        // Quotes may stand inside an argument and join stretches.
        SplitCase{"kevo a\"b c\"d", {"kevo", "ab cd"}},
        // An unclosed quote runs to the end of the line.
        SplitCase{"kevo \"my names.txt", {"kevo", "my names.txt"}},
        // An empty quoted pair where an argument would begin is skipped, so
        // the names file moves up to argument 1.
        SplitCase{"kevo \"\" names.txt", {"kevo", "names.txt"}},
        SplitCase{"kevo \"\"\"\" 1", {"kevo", "1"}}, SplitCase{"kevo \"\"1", {"kevo", "1"}},
        // A pair inside an argument adds nothing.
        SplitCase{"kevo 1\"\"2", {"kevo", "12"}},
        // A lone quote at the end gives an empty argument, which ends the list.
        SplitCase{"kevo 1 \" ", {"kevo", "1", " "}}, SplitCase{"kevo 1 \"", {"kevo", "1"}},
        SplitCase{"", {}}, SplitCase{"   ", {}}));

TEST(CommandLine, ArgumentsLeaveOutTheProgramPath) {
    EXPECT_EQ(ArgumentsFromCommandLine("kevo.exe 2 a.txt"), (Args{"2", "a.txt"}));
    EXPECT_EQ(ArgumentsFromCommandLine("kevo.exe"), Args{});
    EXPECT_EQ(ArgumentsFromCommandLine(""), Args{});
}

TEST(CommandLine, ArgvDropsEmptyArgumentsAndTheProgramPath) {
    const char* argv[] = {"/usr/bin/kevoconf", "", "1", "", "names.txt", " 2", nullptr};
    EXPECT_EQ(ArgumentsFromArgv(6, argv), (Args{"1", "names.txt", " 2"}));
    const char* only[] = {"/usr/bin/kevoconf", nullptr};
    EXPECT_EQ(ArgumentsFromArgv(1, only), Args{});
}

struct ConvertCase {
    const char* text;
    std::optional<std::int32_t> expected;
};

class ConvertToInt32Test : public ::testing::TestWithParam<ConvertCase> {};

TEST_P(ConvertToInt32Test, ConvertsTheWholeText) {
    EXPECT_EQ(ConvertToInt32(GetParam().text), GetParam().expected)
        << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvertToInt32Test,
    ::testing::Values(
        ConvertCase{"0", 0}, ConvertCase{"1", 1}, ConvertCase{"+1", 1}, ConvertCase{"01", 1},
        ConvertCase{"-1", -1}, ConvertCase{"  2", 2}, ConvertCase{"$2", 2}, ConvertCase{"0x0", 0},
        ConvertCase{"0X1f", 31}, ConvertCase{"x10", 16}, ConvertCase{"XfF", 255},
        ConvertCase{"$7FFFFFFF", INT32_MAX}, ConvertCase{"2147483647", INT32_MAX},
        ConvertCase{"-2147483648", INT32_MIN}, ConvertCase{"000000000000000000002", 2},
        // Failures.
        ConvertCase{"", std::nullopt}, ConvertCase{"   ", std::nullopt},
        ConvertCase{"+", std::nullopt}, ConvertCase{"-", std::nullopt},
        ConvertCase{"$", std::nullopt}, ConvertCase{"0x", std::nullopt},
        ConvertCase{"1a", std::nullopt}, ConvertCase{"1.0", std::nullopt},
        ConvertCase{"2 ", std::nullopt}, ConvertCase{"\t2", std::nullopt},
        ConvertCase{"- 1", std::nullopt}, ConvertCase{"+-1", std::nullopt},
        ConvertCase{"-$1", std::nullopt}, ConvertCase{"+0x1", std::nullopt},
        ConvertCase{"$g", std::nullopt}, ConvertCase{"00x1", std::nullopt},
        ConvertCase{"2147483648", std::nullopt}, ConvertCase{"-2147483649", std::nullopt},
        ConvertCase{"$80000000", std::nullopt},
        ConvertCase{"99999999999999999999999999", std::nullopt},
        ConvertCase{"\xd9\xa1", std::nullopt}));

struct RunModeCase {
    Args arguments;
    std::optional<int> expected;
};

class RunModeTest : public ::testing::TestWithParam<RunModeCase> {};

TEST_P(RunModeTest, OnlyZeroOneAndTwoAreModes) {
    EXPECT_EQ(ParseRunMode(GetParam().arguments), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, RunModeTest,
                         ::testing::Values(RunModeCase{{"0"}, 0}, RunModeCase{{"+1", "n.txt"}, 1},
                                           RunModeCase{{" 2"}, 2}, RunModeCase{{"$2"}, 2},
                                           RunModeCase{{"0x0"}, 0}, RunModeCase{{}, std::nullopt},
                                           RunModeCase{{"3"}, std::nullopt},
                                           RunModeCase{{"-1"}, std::nullopt},
                                           RunModeCase{{"1a"}, std::nullopt},
                                           RunModeCase{{"1.0"}, std::nullopt},
                                           RunModeCase{{"names.txt", "1"}, std::nullopt}));

TEST(CommandLine, QuotedEmptyRunModeIsSkippedSoTheNamesFileBecomesTheMode) {
    const auto arguments = ArgumentsFromCommandLine("kevo.exe \"\" names.txt setup.ini");
    ASSERT_EQ(arguments, (Args{"names.txt", "setup.ini"}));
    EXPECT_EQ(ParseRunMode(arguments), std::nullopt);
}

TEST(CommandLine, QuotedTwoWithLeadingBlankIsAValidMode) {
    EXPECT_EQ(ParseRunMode(ArgumentsFromCommandLine("kevo.exe \" 2\"")), 2);
}

} // namespace
} // namespace kevo::platform
