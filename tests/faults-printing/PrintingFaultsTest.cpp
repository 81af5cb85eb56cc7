// SPDX-License-Identifier: Apache-2.0
// Faults of the printing service met by the program itself: its start-up
// and its commands run in this process (WindowlessProgram) over the real
// CUPS service, the caching decorator and the printer catalogue, against a
// private scheduler that the tests stop, freeze, restart, or whose printers
// and PPDs they delete and break. Each case checks what the user is shown,
// every line's error tokens, and that the command ends within its bound.

#include "ActionBeforeBins.h"
#include "PrivateScheduler.h"
#include "SchedulerInPlace.h"
#include "ScratchFolder.h"
#include "TestPrinters.h"
#include "WindowlessProgram.h"
#include "platform/cups/CupsPrintingService.h"
#include "platform/printing/CachingPrintingService.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace kevo::faults {
namespace {

namespace fs = std::filesystem;
using e2e::LongNamesPrinter;
using e2e::MatchingLine;
using e2e::NoSlotsPrinter;
using e2e::OfficePrinter;
using e2e::SetupLine;
using e2e::TestPrinter;
using std::chrono::milliseconds;
using test::ProgramFiles;
using test::WindowlessProgram;

// A command that needs nothing new from the scheduler finishes in a few
// milliseconds; one that meets a frozen scheduler waits for the service's
// request timeout (2 s) once. The start-up bound of 10 s is the one the
// host application relies on.
constexpr milliseconds kImmediate{1000};
constexpr milliseconds kFrozenBound{10000};

const std::string kErrorsReport = "message: Error(s) detected in your printer setup.\r\n"
                                  "Please run the application printer setup routine.";
// A printer whose bins cannot be had gets the single bins "Default" and
// "7", which no line that was set up on its real bins names.
const std::string kFallbackBins = "Tray1Name,Tray1Num,Tray2Name,Tray2Num,";
const std::string kUndefined = "Printer Undefined,";

// The scheduler's printers that every test sees. "Used" and "Moved" are
// added afresh by each test, since tests delete them and break their PPDs:
// lines 2 and 5 use "Used" from the start; "Moved" is a printer that the
// program has not asked for its bins when the lines are moved to it.
TestPrinter Office() {
    return OfficePrinter("Office", "file:///dev/null");
}
TestPrinter Labels() {
    return NoSlotsPrinter("Labels", "lpd://warehouse/labels");
}
TestPrinter Used() {
    return LongNamesPrinter("Used", "socket://10.20.0.21:9100");
}
TestPrinter Moved() {
    return LongNamesPrinter("Moved", "socket://10.20.0.22:9100");
}

// The private scheduler of this test process, started at its first use.
test::PrivateScheduler& Scheduler() {
    static const std::unique_ptr<test::PrivateScheduler> scheduler = [] {
        auto started = std::make_unique<test::PrivateScheduler>();
        started->Start();
        e2e::AddPrinters(*started, {Office(), Labels()}, KEVO_TEST_PPD_DIR);
        started->SetServerDefault("Office");
        return started;
    }();
    return *scheduler;
}

// Line 3 has no name and no section.
const std::vector<std::string> kNames = {"Invoices", "Delivery Notes", "", "Labels", "Returns"};
const int kNamedLines[] = {1, 2, 4, 5};

// Lines 2 and 5 on the printer given, on two of its real bins each.
std::vector<SetupLine> SetupOn(const TestPrinter& linePrinter) {
    const TestPrinter office = Office();
    const TestPrinter labels = Labels();
    return {
        MatchingLine(1, "Invoices", office, office.bins[1], office.bins[2]),
        MatchingLine(2, "Delivery Notes", linePrinter, linePrinter.bins[1], linePrinter.bins[4]),
        MatchingLine(4, "Labels", labels, labels.bins[0], labels.bins[0]),
        MatchingLine(5, "Returns", linePrinter, linePrinter.bins[2], linePrinter.bins[3]),
    };
}

// Every named line's Errors text, lines 1, 2, 4 and 5, in this order.
std::vector<std::string> NamedLineErrors(const WindowlessProgram& program) {
    std::vector<std::string> errors;
    for (const int line : kNamedLines)
        errors.push_back(program.Errors(line));
    return errors;
}

void Report(const char* what, milliseconds elapsed) {
    std::printf("[ measured ] %s: %lld ms\n", what, static_cast<long long>(elapsed.count()));
    ::testing::Test::RecordProperty(what, std::to_string(elapsed.count()));
}

// What a test does to the printing service.
enum class Fault {
    None,
    SchedulerAbsent,    // stopped: nothing listens
    SchedulerFrozen,    // SIGSTOP: connections are accepted, nothing answers
    SchedulerRestarted, // stopped and started again at the same address
    DefaultDeleted,     // "Used" made the default, then deleted
    LinePrinterDeleted, // "Used" deleted
    LinePpdUnreadable,  // "Used"'s PPD overwritten with text no parser takes
    PrintersDeleted,    // "Used" and "Moved" deleted
    PpdsUnreadable,     // both their PPDs overwritten
};

class PrintingFaults : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = test::MakeScratchFolder("kevo-faults-");
        files_ = {folder_ / "names.txt", folder_ / "setup.ini", folder_ / "config"};
        test::WriteBytes(files_.names, e2e::NamesFileText(kNames));
        UseSetup(SetupOn(Used()));
        e2e::AddPrinters(Scheduler(), {Used(), Moved()}, KEVO_TEST_PPD_DIR);
    }

    void TearDown() override {
        // The scheduler as the next test expects it, however this one ended.
        restarted_.reset();
        test::PrivateScheduler& scheduler = Scheduler();
        scheduler.Thaw();
        scheduler.Start();
        for (const char* printer : {"Used", "Moved"}) {
            try {
                scheduler.RemovePrinter(printer);
            } catch (const test::SchedulerError&) {
                // The test deleted it already.
            }
        }
        scheduler.SetServerDefault("Office");
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    void Apply(Fault fault) {
        test::PrivateScheduler& scheduler = Scheduler();
        const std::string broken = "This is not a PPD file.\n";
        switch (fault) {
        case Fault::None:
            break;
        case Fault::SchedulerAbsent:
            scheduler.Stop();
            break;
        case Fault::SchedulerFrozen:
            scheduler.Freeze();
            break;
        case Fault::SchedulerRestarted:
            restarted_ = std::make_unique<SchedulerRestartedInPlace>(scheduler);
            break;
        case Fault::DefaultDeleted:
            scheduler.SetServerDefault("Used");
            scheduler.RemovePrinter("Used");
            break;
        case Fault::LinePrinterDeleted:
            scheduler.RemovePrinter("Used");
            break;
        case Fault::LinePpdUnreadable:
            scheduler.ReplacePpd("Used", broken);
            break;
        case Fault::PrintersDeleted:
            scheduler.RemovePrinter("Used");
            scheduler.RemovePrinter("Moved");
            break;
        case Fault::PpdsUnreadable:
            scheduler.ReplacePpd("Used", broken);
            scheduler.ReplacePpd("Moved", broken);
            break;
        }
    }

    void UseSetup(const std::vector<SetupLine>& lines) {
        setupText_ = e2e::SetupFileText(lines);
        test::WriteBytes(files_.setup, setupText_);
    }

    void ExpectSetupFileUntouched() { EXPECT_EQ(test::ReadBytes(files_.setup), setupText_); }

    fs::path folder_;
    ProgramFiles files_;
    std::string setupText_;
    std::unique_ptr<SchedulerRestartedInPlace> restarted_;
};

// Faults that the program meets at start-up, in run mode 2 (the host's
// check-and-report call): what it shows, each named line's tokens, and the
// time from start to the end of the run-mode decision.
struct StartupFault {
    const char* name;
    Fault fault;
    // The standard error report's text, as start of it and a part of it;
    // no report when empty.
    std::string reportStart;
    std::string reportPart;
    std::vector<std::string> lineErrors; // lines 1, 2, 4, 5
    milliseconds bound;
};

void PrintTo(const StartupFault& fault, std::ostream* out) {
    *out << fault.name;
}

class StartupFaults : public PrintingFaults, public ::testing::WithParamInterface<StartupFault> {};

TEST_P(StartupFaults, ShowTheirMessagesAndEndWithinTheBound) {
    const StartupFault& fault = GetParam();
    Apply(fault.fault);

    WindowlessProgram program;
    const milliseconds elapsed = Timed([&] { program.StartUp("2", files_); });
    Report(fault.name, elapsed);
    std::vector<std::string> shown = program.prompter.Shown();
    for (std::string text : shown) {
        for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;)
            text.replace(at, 2, " | ");
        std::printf("[ shown    ] %s\n", text.c_str());
    }

    if (!fault.reportStart.empty()) {
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.front().rfind("report: " + fault.reportStart, 0), 0u) << shown.front();
        EXPECT_NE(shown.front().find(fault.reportPart), std::string::npos) << shown.front();
        shown.erase(shown.begin());
    }
    bool anyErrors = false;
    for (const std::string& errors : fault.lineErrors)
        anyErrors = anyErrors || !errors.empty();
    EXPECT_EQ(shown,
              anyErrors ? std::vector<std::string>{kErrorsReport} : std::vector<std::string>{});
    EXPECT_EQ(NamedLineErrors(program), fault.lineErrors);
    EXPECT_EQ(program.Errors(3), "");
    EXPECT_TRUE(program.ui.terminationRequested);
    EXPECT_LT(elapsed, fault.bound);
    ExpectSetupFileUntouched();
}

const std::string kSystemError = printers::kSystemErrorLead;

INSTANTIATE_TEST_SUITE_P(
    Scheduler, StartupFaults,
    ::testing::Values(
        StartupFault{"SchedulerAbsent",
                     Fault::SchedulerAbsent,
                     kSystemError,
                     "is not running or cannot be reached.",
                     {kUndefined, kUndefined, kUndefined, kUndefined},
                     kImmediate},
        StartupFault{"SchedulerFrozen",
                     Fault::SchedulerFrozen,
                     kSystemError,
                     "did not answer within 2000 ms.",
                     {kUndefined, kUndefined, kUndefined, kUndefined},
                     kFrozenBound},
        StartupFault{
            "SchedulerRestarted", Fault::SchedulerRestarted, "", "", {"", "", "", ""}, kImmediate},
        // The first queue stands in for the default: only the deleted
        // printer's lines are in error.
        StartupFault{"DefaultPrinterDeleted",
                     Fault::DefaultDeleted,
                     "",
                     "",
                     {"", kUndefined, "", kUndefined},
                     kImmediate},
        StartupFault{"LinePrinterDeleted",
                     Fault::LinePrinterDeleted,
                     "",
                     "",
                     {"", kUndefined, "", kUndefined},
                     kImmediate},
        StartupFault{"LinePrinterPpdUnreadable",
                     Fault::LinePpdUnreadable,
                     "",
                     "",
                     {"", kFallbackBins, "", kFallbackBins},
                     kImmediate}),
    [](const auto& info) { return std::string(info.param.name); });

// Faults that happen while the program runs (mode 0, the interactive
// editor, after a start-up without errors). The printer list is taken once
// per run, but every recheck asks the printers' drivers, ports and bins
// again: it tells what the scheduler says now. Lines moved (by another
// program) to a printer that the program has not asked yet, then Reload
// Details: that printer is asked for now, by name; one that the scheduler
// no longer has, or that cannot be asked for at all, is not installed; one
// whose bins cannot be had has the bins "Default" and "7".
struct MidRunFault {
    const char* name;
    Fault fault;
    std::vector<std::string> afterRecheck; // lines 1, 2, 3 and 5
    std::string movedLineErrors;           // lines 2 and 5 after the reload
    milliseconds bound;                    // of a recheck and of the reload
};

void PrintTo(const MidRunFault& fault, std::ostream* out) {
    *out << fault.name;
}

class MidRunFaults : public PrintingFaults, public ::testing::WithParamInterface<MidRunFault> {};

TEST_P(MidRunFaults, RecheckAsksAgainAndMovedLinesGetTheirTokens) {
    const MidRunFault& fault = GetParam();
    WindowlessProgram program;
    program.StartUp("0", files_);
    ASSERT_EQ(NamedLineErrors(program), (std::vector<std::string>{"", "", "", ""}))
        << "the setup does not match the printers";
    ASSERT_TRUE(program.prompter.Shown().empty());

    Apply(fault.fault);

    const milliseconds recheck = Timed([&] { program.Recheck(); });
    Report((std::string(fault.name) + "_recheck").c_str(), recheck);
    EXPECT_EQ(NamedLineErrors(program), fault.afterRecheck);
    EXPECT_TRUE(program.prompter.Shown().empty());
    EXPECT_LT(recheck, fault.bound);

    UseSetup(SetupOn(Moved()));
    const milliseconds reload = Timed([&] { program.Reload(); });
    Report((std::string(fault.name) + "_reload").c_str(), reload);
    const std::string& moved = fault.movedLineErrors;
    const std::string& stayed = fault.afterRecheck[0];
    EXPECT_EQ(NamedLineErrors(program), (std::vector<std::string>{stayed, moved, stayed, moved}));
    // The reload's question only: a printer whose bins cannot be had is no
    // error of its own.
    ASSERT_EQ(program.prompter.Shown().size(), 1u);
    EXPECT_LT(reload, fault.bound);
    // The check has left the catalogue on the moved lines' printer.
    const auto& bins = program.catalogue.cboTray1Num().items;
    if (moved.empty()) {
        EXPECT_EQ(bins, (std::vector<std::string>{"15", "256", "257", "258", "259"}));
    } else if (moved == kFallbackBins) {
        EXPECT_EQ(bins, (std::vector<std::string>{"7"}));
    }

    // Another recheck asks again, within the same bound, and gives the same.
    const milliseconds again = Timed([&] { program.Recheck(); });
    EXPECT_EQ(NamedLineErrors(program), (std::vector<std::string>{stayed, moved, stayed, moved}));
    EXPECT_LT(again, fault.bound);
    // The windows come back after every recheck.
    EXPECT_FALSE(program.ui.disabled);
    EXPECT_FALSE(program.ui.splashShown);
    ExpectSetupFileUntouched();
}

// What a printer that cannot be asked any more gives its lines: no port, no
// driver, and the stand-in bins.
const std::string kUnasked = "Port,Driver," + kFallbackBins;

INSTANTIATE_TEST_SUITE_P(
    Scheduler, MidRunFaults,
    ::testing::Values(
        MidRunFault{"NoFault", Fault::None, {"", "", "", ""}, "", kImmediate},
        MidRunFault{"SchedulerRestarted", Fault::SchedulerRestarted, {"", "", "", ""}, "",
                    kImmediate},
        // Connections kept from start-up may meet the stopped scheduler as
        // one that does not answer: one wait at most.
        MidRunFault{"SchedulerStopped", Fault::SchedulerAbsent,
                    {kUnasked, kUnasked, kUnasked, kUnasked}, kUndefined, kFrozenBound},
        MidRunFault{"SchedulerFrozen", Fault::SchedulerFrozen,
                    {kUnasked, kUnasked, kUnasked, kUnasked}, kUndefined, kFrozenBound},
        MidRunFault{"PrintersDeleted", Fault::PrintersDeleted, {"", kUnasked, "", kUnasked},
                    kUndefined, kImmediate},
        MidRunFault{"PpdsUnreadable", Fault::PpdsUnreadable,
                    {"", kFallbackBins, "", kFallbackBins}, kFallbackBins, kImmediate}),
    [](const auto& info) { return std::string(info.param.name); });

// The scheduler fails in the middle of the start-up check, just before the
// first question about the printer of line 2, which is when the bins of
// every printer still to be asked are looked up and fetched side by side.
// Frozen: line 1 was checked on real answers at start-up, line 2 and every
// later line whose printer had not been asked for yet have no printer that
// can be found, and the whole fetch costs one wait (a PPD fetch waits two request timeouts,
// 4 s), not one per printer. Restarted where it was: every connection kept
// to it is closed, and the answers are the real ones.
struct MidCheckFault {
    const char* name;
    Fault fault;
    std::vector<std::string> lineErrors; // lines 1, 2, 4, 5
    milliseconds bound;
};

void PrintTo(const MidCheckFault& fault, std::ostream* out) {
    *out << fault.name;
}

class MidCheckFaults : public PrintingFaults,
                       public ::testing::WithParamInterface<MidCheckFault> {};

TEST_P(MidCheckFaults, GiveTheRealAnswersOrTheFallbackBinsWithinOneWait) {
    const MidCheckFault& fault = GetParam();
    // Side by side although the scheduler is near, as with a far one.
    platform::CupsServiceOptions options;
    options.sideBySide = platform::CupsServiceOptions::SideBySide::Always;
    auto cups = platform::MakeCupsPrintingService(options);
    auto failing =
        std::make_unique<ActionBeforeBins>(std::move(cups), "Used", [&] { Apply(fault.fault); });
    ActionBeforeBins& trigger = *failing;
    WindowlessProgram program(
        std::make_unique<platform::CachingPrintingService>(std::move(failing)));

    const milliseconds elapsed = Timed([&] { program.StartUp("2", files_); });
    Report(fault.name, elapsed);
    ASSERT_TRUE(trigger.Done()) << "the check never asked for the bins of line 2's printer";
    EXPECT_EQ(NamedLineErrors(program), fault.lineErrors);
    const bool anyErrors = fault.lineErrors != std::vector<std::string>{"", "", "", ""};
    EXPECT_EQ(program.prompter.Shown(),
              anyErrors ? std::vector<std::string>{kErrorsReport} : std::vector<std::string>{});
    EXPECT_TRUE(program.ui.terminationRequested);
    EXPECT_LT(elapsed, fault.bound);
    ExpectSetupFileUntouched();
}

INSTANTIATE_TEST_SUITE_P(
    Scheduler, MidCheckFaults,
    ::testing::Values(MidCheckFault{"Frozen",
                                    Fault::SchedulerFrozen,
                                    {"", kUndefined, kUndefined, kUndefined},
                                    milliseconds(6000)},
                      MidCheckFault{
                          "Restarted", Fault::SchedulerRestarted, {"", "", "", ""}, kImmediate}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kevo::faults
