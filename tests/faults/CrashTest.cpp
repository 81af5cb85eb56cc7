// SPDX-License-Identifier: Apache-2.0
// The crash test: a saver process writes two different tables to the setup
// file in turn, through the program's own save, and is killed with SIGKILL
// at a random moment; after every kill the setup file must be exactly one
// of the complete versions (or still missing, when it was missing and the
// first save had not finished). Hundreds of trials within a time bound.
//
// KEVO_CRASH_TRIALS (default 1000) and KEVO_CRASH_SECONDS (default 60) change
// the number of trials and the bound; the test stops early at the bound and
// needs at least 100 trials in any case.

#include "CrashVersions.h"
#include "FormHarness.h"

#include "setup/SetupFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kevo::faults {
namespace {

using Clock = std::chrono::steady_clock;

long EnvironmentNumber(const char* name, long fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::atol(text) : fallback;
}

// The complete files that saves can leave, worked out by saving the two
// versions in turn in this process.
struct Versions {
    std::string a;      // version 0 over the starting text, or over B
    std::string b;      // version 1 over A
    std::string aFresh; // version 0 where there was no file
    std::string bFresh; // version 1 over aFresh
};

Versions WorkOutVersions() {
    ScratchFolder folder("kevo-crash-ref-");
    // On the heap: clang 14 crashes compiling a table on the stack in C++20.
    const auto table = std::make_unique<mainwindow::ConfigTable>();
    table->LayOut();
    const auto save = [&](const std::string& path, int version) {
        FillCrashTable(*table, version);
        mainwindow::SaveSetupFile(*table, path);
        return ReadBytes(path);
    };
    Versions v;
    WriteBytes(folder / "one.ini", kCrashFileStart);
    v.a = save(folder / "one.ini", 0);
    v.b = save(folder / "one.ini", 1);
    EXPECT_EQ(save(folder / "one.ini", 0), v.a) << "saving A over B does not give A again";
    v.aFresh = save(folder / "two.ini", 0);
    v.bFresh = save(folder / "two.ini", 1);
    return v;
}

// A running saver whose standard output is read through a pipe.
class Saver {
public:
    Saver(const std::string& path, int firstVersion) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        const std::string version = std::to_string(firstVersion);
        const char* argv[] = {KEVO_CRASH_SAVER_PATH, path.c_str(), version.c_str(), nullptr};
        const int error = posix_spawn(&pid_, KEVO_CRASH_SAVER_PATH, &actions, nullptr,
                                      const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        output_ = fds[0];
        if (error != 0)
            throw std::runtime_error("cannot start the saver");
    }
    ~Saver() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(output_);
    }
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    // Waits (bounded) for its "ready" line.
    bool WaitReady(Clock::time_point deadline) {
        std::string got;
        while (got.find('\n') == std::string::npos) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd fd{output_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0)
                return false;
            char buffer[64];
            const ssize_t n = ::read(output_, buffer, sizeof buffer);
            if (n <= 0)
                return false;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got == "ready\n";
    }

    // Kills it; false when it had already ended by itself.
    bool Kill() {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }

private:
    pid_t pid_ = -1;
    int output_ = -1;
};

TEST(CrashTest, SetupFileIsAlwaysOneCompleteVersionAfterSigkill) {
    const Versions versions = WorkOutVersions();
    ASSERT_NE(versions.a, versions.b);
    ASSERT_GT(versions.a.size(), 2u * 64 * 1024) << "version A should need several writes";

    const long trials = EnvironmentNumber("KEVO_CRASH_TRIALS", 1000);
    const auto bound = std::chrono::seconds(EnvironmentNumber("KEVO_CRASH_SECONDS", 60));
    std::mt19937 random(std::random_device{}());
    // Up to 25 ms after the saver is ready: a save of version A takes a
    // few milliseconds, so the kills fall before, inside and between saves.
    std::uniform_int_distribution<int> delayMicroseconds(0, 25000);

    ScratchFolder folder("kevo-crash-");
    const std::string path = folder / "setup.ini";
    long done = 0;
    long endedAsA = 0;
    long endedAsB = 0;
    long stillMissing = 0;
    long temporariesLeft = 0;
    const auto start = Clock::now();
    for (; done < trials && Clock::now() - start < bound; ++done) {
        // Every tenth trial starts without a file.
        const bool fresh = done % 10 == 9;
        std::filesystem::remove(path);
        if (!fresh)
            WriteBytes(path, done % 2 == 0 ? versions.a : versions.b);
        const int firstVersion = static_cast<int>(random() % 2);

        Saver saver(path, firstVersion);
        ASSERT_TRUE(saver.WaitReady(Clock::now() + std::chrono::seconds(10)))
            << "the saver did not start";
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
        ASSERT_TRUE(saver.Kill()) << "the saver ended by itself (trial " << done << ")";

        const bool exists = std::filesystem::exists(path);
        const std::string bytes = exists ? ReadBytes(path) : std::string();
        if (!exists) {
            EXPECT_TRUE(fresh) << "trial " << done << ": the setup file is gone";
            ++stillMissing;
        } else if (bytes == (fresh ? versions.aFresh : versions.a)) {
            ++endedAsA;
        } else if (bytes == (fresh ? versions.bFresh : versions.b)) {
            ++endedAsB;
        } else {
            ADD_FAILURE() << "trial " << done << ": the setup file is neither version ("
                          << bytes.size() << " bytes)";
        }
        // A kill in the middle of a save leaves its temporary file behind;
        // it never takes the setup file's place.
        for (const std::string& name : folder.Names()) {
            if (name != "setup.ini") {
                ++temporariesLeft;
                std::filesystem::remove(folder / name);
            }
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::cout << "crash trials: " << done << " in " << seconds << " s; file was version A "
              << endedAsA << " times, version B " << endedAsB << " times, still missing "
              << stillMissing << " times; temporary files left by killed saves: " << temporariesLeft
              << "\n";
    EXPECT_GE(done, 100) << "too few trials within the time bound";
    EXPECT_GT(endedAsA, 0);
    EXPECT_GT(endedAsB, 0);
}

} // namespace
} // namespace kevo::faults
