// SPDX-License-Identifier: Apache-2.0
// Saving the setup file through the program's own commands while the file
// system fails: the fault shim (linked into this test) makes one call of the
// save fail at a time (creating the temporary file, writing, syncing,
// closing, setting its permissions, renaming it, syncing the folder), for
// every call the save makes, with ENOSPC, EIO and EACCES. After every such
// failure the user has seen "Unable to write to <path>." once, the old file
// is byte for byte as it was (or, when the failure came after the rename,
// the new file is complete), no temporary file is left, and the table still
// counts as modified. A folder that refuses the temporary file (EACCES at
// the create) is no failure when the file is there: it is rewritten in place.

#include "FormHarness.h"
#include "faultshim.h"

#include "messages/Prompter.h"
#include "setup/ConfigTable.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <iostream>
#include <set>
#include <string>
#include <vector>

namespace kevo::faults {
namespace {

using messages::MessageButton;
using setup::fixture::kPrinters;
using test::SetupSection;

const std::string kNames = "Invoices\r\nOrders\r\nLabels\r\n";

// The old file: a comment, a foreign section, three named lines (one with a
// key added by hand) and the section of a line that is no longer named.
std::string OldSetup(std::size_t foreignKeys = 1) {
    std::string text = "; printer setup of the accounts office\r\n[General]\r\n";
    for (std::size_t i = 0; i < foreignKeys; ++i)
        text += "Key" + std::to_string(i) + "=" + std::string(60, 'g') + "\r\n";
    text += SetupSection(1, "Invoices", "Office Laser", "Ne00:", "winspool", "Upper tray", "1",
                         "Lower tray", "2");
    text += SetupSection(2, "Orders", "Plotter", "LPT1:", "HP Plot", "Auto", "7", "Auto", "7");
    text += SetupSection(3, "Labels", "Label Writer", "USB001", "Dymo", "Roll", "4", "Roll", "4");
    text += "Mine=kept by hand\r\n";
    text += SetupSection(7, "Old line", "Office Laser", "Ne00:", "winspool", "Upper tray", "1",
                         "Upper tray", "1");
    return text;
}

// An edit of line 2 as the print setup dialog leaves it.
void EditLineTwo(Program& program) {
    setup::ConfigTable& table = program.Table();
    table.SetCell(setup::ColPrinter, 2, "Office Laser");
    table.SetCell(setup::ColWhere, 2, "Ne00:");
    table.SetCell(setup::ColDriver, 2, "winspool");
    table.SetCell(setup::ColSource1, 2, "Lower tray");
    table.SetCell(setup::ColTray1No, 2, "2");
    table.SetCell(setup::ColSource2, 2, "Lower tray");
    table.SetCell(setup::ColTray2No, 2, "2");
    table.SetCell(setup::ColChanged, 2, "*");
    program.form.SetModified(true);
}

// The user answers the "configure all printers now?" question with Yes and
// every print setup dialog with OK.
void ConfigureAllOnStart(Program& program) {
    program.prompter.AnswerNext(MessageButton::Yes);
    for (int i = 0; i < 3; ++i)
        program.dialog.steps.push_back([](printsetup::PrintSetupLogic&) { return true; });
}

struct Scenario {
    const char* name;
    // The setup file's path in the folder, as the program names it.
    std::string setupFile;
    // Files of the folder before the program starts.
    std::function<void(const ScratchFolder&)> prepare;
    // What the program does before the save under test, without faults.
    std::function<void(Program&, const ScratchFolder&)> before;
    // The operation under test; false when the command reports that it did
    // not finish (the close query refused the close).
    std::function<bool(Program&, const ScratchFolder&)> save;
    // A start-up save: the check's report (mode 2) or question (mode 1)
    // follows a failed save.
    std::string messageAfterFailure;
    // Folders that the save may make before it can fail.
    std::set<std::string> madeFolders;
    // The operation is the close query, which must refuse the close when the
    // save fails.
    bool closeQuery = false;
};

void Prepare(const ScratchFolder& folder, const std::string& setup) {
    WriteBytes(folder / "names.txt", kNames);
    if (!setup.empty())
        WriteBytes(folder / "setup.ini", setup);
}

std::vector<Scenario> Scenarios() {
    const auto modeZeroThenEdit = [](Program& program, const ScratchFolder& folder) {
        program.StartUp({"0", folder / "names.txt", folder / "setup.ini"}, folder / "config");
        EditLineTwo(program);
    };
    const auto saveDetails = [](Program& program, const ScratchFolder&) {
        program.form.btnSaveIniClick();
        return true;
    };
    return {
        {"SaveDetails",
         "setup.ini",
         [](const ScratchFolder& f) { Prepare(f, OldSetup()); },
         modeZeroThenEdit,
         saveDetails,
         "",
         {}},
        // Above 64 KiB the new text goes out in several writes.
        {"SaveDetailsOfALargeFile",
         "setup.ini",
         [](const ScratchFolder& f) { Prepare(f, OldSetup(4000)); },
         modeZeroThenEdit,
         saveDetails,
         "",
         {}},
        // The file is reached through a symbolic link: the link stays and
        // the file it names is replaced.
        {"SaveDetailsThroughALink",
         "setup.ini",
         [](const ScratchFolder& f) {
             Prepare(f, "");
             fs::create_directory(f / "data");
             WriteBytes(f / "data/real.ini", OldSetup());
             fs::create_symlink("data/real.ini", f / "setup.ini");
         },
         modeZeroThenEdit,
         saveDetails,
         "",
         {}},
        {"ClosePromptAnsweredYes",
         "setup.ini",
         [](const ScratchFolder& f) { Prepare(f, OldSetup()); },
         modeZeroThenEdit,
         [](Program& program, const ScratchFolder&) {
             program.prompter.AnswerNext(MessageButton::Yes);
             return program.form.FormCloseQuery();
         },
         "",
         {},
         true},
        // Mode 2 with no setup file: the user configures all lines, and
        // start-up saves them before it reports.
        {"StartUpModeTwo",
         "setup.ini",
         [](const ScratchFolder& f) { Prepare(f, ""); },
         [](Program& program, const ScratchFolder&) { ConfigureAllOnStart(program); },
         [](Program& program, const ScratchFolder& folder) {
             program.StartUp({"2", folder / "names.txt", folder / "setup.ini"}, folder / "config");
             return true;
         },
         setup::kErrorsReport,
         {}},
        // Mode 1 with the default setup file in a configuration folder that
        // does not exist yet; the save makes the folder first.
        {"StartUpModeOneDefaultPath",
         "config/Vezerava.ini",
         [](const ScratchFolder& f) { Prepare(f, ""); },
         [](Program& program, const ScratchFolder&) { ConfigureAllOnStart(program); },
         [](Program& program, const ScratchFolder& folder) {
             program.StartUp({"1", folder / "names.txt"}, folder / "config");
             return true;
         },
         setup::kErrorsFixQuestion,
         {"config"}},
    };
}

// One run of a scenario with the nth counted call failing (0: none).
struct RunResult {
    long calls = 0;
    unsigned struck = 0;
    std::vector<unsigned> kinds; // the kind of each counted call
    bool renamedBeforeFault = false;
    bool finished = true;
    std::string setupPath;
    std::string file;
    bool fileExists = false;
    std::vector<std::string> names;
    std::vector<std::string> namesBefore;
    std::vector<std::string> reports;
    std::vector<std::string> messages;
    bool modified = false;
    std::string changedMarkOfLineTwo;
};

RunResult RunSave(const Scenario& scenario, long nth, int error, unsigned calls) {
    ScratchFolder folder;
    scenario.prepare(folder);
    Program program(kPrinters);
    scenario.before(program, folder);

    RunResult result;
    result.namesBefore = folder.Names();
    kevo_fault_arm(folder.Path().c_str(), nth, error, calls);
    result.finished = scenario.save(program, folder);
    kevo_fault_disarm();

    result.calls = kevo_fault_count();
    result.struck = kevo_fault_struck();
    for (long n = 1; n <= result.calls; ++n)
        result.kinds.push_back(kevo_fault_call_kind(n));
    for (long n = 1; n < nth && n <= result.calls; ++n) {
        if (kevo_fault_call_kind(n) == KEVO_FAULT_RENAME)
            result.renamedBeforeFault = true;
    }
    result.setupPath = folder / scenario.setupFile;
    result.fileExists = fs::exists(result.setupPath);
    result.file = result.fileExists ? ReadBytes(result.setupPath) : std::string();
    result.names = folder.Names();
    result.reports = program.ErrorReports();
    for (const auto& shown : program.prompter.Messages())
        result.messages.push_back(shown.text);
    result.modified = program.Table().Modified();
    result.changedMarkOfLineTwo = program.Table().Cell(setup::ColChanged, 2);
    return result;
}

std::string OldBytes(const Scenario& scenario) {
    ScratchFolder folder;
    scenario.prepare(folder);
    const std::string path = folder / scenario.setupFile;
    return fs::exists(path) ? ReadBytes(path) : std::string();
}

bool OldFileExisted(const Scenario& scenario) {
    ScratchFolder folder;
    scenario.prepare(folder);
    return fs::exists(folder / scenario.setupFile);
}

// Totals over the whole sweep, printed for the table of docs/reliability.md.
struct Tally {
    int injected = 0;
    int oldKept = 0;
    int newCompleteAfterRename = 0;
    int harmless = 0; // the failing call did not belong to the save (a read's close)
    int inPlace = 0;  // the folder refused the temporary file: written in place
    int lostOrCorrupted = 0;
    int leftovers = 0; // runs that left a temporary file or another stray name
};

class SaveFault : public ::testing::TestWithParam<Scenario> {
protected:
    static void TearDownTestSuite() {
        std::cout << "save faults injected: " << tally_.injected
                  << "; old file kept: " << tally_.oldKept
                  << "; new file complete (failure after the rename): "
                  << tally_.newCompleteAfterRename
                  << "; failures without effect on the save: " << tally_.harmless
                  << "; refused temporaries, written in place: " << tally_.inPlace
                  << "; files lost or corrupted: " << tally_.lostOrCorrupted
                  << "; runs that left a stray file: " << tally_.leftovers << "\n";
    }
    static Tally tally_;
};

Tally SaveFault::tally_;

TEST_P(SaveFault, EveryFailingCallKeepsTheOldFileOrCompletesTheNewOne) {
    const Scenario& scenario = GetParam();
    const std::string oldBytes = OldBytes(scenario);
    const bool oldExisted = OldFileExisted(scenario);

    // Without faults: the save works, and the shim counts its calls.
    const RunResult reference = RunSave(scenario, 0, 0, KEVO_FAULT_ALL_CALLS);
    ASSERT_TRUE(reference.reports.empty()) << reference.reports.front();
    ASSERT_TRUE(reference.fileExists);
    ASSERT_NE(reference.file, oldBytes);
    ASSERT_FALSE(reference.modified);
    // Create, write, fsync, close, rename and the folder's fsync at least.
    ASSERT_GE(reference.calls, 6) << "the shim does not see the save's calls";
    const std::string newBytes = reference.file;
    std::string trace;
    for (long n = 1; n <= reference.calls; ++n)
        trace += std::string(n > 1 ? " " : "") + kevo_fault_call_name(reference.kinds[n - 1]);
    std::cout << scenario.name << ": " << reference.calls << " calls: " << trace << "\n";
    // The first file a save makes is the writers' lock file; without it the
    // save goes on unserialised, which only our other writers notice.
    long lockCall = 1;
    while (lockCall < reference.calls && reference.kinds[lockCall - 1] != KEVO_FAULT_CREATE)
        ++lockCall;

    for (const int error : {ENOSPC, EIO, EACCES}) {
        for (long nth = 1; nth <= reference.calls + 1; ++nth) {
            SCOPED_TRACE(std::string(kevo_fault_error_name(error)) + " at call " +
                         std::to_string(nth) + " of " + std::to_string(reference.calls));
            const RunResult run = RunSave(scenario, nth, error, KEVO_FAULT_ALL_CALLS);
            // Never a temporary file, never a mix: the old bytes, or the new.
            std::set<std::string> expectedNames(run.namesBefore.begin(), run.namesBefore.end());
            expectedNames.insert(scenario.madeFolders.begin(), scenario.madeFolders.end());
            if (!oldExisted && run.fileExists)
                expectedNames.insert(scenario.setupFile);
            const std::set<std::string> names(run.names.begin(), run.names.end());
            EXPECT_EQ(names, expectedNames);
            tally_.leftovers += names != expectedNames ? 1 : 0;

            if (nth > reference.calls) {
                EXPECT_EQ(run.struck, 0u);
                EXPECT_TRUE(run.reports.empty());
                EXPECT_EQ(run.file, newBytes);
                continue;
            }
            ASSERT_NE(run.struck, 0u);
            ++tally_.injected;
            SCOPED_TRACE(std::string("failing call: ") + kevo_fault_call_name(run.struck));

            const bool lockFile = nth == lockCall;
            if (error == EACCES && run.struck == KEVO_FAULT_CREATE && oldExisted && !lockFile) {
                // The folder refused the temporary file: the old file was
                // rewritten in place.
                EXPECT_TRUE(run.reports.empty()) << run.reports.front();
                EXPECT_EQ(run.file, newBytes);
                EXPECT_FALSE(run.modified);
                ++tally_.inPlace;
                continue;
            }
            if (run.reports.empty()) {
                // Only a failure that did not belong to the save may go
                // unreported: the close of the descriptor that read the
                // old file, or the lock file. Then the save has finished.
                EXPECT_TRUE(run.struck == static_cast<unsigned>(KEVO_FAULT_CLOSE) || lockFile);
                EXPECT_EQ(run.file, newBytes);
                EXPECT_FALSE(run.modified);
                ++tally_.harmless;
                continue;
            }
            ASSERT_EQ(run.reports.size(), 1u);
            EXPECT_EQ(run.reports.front(), "Unable to write to " + run.setupPath + ".");
            if (run.renamedBeforeFault) {
                EXPECT_EQ(run.file, newBytes) << "the new file is not complete";
                ++(run.file == newBytes ? tally_.newCompleteAfterRename : tally_.lostOrCorrupted);
            } else {
                EXPECT_EQ(run.fileExists, oldExisted);
                EXPECT_EQ(run.file, oldBytes) << "the old file was changed";
                const bool kept = run.fileExists == oldExisted && run.file == oldBytes;
                ++(kept ? tally_.oldKept : tally_.lostOrCorrupted);
            }
            // Nothing counts as saved: the flag and the marks stay.
            EXPECT_TRUE(run.modified);
            if (scenario.messageAfterFailure.empty()) {
                EXPECT_EQ(run.changedMarkOfLineTwo, "*");
                EXPECT_FALSE(scenario.closeQuery && run.finished)
                    << "the close query allowed the close after a failed save";
            } else {
                EXPECT_FALSE(run.messages.empty());
                EXPECT_EQ(run.messages.back(), scenario.messageAfterFailure);
            }
        }
    }
}

// A write that is interrupted before it writes anything, or that writes
// only part of what it was given, is no failure: the save goes on and the
// new file is complete.
TEST_P(SaveFault, InterruptedAndShortWritesStillSaveEverything) {
    const Scenario& scenario = GetParam();
    const RunResult reference = RunSave(scenario, 0, 0, KEVO_FAULT_WRITE);
    ASSERT_GE(reference.calls, 1);
    for (const int error : {EINTR, static_cast<int>(KEVO_FAULT_SHORT_WRITE)}) {
        for (long nth = 1; nth <= reference.calls; ++nth) {
            SCOPED_TRACE((error == EINTR ? "EINTR" : "short write") + std::string(" at write ") +
                         std::to_string(nth));
            const RunResult run = RunSave(scenario, nth, error, KEVO_FAULT_WRITE);
            EXPECT_EQ(run.struck, static_cast<unsigned>(KEVO_FAULT_WRITE));
            EXPECT_TRUE(run.reports.empty()) << run.reports.front();
            EXPECT_EQ(run.file, reference.file);
            EXPECT_FALSE(run.modified);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Saves, SaveFault, ::testing::ValuesIn(Scenarios()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kevo::faults
