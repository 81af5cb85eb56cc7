// SPDX-License-Identifier: Apache-2.0
// The real kevoconf program started as the host application starts it,
// while its printing service is absent (no scheduler listens) or frozen
// (the scheduler accepts connections but never answers): it must show the
// standard error report within the start-up bound, then go on as its run
// mode says and end with status 0, leaving the setup file as it was.
// Runs under Xvfb with openbox, watched from outside (tests/e2e's support).

#include "PrivateScheduler.h"
#include "TestPrinters.h"
#include "WatchedProgram.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kevo::e2e {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using std::chrono::seconds;
using test::Clock;

const std::string kReportTitle = "Kevo Printer Configurator";
const std::string kErrorTitle = "Error";
const std::string kMainWindowTitle = "Quillmere Printer Configuration";
const std::string kSplashType = "_NET_WM_WINDOW_TYPE_SPLASH";

// The host application waits for the program unattended: whatever the
// scheduler does, the first message must be up within this bound.
constexpr seconds kStartupBound{10};
constexpr seconds kStepLimit{8};

milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

enum class SchedulerFault { Absent, Frozen };

struct ProgramFault {
    const char* name;
    SchedulerFault fault;
    const char* mode;
};

void PrintTo(const ProgramFault& run, std::ostream* out) {
    *out << run.name;
}

class ProgramStartupFaults : public WatchedProgram,
                             public ::testing::WithParamInterface<ProgramFault> {
protected:
    ProgramStartupFaults() : WatchedProgram("kevoconf") {}

    void SetUp() override {
        MakeFolder("kevo-faults-e2e-");
        NewDesktop();
        scheduler_ = std::make_unique<test::PrivateScheduler>();
        scheduler_->Start();
        const TestPrinter office = OfficePrinter("Office", "file:///dev/null");
        AddPrinters(*scheduler_, {office}, KEVO_TEST_PPD_DIR);
        scheduler_->SetServerDefault(office.name);

        namesFile_ = folder_ / "names.txt";
        setupFile_ = folder_ / "setup.ini";
        test::WriteBytes(namesFile_, NamesFileText({"Invoices", "Orders"}));
        setupText_ =
            SetupFileText({MatchingLine(1, "Invoices", office, office.bins[1], office.bins[2]),
                           MatchingLine(2, "Orders", office, office.bins[0], office.bins[0])});
        test::WriteBytes(setupFile_, setupText_);
    }

    void TearDown() override {
        program_.Stop();
        desktop_.reset();
        scheduler_.reset();
        RemoveFolder();
    }

    std::string Situation() override {
        return ProgramSituation("kevoconf output", folder_ / "kevoconf.log");
    }

    // The titles of the program's windows that were shown, the splash
    // window left out, in the order of their creation.
    std::vector<std::string> ShownTitles() {
        std::vector<std::string> titles;
        for (const WindowInfo& window : Watcher().WindowsOf(program_.Pid())) {
            if (window.timesMapped > 0 && !window.HasType(kSplashType))
                titles.push_back(window.title);
        }
        return titles;
    }

    fs::path namesFile_;
    fs::path setupFile_;
    std::string setupText_;
    std::unique_ptr<test::PrivateScheduler> scheduler_;
};

TEST_P(ProgramStartupFaults, ReportsTheFaultWithinTheBoundAndEnds) {
    const ProgramFault& run = GetParam();
    if (run.fault == SchedulerFault::Absent)
        scheduler_->Stop();
    else
        scheduler_->Freeze();

    program_ =
        StartKevoconf(KEVO_KEVOCONF_PATH, {run.mode, namesFile_.string(), setupFile_.string()},
                      folder_, desktop_->Display());
    const auto report = WaitForActiveWindow(kReportTitle, kStartupBound);
    ASSERT_TRUE(report);
    const milliseconds toReport = Since(program_.StartTime());
    std::printf("[ measured ] %s: error report after %lld ms\n", run.name,
                static_cast<long long>(toReport.count()));
    RecordProperty("report_ms", std::to_string(toReport.count()));
    EXPECT_LT(toReport, kStartupBound);
    desktop_->PressKeys({"Return"});

    // Mode 2 reports the lines in error (all of them: no printer is known)
    // and ends; mode 0 opens the main window, which closes without a
    // question since nothing was changed.
    const bool modeTwo = std::string(run.mode) == "2";
    const std::string next = modeTwo ? kErrorTitle : kMainWindowTitle;
    const auto window = WaitForActiveWindow(next, kStepLimit);
    ASSERT_TRUE(window);
    desktop_->PressKeys({modeTwo ? "Return" : "alt+F4"});
    ASSERT_TRUE(WaitUntilExited(kStepLimit));
    std::printf("[ measured ] %s: start to end %lld ms\n", run.name,
                static_cast<long long>(Since(program_.StartTime()).count()));

    ExpectEndedWithStatusZero();
    EXPECT_EQ(ShownTitles(), (std::vector<std::string>{kReportTitle, next})) << Situation();
    EXPECT_EQ(test::ReadBytes(setupFile_), setupText_) << "the setup file was changed";
}

INSTANTIATE_TEST_SUITE_P(
    Scheduler, ProgramStartupFaults,
    ::testing::Values(ProgramFault{"AbsentModeTwo", SchedulerFault::Absent, "2"},
                      ProgramFault{"FrozenModeTwo", SchedulerFault::Frozen, "2"},
                      ProgramFault{"AbsentModeZero", SchedulerFault::Absent, "0"},
                      ProgramFault{"FrozenModeZero", SchedulerFault::Frozen, "0"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kevo::e2e
