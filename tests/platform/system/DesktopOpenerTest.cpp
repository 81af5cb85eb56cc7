// SPDX-License-Identifier: Apache-2.0
#include "platform/system/DesktopOpener.h"

#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace kevo::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using State = OpenOutcome::State;

// Long enough for a shell script to start and end on a busy machine; the
// waits end as soon as the opener does.
constexpr auto kBound = 20s;

// Writes a file of the folder with the given permissions; gives its path.
std::string Write(const test::ScratchFolder& dir, const std::string& name, const std::string& bytes,
                  fs::perms perms) {
    const std::string file = dir.Write(name, bytes);
    fs::permissions(file, perms);
    return file;
}

// A shell script of the folder that its owner may run; gives its path.
std::string Script(const test::ScratchFolder& dir, const std::string& name,
                   const std::string& body) {
    return Write(dir, name, "#!/bin/sh\n" + body, fs::perms::owner_all);
}

OpenOutcome OpenAndWait(const std::string& program, const std::string& target) {
    XdgOpener opener(program);
    return opener.Open(target)->WaitFor(kBound);
}

TEST(XdgOpener, OpenersThatCannotStartAreReportedAtOnce) {
    test::ScratchFolder dir;
    const std::string notExecutable =
        Write(dir, "plain", "#!/bin/sh\nexit 0\n", fs::perms::owner_read | fs::perms::owner_write);
    const std::string garbage =
        Write(dir, "garbage", std::string("\x7f\x01\x02junk\n", 8), fs::perms::owner_all);
    const struct {
        const char* label;
        std::string program;
        int error;
    } cases[] = {
        {"not on PATH", "kevo-no-such-opener", ENOENT},
        {"missing path", dir / "missing", ENOENT},
        {"a file where a folder should be", notExecutable + "/opener", ENOTDIR},
        {"not executable", notExecutable, EACCES},
        {"a folder", dir / "", EACCES},
        {"not a program", garbage, ENOEXEC},
    };
    for (const auto& c : cases) {
        XdgOpener opener(c.program);
        const OpenOutcome outcome = opener.Open("http://www.example.com")->Outcome();
        EXPECT_EQ(outcome, OpenOutcome::NotStarted(c.error)) << c.label;
    }
}

TEST(XdgOpener, TheOpenersEndDecidesTheOutcome) {
    test::ScratchFolder dir;
    const struct {
        const char* label;
        std::string body;
        OpenOutcome expected;
    } cases[] = {
        {"success", "exit 0\n", OpenOutcome::Opened()},
        {"bad arguments", "exit 1\n", OpenOutcome::ExitedWith(1)},
        {"target not found", "exit 2\n", OpenOutcome::ExitedWith(2)},
        {"no program for the target", "exit 3\n", OpenOutcome::ExitedWith(3)},
        {"action failed", "exit 4\n", OpenOutcome::ExitedWith(4)},
        {"killed", "kill -TERM $$\n", OpenOutcome::KilledBy(SIGTERM)},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string script = Script(dir, "opener" + std::to_string(n++), c.body);
        EXPECT_EQ(OpenAndWait(script, "mailto:someone@example.com"), c.expected) << c.label;
    }
}

TEST(XdgOpener, FindsTheOpenerOnThePath) {
    // "sh" is on every PATH; with the target as its script file name it
    // fails to find it (exit status 127 from a POSIX shell, 2 from dash).
    const OpenOutcome outcome = OpenAndWait("sh", "/kevo/no/such/script");
    EXPECT_EQ(outcome.state, State::Failed);
    EXPECT_NE(outcome.exitStatus, 0);
}

TEST(XdgOpener, HandsTheTargetOverAsOneArgumentWithoutAShell) {
    test::ScratchFolder dir;
    const std::string script =
        Script(dir, "opener",
               "printf '%s\\n' \"$#\" \"$1\" > \"$(dirname \"$0\")/arguments\"\n"
               "readlink /proc/$$/fd/0 > \"$(dirname \"$0\")/stdin\"\n");
    const std::string target =
        "http://www.example.com/a b?x=1&y=$(touch " + (dir / "pwned") + ");`id` 'q' \"d\"";
    EXPECT_EQ(OpenAndWait(script, target), OpenOutcome::Opened());
    EXPECT_EQ(test::ReadBytes(dir / "arguments"), "1\n" + target + "\n");
    EXPECT_EQ(test::ReadBytes(dir / "stdin"), "/dev/null\n");
    EXPECT_FALSE(fs::exists(dir / "pwned"));
}

TEST(XdgOpener, RunsInASessionOfItsOwn) {
    test::ScratchFolder dir;
    const std::string script =
        Script(dir, "opener", "cut -d' ' -f6 /proc/$$/stat > \"$(dirname \"$0\")/session\"\n");
    EXPECT_EQ(OpenAndWait(script, "http://www.example.com"), OpenOutcome::Opened());
    const std::string session = test::ReadBytes(dir / "session");
    ASSERT_FALSE(session.empty());
    EXPECT_NE(std::stol(session), static_cast<long>(getsid(0)));
}

TEST(XdgOpener, OpeningDoesNotWaitForTheOpener) {
    test::ScratchFolder dir;
    const std::string fifo = dir / "go";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The opener stays until the test writes a line into the FIFO.
    const std::string script = Script(dir, "opener", "read line < \"" + fifo + "\"\nexit 4\n");
    XdgOpener opener(script);
    const auto request = opener.Open("http://www.example.com");
    EXPECT_EQ(request->Outcome().state, State::Running);
    {
        std::ofstream go(fifo);
        go << "go\n";
    }
    EXPECT_EQ(request->WaitFor(kBound), OpenOutcome::ExitedWith(4));
}

TEST(OpenRequest, TheFirstEndCounts) {
    OpenRequest request;
    EXPECT_EQ(request.WaitFor(0ms).state, State::Running);
    request.Finish(OpenOutcome::ExitedWith(2));
    request.Finish(OpenOutcome::Opened());
    EXPECT_EQ(request.Outcome(), OpenOutcome::ExitedWith(2));
}

TEST(SimulatedOpener, RecordsTargetsAndAnswersFromItsScript) {
    SimulatedOpener opener;
    opener.AnswerNext(OpenOutcome::NotStarted(ENOENT));
    opener.AnswerNext(OpenOutcome{});
    EXPECT_EQ(opener.Open("http://a.example.com")->Outcome(), OpenOutcome::NotStarted(ENOENT));
    const auto running = opener.Open("mailto:b@example.com");
    EXPECT_EQ(running->Outcome().state, State::Running);
    EXPECT_EQ(opener.LastRequest(), running);
    EXPECT_EQ(opener.Open("http://c.example.com")->Outcome(), OpenOutcome::Opened());
    EXPECT_EQ(opener.Targets(),
              (std::vector<std::string>{"http://a.example.com", "mailto:b@example.com",
                                        "http://c.example.com"}));
}

} // namespace
} // namespace kevo::platform
