// SPDX-License-Identifier: Apache-2.0
// The headless check over simulated printers: what it finds, when it cannot
// check, and that it never writes.

#include "check/HeadlessCheck.h"
#include "check/RepairRun.h"
#include "ScratchFolder.h"
#include "SetupSection.h"
#include "platform/SystemPaths.h"
#include "platform/printing/SimulatedPrintingService.h"
#include "printers/Printers.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace kevo::tools {
namespace {

using platform::SimulatedPrintingService;
using test::SetupSection;
using Outcome = CheckResult::Outcome;
using Rows = std::vector<std::pair<int, std::string>>;

constexpr const char* kPrinters = R"(default Office
printer Office
    devices Office Driver,LPT1:
    bin 1 Upper
    bin 2 Lower
printer Plotter
    devices Plot Driver,COM1:
    bin 7 Roll
printer Broken
    devices Broken Driver,COM2:
    bin 1 Upper
    names-data fail
)";

// Lines 2 to 7 each hold one kind of mistake; line 4 is the blank line of
// the names file.
const std::string kNames = "Good\r\nRenamed\r\nMissing\r\n\r\nPorts\r\nDrivers\r\nBins\r\n";
const std::string kSetup =
    SetupSection(1, "Good", "office", "LPT1:", "Office Driver", "upper", "1", "Lower", "2") +
    SetupSection(2, "Old name", "Plotter", "COM1:", "Plot Driver", "Roll", "7", "Roll", "7") +
    SetupSection(3, "Missing", "Gone", "LPT1:", "Office Driver", "Upper", "1", "Upper", "1") +
    SetupSection(4, "", "Office", "LPT1:", "Office Driver", "Upper", "1", "Upper", "1") +
    SetupSection(5, "Ports", "Office", "lpt1:", "Office Driver", "Upper", "1", "Upper", "1") +
    SetupSection(6, "Drivers", "Plotter", "COM1:", "HP Plot", "Roll", "7", "Roll", "7") +
    SetupSection(7, "Bins", "Office", "LPT1:", "Office Driver", "Tray", "01", "Roll", "7");
const Rows kSetupRows = {
    {2, "Names Different (Old name),"},
    {3, "Printer Undefined,"},
    {4, "Printer Redundant,"},
    {5, "Port,"},
    {6, "Driver,"},
    {7, "Tray1Name,Tray1Num,Tray2Name,Tray2Num,"},
};
const Rows kAllUndefined = {{1, "Printer Undefined,"}, {2, "Printer Undefined,"},
                            {3, "Printer Undefined,"}, {5, "Printer Undefined,"},
                            {6, "Printer Undefined,"}, {7, "Printer Undefined,"}};

class HeadlessCheckTest : public ::testing::Test {
protected:
    CheckResult Run(const std::vector<std::string>& files, const char* printers = kPrinters) {
        setup::PathContext context;
        context.style = setup::PathStyle::Posix;
        context.executableDirectory = folder_ / "bin/";
        context.setupFileFolder = folder_ / "config";
        context.fileExists = platform::FileExists;
        workspace::Workspace workspace(std::make_unique<SimulatedPrintingService>(
                                           SimulatedPrintingService::FromText(printers)),
                                       context);
        return RunCheck(files, workspace);
    }
    static Rows RowsOf(const CheckResult& result) {
        Rows rows;
        for (const SetupLine& line : result.lines)
            rows.emplace_back(line.line, line.errors);
        return rows;
    }
    static std::vector<std::string> Texts(const CheckResult& result) {
        std::vector<std::string> texts;
        for (const Notice& notice : result.notices)
            texts.push_back(notice.text);
        return texts;
    }

    test::ScratchFolder folder_;
};

TEST_F(HeadlessCheckTest, FindsWhatTheProgramFinds) {
    struct Case {
        const char* what;
        std::string setup;
        Rows rows;
    };
    const Case cases[] = {
        {"one line set up",
         SetupSection(1, "Good", "Office", "LPT1:", "Office Driver", "Upper", "1", "Lower", "2"),
         {{2, "Printer Undefined,"},
          {3, "Printer Undefined,"},
          {5, "Printer Undefined,"},
          {6, "Printer Undefined,"},
          {7, "Printer Undefined,"}}},
        {"every token", kSetup, kSetupRows},
        // A section beyond the names file is an unnamed line with a printer.
        {"beyond the names", kSetup + SetupSection(50, "", "Plotter", "", "", "", "", "", ""),
         [] {
             Rows rows = kSetupRows;
             rows.emplace_back(50, "Printer Redundant,");
             return rows;
         }()},
    };
    for (const Case& c : cases) {
        const std::string names = folder_.Write("KevoName.txt", kNames);
        const std::string setup = folder_.Write("Vezerava.ini", c.setup);
        const CheckResult result = Run({names, setup});
        EXPECT_EQ(result.outcome, Outcome::Errors) << c.what;
        EXPECT_EQ(RowsOf(result), c.rows) << c.what;
        EXPECT_EQ(result.namesFileLines, 7) << c.what;
        EXPECT_TRUE(result.notices.empty()) << c.what;
        EXPECT_EQ(ExitStatus(result), 1) << c.what;
    }

    const std::string names = folder_.Write("KevoName.txt", "Good\n");
    const std::string setup =
        folder_.Write("Vezerava.ini", SetupSection(1, "Good", "Office", "LPT1:", "Office Driver",
                                                   "Upper", "1", "Lower", "2"));
    const CheckResult clean = Run({names, setup});
    EXPECT_EQ(clean.outcome, Outcome::Clean);
    EXPECT_TRUE(clean.lines.empty());
    EXPECT_EQ(ExitStatus(clean), 0);
}

// Line 6's driver changed under it: the repair writes its Driver key and no
// other byte; line 7's bin "Tray" is on no printer and stays in error.
TEST_F(HeadlessCheckTest, RepairWritesOnlyTheRepairedLinesKeys) {
    for (const bool dryRun : {true, false}) {
        const std::string names = folder_.Write("KevoName.txt", kNames);
        const std::string setup = folder_.Write("Vezerava.ini", kSetup);
        setup::PathContext context;
        context.setupFileFolder = folder_ / "config";
        context.fileExists = platform::FileExists;
        workspace::Workspace workspace(std::make_unique<SimulatedPrintingService>(
                                           SimulatedPrintingService::FromText(kPrinters)),
                                       context);
        const RepairResult result = RunRepair({names, setup}, workspace, "", "", dryRun);
        EXPECT_EQ(RepairExitStatus(result), 1) << dryRun;
        EXPECT_EQ(result.linesInErrorAfter, 5) << dryRun;
        EXPECT_EQ(result.written, !dryRun);
        std::string expected = kSetup;
        if (!dryRun)
            expected.replace(expected.find("HP Plot"), 7, "Plot Driver");
        EXPECT_EQ(test::ReadBytes(setup), expected) << dryRun;
    }
}

TEST_F(HeadlessCheckTest, LinesCarryNameAndPrinter) {
    const CheckResult result =
        Run({folder_.Write("names.txt", kNames), folder_.Write("setup.ini", kSetup)});
    ASSERT_EQ(result.lines.size(), kSetupRows.size());
    EXPECT_EQ(result.lines[1].name, "Missing");
    EXPECT_EQ(result.lines[1].printer, "Gone");
    EXPECT_EQ(result.lines[2].name, "");
    EXPECT_EQ(result.lines[2].printer, "Office");
}

TEST_F(HeadlessCheckTest, WhenNoCheckCanBeMade) {
    const std::string names = folder_.Write("names.txt", kNames);
    const std::string setup = folder_.Write("setup.ini", kSetup);
    const std::string fifo = folder_ / "setup.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    folder_.Write("sub/keep.txt", "x");

    struct Case {
        const char* what;
        std::vector<std::string> files;
        const char* printers;
        std::string failure;
        std::string notice; // the start of the first notice
    };
    const Case cases[] = {
        {"names missing",
         {folder_ / "none.txt", setup},
         kPrinters,
         "the names file could not be loaded",
         "Printer names file does not exist."},
        {"names empty",
         {folder_.Write("empty.txt", ""), setup},
         kPrinters,
         "the names file could not be loaded",
         "Printer names file is empty."},
        {"names unreadable",
         {"/proc/self/mem", setup},
         kPrinters,
         "the names file could not be loaded",
         ""},
        {"names a folder",
         {folder_ / "sub", setup},
         kPrinters,
         "the names file could not be loaded",
         "Printer names file does not exist."},
        {"setup unreadable",
         {names, "/proc/self/mem"},
         kPrinters,
         "the setup file cannot be read: /proc/self/mem: ",
         ""},
        {"setup a folder",
         {names, folder_ / "sub"},
         kPrinters,
         "the setup file cannot be read: " + (folder_ / "sub") + ": Is a directory",
         ""},
        {"setup a pipe",
         {names, fifo},
         kPrinters,
         "the setup file cannot be read: " + fifo + ": Not a regular file",
         ""},
        {"service failing",
         {names, setup},
         "default-fails 5 Access is denied.\nprinter A\n",
         "the printers could not be listed",
         printers::SystemErrorText(5, "Access is denied.")},
        {"default printer failing",
         {names, setup},
         "default B\nprinter B\n    bin 1 X\n    names-data fail\n",
         "the printers could not be listed",
         "DevCap Error."},
        {"printer failing in the check",
         {names, setup},
         "default Office\nprinter Office\nprinter Plotter\n    bin 7 Roll\n    "
         "names-data fail\n",
         "a printer failed while the lines were checked",
         "DevCap Error."},
    };
    for (const Case& c : cases) {
        const auto before = folder_.Snapshot();
        const CheckResult result = Run(c.files, c.printers);
        EXPECT_EQ(result.outcome, Outcome::Failed) << c.what;
        EXPECT_EQ(ExitStatus(result), 2) << c.what;
        EXPECT_EQ(result.failure.rfind(c.failure, 0), 0u) << c.what << ": " << result.failure;
        EXPECT_TRUE(result.lines.empty()) << c.what;
        ASSERT_FALSE(result.notices.empty() && !c.notice.empty()) << c.what;
        if (!c.notice.empty()) {
            EXPECT_EQ(result.notices[0].text.rfind(c.notice, 0), 0u)
                << c.what << ": " << result.notices[0].text;
        }
        EXPECT_EQ(folder_.Snapshot(), before) << c.what;
    }
}

TEST_F(HeadlessCheckTest, BareNameOnlyInTheCurrentFolderIsPointedOutAndEndsTheRun) {
    folder_.Write("names.txt", kNames);
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(folder_ / "");
    const CheckResult result = Run({"names.txt", "setup.ini"});
    std::filesystem::current_path(here);
    ASSERT_EQ(result.hints.size(), 1u);
    EXPECT_NE(result.hints[0].find("give \"./names.txt\""), std::string::npos) << result.hints[0];
    // The names file is missing where it was looked for: the run ends, and
    // the missing setup file's question is never asked.
    ASSERT_EQ(result.notices.size(), 1u);
    EXPECT_EQ(result.notices[0].kind, Notice::Kind::Message);
}

TEST_F(HeadlessCheckTest, MissingSetupFileAndNoDefaultPrinterAreErrors) {
    const std::string names = folder_.Write("names.txt", kNames);
    const std::string setup = folder_.Write("setup.ini", kSetup);
    const std::string missing = folder_ / "nothing/setup.ini";
    const std::string question = "Printer configuration file does not exist.\r\n" + missing +
                                 "\r\n\r\nConfigure all the printer details now?";
    const std::string noDefault = "There is no default printer currently selected.";
    struct Case {
        const char* what;
        std::string setup;
        const char* printers;
        Rows rows;
        std::vector<std::string> notices;
    };
    const Case cases[] = {
        {"setup missing", missing, kPrinters, kAllUndefined, {question}},
        {"no default printer",
         setup,
         "default-fails invalid-name\nprinter Office\n",
         [] {
             Rows rows = kAllUndefined;
             rows[1].second = "Names Different (Old name),Printer Undefined,";
             rows.insert(rows.begin() + 3, {4, "Printer Redundant,"});
             return rows;
         }(),
         {noDefault}},
        {"both", missing, "printer Office\n", kAllUndefined, {noDefault, question}},
    };
    for (const Case& c : cases) {
        const auto before = folder_.Snapshot();
        const CheckResult result = Run({names, c.setup}, c.printers);
        EXPECT_EQ(result.outcome, Outcome::Errors) << c.what;
        EXPECT_EQ(RowsOf(result), c.rows) << c.what;
        EXPECT_EQ(Texts(result), c.notices) << c.what;
        // The question was answered No: nothing configured, nothing made.
        EXPECT_EQ(folder_.Snapshot(), before) << c.what;
    }
    const CheckResult result = Run({names, missing});
    ASSERT_EQ(result.notices.size(), 1u);
    EXPECT_EQ(result.notices[0].kind, Notice::Kind::Question);
    EXPECT_EQ(result.notices[0].answer, messages::MessageButton::No);
}

TEST_F(HeadlessCheckTest, TooManyNamesIsOnlyAWarning) {
    std::string names;
    for (int line = 1; line <= 100; ++line)
        names += "N" + std::to_string(line) + "\n";
    const CheckResult result =
        Run({folder_.Write("names.txt", names), folder_.Write("setup.ini", "")});
    EXPECT_EQ(result.outcome, Outcome::Errors);
    EXPECT_EQ(result.namesFileLines, 99);
    EXPECT_EQ(result.lines.size(), 99u);
    EXPECT_EQ(result.lines.back().name, "N99");
    ASSERT_EQ(result.notices.size(), 1u);
    EXPECT_EQ(result.notices[0].text.rfind("Printer names file has too many lines.\r\n", 0), 0u);
}

TEST_F(HeadlessCheckTest, DefaultFilesFollowTheProgramsPathRules) {
    // The configuration folder does not exist: the check does not make it.
    const CheckResult none = Run({});
    EXPECT_EQ(none.namesFile, folder_ / "config/KevoName.txt");
    EXPECT_EQ(none.setupFile, folder_ / "config/Vezerava.ini");
    EXPECT_EQ(none.outcome, Outcome::Failed);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "config"));

    folder_.Write("config/KevoName.txt", "Good\n");
    folder_.Write("config/Vezerava.ini", kSetup);
    folder_.Write("config/setup2.ini", "");
    const CheckResult defaults = Run({});
    EXPECT_EQ(defaults.namesFile, folder_ / "config/KevoName.txt");
    // Lines 2 to 7 have no name now, but stored names and printers.
    EXPECT_EQ(RowsOf(defaults), (Rows{{2, "Names Different (Old name),Printer Redundant,"},
                                      {3, "Names Different (Missing),Printer Redundant,"},
                                      {4, "Printer Redundant,"},
                                      {5, "Names Different (Ports),Printer Redundant,"},
                                      {6, "Names Different (Drivers),Printer Redundant,"},
                                      {7, "Names Different (Bins),Printer Redundant,"}}));

    // A names file beside the program wins; a bare setup file name is taken
    // from the configuration folder.
    folder_.Write("bin/KevoName.txt", "Good\n");
    folder_.Write("bin/setup2.ini", kSetup);
    const CheckResult beside = Run({"KevoName.txt", "setup2.ini"});
    EXPECT_EQ(beside.namesFile, folder_ / "bin/KevoName.txt");
    EXPECT_EQ(beside.setupFile, folder_ / "config/setup2.ini");
    EXPECT_EQ(beside.outcome, Outcome::Errors); // an empty setup: line 1 lacks its printer
}

} // namespace
} // namespace kevo::tools
