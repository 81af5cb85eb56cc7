// SPDX-License-Identifier: Apache-2.0
#include "info/ExploreWeb.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>

namespace kevo::info {
namespace {

using platform::OpenOutcome;

TEST(ExploreWebMessage, TextsOfTheShellsResults) {
    const struct {
        int result;
        const char* expected;
    } cases[] = {
        {0, "Error: Out of Memory"},       {2, "Error: File not found"},
        {3, "Error: Directory not found"}, {11, "Error: Wrong format in EXE"},
        {5, "Error Nr:5 in ShellExecute"}, {31, "Error Nr:31 in ShellExecute"},
        {1, "Error Nr:1 in ShellExecute"}, {32, "Error Nr:32 in ShellExecute"},
    };
    for (const auto& c : cases) {
        const auto message = ExploreWebMessage(c.result);
        ASSERT_TRUE(message) << c.result;
        EXPECT_EQ(*message, c.expected);
    }
    for (const int success : {33, 42, 1000})
        EXPECT_FALSE(ExploreWebMessage(success)) << success;
}

TEST(ShellResult, MapsTheOpenersOutcomes) {
    const struct {
        OpenOutcome outcome;
        int expected;
    } cases[] = {
        {OpenOutcome{}, 33}, // still running: nothing to report yet
        {OpenOutcome::Opened(), 33},
        {OpenOutcome::NotStarted(ENOMEM), 0},
        {OpenOutcome::NotStarted(EAGAIN), 0},
        {OpenOutcome::NotStarted(ENOENT), 2},
        {OpenOutcome::NotStarted(ENOTDIR), 3},
        {OpenOutcome::NotStarted(ELOOP), 3},
        {OpenOutcome::NotStarted(ENAMETOOLONG), 3},
        {OpenOutcome::NotStarted(EACCES), 5},
        {OpenOutcome::NotStarted(EPERM), 5},
        {OpenOutcome::NotStarted(ENOEXEC), 11},
        {OpenOutcome::NotStarted(ETXTBSY), 11},
        {OpenOutcome::NotStarted(EIO), 4},
        {OpenOutcome::ExitedWith(1), 1},
        {OpenOutcome::ExitedWith(2), 2},
        {OpenOutcome::ExitedWith(3), 31},
        {OpenOutcome::ExitedWith(4), 4},
        {OpenOutcome::ExitedWith(127), 4},
        {OpenOutcome::KilledBy(SIGKILL), 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShellResultFor(c.outcome), c.expected)
            << "state " << static_cast<int>(c.outcome.state) << " error " << c.outcome.error
            << " exit " << c.outcome.exitStatus << " signal " << c.outcome.signal;
}

TEST(ShellResult, EveryFailureGivesAMessageAndNoSuccessDoes) {
    EXPECT_EQ(ExploreWebMessage(ShellResultFor(OpenOutcome::NotStarted(ENOENT))),
              "Error: File not found");
    EXPECT_EQ(ExploreWebMessage(ShellResultFor(OpenOutcome::ExitedWith(3))),
              "Error Nr:31 in ShellExecute");
    EXPECT_FALSE(ExploreWebMessage(ShellResultFor(OpenOutcome::Opened())));
    for (int error = 1; error < 134; ++error)
        EXPECT_TRUE(ExploreWebMessage(ShellResultFor(OpenOutcome::NotStarted(error)))) << error;
    for (int status = 1; status < 256; ++status)
        EXPECT_TRUE(ExploreWebMessage(ShellResultFor(OpenOutcome::ExitedWith(status)))) << status;
}

} // namespace
} // namespace kevo::info
