// SPDX-License-Identifier: Apache-2.0
// The real kevoconf program started as the host application starts it,
// while its printing service is absent (no scheduler listens) or frozen
// (the scheduler accepts connections but never answers): it must show the
// standard error report within the start-up bound, then go on as its run
// mode says and end with status 0, leaving the setup file as it was.
// Runs under Xvfb with openbox, watched from outside (tests/e2e's support).

#include "Desktop.h"
#include "PrivateScheduler.h"
#include "TestPrinters.h"

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

class ProgramStartupFaults : public ::testing::TestWithParam<ProgramFault> {
protected:
    void SetUp() override {
        folder_ = MakeTemporaryFolder("kevo-faults-e2e-");
        DesktopOptions options;
        options.windowManagerConfig = KEVO_E2E_OPENBOX_RC;
        desktop_ = std::make_unique<Desktop>(folder_, options);
        scheduler_ = std::make_unique<test::PrivateScheduler>();
        scheduler_->Start();
        const TestPrinter office = OfficePrinter("Office", "file:///dev/null");
        AddPrinters(*scheduler_, {office}, KEVO_TEST_PPD_DIR);
        scheduler_->SetServerDefault(office.name);

        namesFile_ = folder_ / "names.txt";
        setupFile_ = folder_ / "setup.ini";
        WriteFile(namesFile_, NamesFileText({"Invoices", "Orders"}));
        setupText_ =
            SetupFileText({MatchingLine(1, "Invoices", office, office.bins[1], office.bins[2]),
                           MatchingLine(2, "Orders", office, office.bins[0], office.bins[0])});
        WriteFile(setupFile_, setupText_);
    }

    void TearDown() override {
        program_.Stop();
        desktop_.reset();
        scheduler_.reset();
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    WindowWatcher& Watcher() { return desktop_->Watcher(); }

    std::string Situation() {
        std::string text = "windows seen:\n" + Watcher().Describe();
        if (program_.Exit())
            text += "kevoconf ended: " + program_.Exit()->Describe() + "\n";
        text += "kevoconf output:\n" + FileTail(folder_ / "kevoconf.log", 2000);
        return text;
    }

    // Waits until a window of the program with this title is mapped and
    // active, so that keys go to it.
    std::optional<WindowInfo> WaitForActiveWindow(const std::string& title, seconds limit) {
        std::optional<WindowInfo> found;
        Watcher().WaitUntil(
            [&] {
                for (const WindowInfo& window : Watcher().WindowsOf(program_.Pid())) {
                    if (window.mapped && window.title == title &&
                        Watcher().ActiveWindow() == window.id) {
                        found = window;
                        return true;
                    }
                }
                return program_.HasExited();
            },
            Clock::now() + limit);
        if (!found) {
            ADD_FAILURE() << "no active window \"" << title << "\" of kevoconf within "
                          << limit.count() << " s\n"
                          << Situation();
        }
        return found;
    }

    bool WaitForEnd() {
        const bool ended =
            Watcher().WaitUntil([&] { return program_.HasExited(); }, Clock::now() + kStepLimit);
        if (!ended)
            ADD_FAILURE() << "kevoconf did not end\n" << Situation();
        return ended;
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

    fs::path folder_;
    fs::path namesFile_;
    fs::path setupFile_;
    std::string setupText_;
    std::unique_ptr<Desktop> desktop_;
    std::unique_ptr<test::PrivateScheduler> scheduler_;
    ChildProcess program_;
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
    ASSERT_TRUE(WaitForEnd());
    std::printf("[ measured ] %s: start to end %lld ms\n", run.name,
                static_cast<long long>(Since(program_.StartTime()).count()));

    ASSERT_TRUE(program_.Exit().has_value());
    EXPECT_TRUE(program_.Exit()->exited && program_.Exit()->code == 0)
        << "kevoconf ended with " << program_.Exit()->Describe() << "\n"
        << Situation();
    EXPECT_EQ(ShownTitles(), (std::vector<std::string>{kReportTitle, next})) << Situation();
    EXPECT_EQ(ReadFile(setupFile_), setupText_) << "the setup file was changed";
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
