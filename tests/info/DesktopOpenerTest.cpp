#include "platform/system/DesktopOpener.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
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

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "kevo-opener-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path_); }
    // Writes a file with the given permissions and gives its path.
    std::string Write(const std::string& name, const std::string& bytes, fs::perms perms) const {
        const fs::path file = path_ / name;
        {
            std::ofstream out(file, std::ios::binary);
            out << bytes;
        }
        fs::permissions(file, perms);
        return file.string();
    }
    std::string Script(const std::string& name, const std::string& body) const {
        return Write(name, "#!/bin/sh\n" + body, fs::perms::owner_all);
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

OpenOutcome OpenAndWait(const std::string& program, const std::string& target) {
    XdgOpener opener(program);
    return opener.Open(target)->WaitFor(kBound);
}

TEST(XdgOpener, OpenersThatCannotStartAreReportedAtOnce) {
    TempDir dir;
    const std::string notExecutable =
        dir.Write("plain", "#!/bin/sh\nexit 0\n", fs::perms::owner_read | fs::perms::owner_write);
    const std::string garbage =
        dir.Write("garbage", std::string("\x7f\x01\x02junk\n", 8), fs::perms::owner_all);
    const struct {
        const char* label;
        std::string program;
        int error;
    } cases[] = {
        {"not on PATH", "kevo-no-such-opener", ENOENT},
        {"missing path", dir.Path("missing"), ENOENT},
        {"a file where a folder should be", notExecutable + "/opener", ENOTDIR},
        {"not executable", notExecutable, EACCES},
        {"a folder", dir.Path(""), EACCES},
        {"not a program", garbage, ENOEXEC},
    };
    for (const auto& c : cases) {
        XdgOpener opener(c.program);
        const OpenOutcome outcome = opener.Open("http://www.example.com")->Outcome();
        EXPECT_EQ(outcome, OpenOutcome::NotStarted(c.error)) << c.label;
    }
}

TEST(XdgOpener, TheOpenersEndDecidesTheOutcome) {
    TempDir dir;
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
        const std::string script = dir.Script("opener" + std::to_string(n++), c.body);
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
    TempDir dir;
    const std::string script =
        dir.Script("opener", "printf '%s\\n' \"$#\" \"$1\" > \"$(dirname \"$0\")/arguments\"\n"
                             "readlink /proc/$$/fd/0 > \"$(dirname \"$0\")/stdin\"\n");
    const std::string target =
        "http://www.example.com/a b?x=1&y=$(touch " + dir.Path("pwned") + ");`id` 'q' \"d\"";
    EXPECT_EQ(OpenAndWait(script, target), OpenOutcome::Opened());
    EXPECT_EQ(dir.Read("arguments"), "1\n" + target + "\n");
    EXPECT_EQ(dir.Read("stdin"), "/dev/null\n");
    EXPECT_FALSE(fs::exists(dir.Path("pwned")));
}

TEST(XdgOpener, RunsInASessionOfItsOwn) {
    TempDir dir;
    const std::string script =
        dir.Script("opener", "cut -d' ' -f6 /proc/$$/stat > \"$(dirname \"$0\")/session\"\n");
    EXPECT_EQ(OpenAndWait(script, "http://www.example.com"), OpenOutcome::Opened());
    const std::string session = dir.Read("session");
    ASSERT_FALSE(session.empty());
    EXPECT_NE(std::stol(session), static_cast<long>(getsid(0)));
}

TEST(XdgOpener, OpeningDoesNotWaitForTheOpener) {
    TempDir dir;
    const std::string fifo = dir.Path("go");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The opener stays until the test writes a line into the FIFO.
    const std::string script = dir.Script("opener", "read line < \"" + fifo + "\"\nexit 4\n");
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
