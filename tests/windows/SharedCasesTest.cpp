// SPDX-License-Identifier: Apache-2.0
// The shared table of command lines (SharedCases.h), checked the same way on
// Linux and on Windows.

#include "SharedCases.h"

#include "platform/CommandLine.h"

#include <gtest/gtest.h>

namespace kevo::testing {
namespace {

class SharedCommandLine : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(SharedCommandLine, SplitsConvertsAndResolves) {
    const CommandLineCase& c = GetParam();
    const std::string commandLine = kProgramPath + " " + c.arguments;

    const std::vector<std::string> arguments = platform::ArgumentsFromCommandLine(commandLine);
    EXPECT_EQ(arguments, c.expectedArguments);
    EXPECT_EQ(platform::ParseRunMode(arguments), c.expectedRunMode);

    const setup::ResolvedPaths paths = setup::ResolvePaths(arguments, ContextFor(kWindowsFolders));
    EXPECT_EQ(paths.namesFileName, c.expectedNamesFile);
    EXPECT_EQ(paths.setupFileName, c.expectedSetupFile);
}

INSTANTIATE_TEST_SUITE_P(Table, SharedCommandLine, ::testing::ValuesIn(kCommandLineCases),
                         [](const ::testing::TestParamInfo<CommandLineCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(SharedCommandLineTable, ProgramPathIsOneArgumentOfItsOwn) {
    // The split keeps the program's quoted path whole and drops it from the
    // arguments, whatever follows it.
    for (const CommandLineCase& c : kCommandLineCases) {
        const auto all = platform::SplitCommandLine(kProgramPath + " " + c.arguments);
        ASSERT_FALSE(all.empty()) << c.name;
        EXPECT_EQ(all.front(), "C:\\Program Files\\Kevo\\kevoconf.exe") << c.name;
        EXPECT_EQ(all.size(), c.expectedArguments.size() + 1) << c.name;
    }
}

class SharedPosixPaths : public ::testing::TestWithParam<PosixPathCase> {};

TEST_P(SharedPosixPaths, Resolve) {
    const PosixPathCase& c = GetParam();
    const setup::ResolvedPaths paths = setup::ResolvePaths(c.arguments, ContextFor(kPosixFolders));
    EXPECT_EQ(paths.namesFileName, c.expectedNamesFile);
    EXPECT_EQ(paths.setupFileName, c.expectedSetupFile);
}

INSTANTIATE_TEST_SUITE_P(Table, SharedPosixPaths, ::testing::ValuesIn(kPosixPathCases),
                         [](const ::testing::TestParamInfo<PosixPathCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace kevo::testing
