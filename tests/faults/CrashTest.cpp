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

#include "ChildProcess.h"
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

namespace kevo::faults {
namespace {

using test::Clock;

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
    const auto table = std::make_unique<setup::ConfigTable>();
    table->LayOut();
    const auto save = [&](const std::string& path, int version) {
        FillCrashTable(*table, version);
        setup::SaveSetupFile(*table, path);
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
    Saver(const std::string& path, int firstVersion)
        : child_({KEVO_CRASH_SAVER_PATH, path, std::to_string(firstVersion)}, Options()) {}

    // Waits (bounded) for its "ready" line.
    bool WaitReady(Clock::time_point deadline) { return child_.ReadLine(deadline) == "ready"; }

    // Kills it; false when it had already ended by itself.
    bool Kill() {
        child_.Kill();
        const std::optional<test::ExitInfo>& exit = child_.Exit();
        return exit && !exit->exited && exit->code == SIGKILL;
    }

private:
    static test::SpawnOptions Options() {
        test::SpawnOptions options;
        options.outputPipe = true;
        options.error = test::ErrorOutput::Inherited;
        return options;
    }

    test::ChildProcess child_;
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
