// SPDX-License-Identifier: Apache-2.0
#include "MainWindowLogicFixture.h"
#include "setup/SetupFile.h"
#include "platform/profile/FileSystem.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include <sys/stat.h>

namespace kevo::setup {
namespace {

using namespace fixture;
using messages::MessageButton;

struct RunModeCase {
    std::string mode;
    bool errors;
    std::vector<MessageButton> answers;
    std::vector<std::string> seen;
    bool terminates;
};

class RunModeTableTest : public MainWindowLogicTest,
                         public ::testing::WithParamInterface<RunModeCase> {};

TEST_P(RunModeTableTest, EachModeSavesAsksReportsOrEndsAsItShould) {
    const auto& c = GetParam();
    Write("names.txt", "Invoices\r\nOrders\r\n");
    Write("setup.ini", c.errors ? kBadSetup : kGoodSetup);
    for (auto answer : c.answers)
        prompter_.AnswerNext(answer);
    const std::string before = Read("setup.ini");

    StartUp(Args(c.mode));

    EXPECT_EQ(prompter_.Seen(), c.seen);
    EXPECT_EQ(ui_.terminationRequested, c.terminates);
    EXPECT_EQ(form_.Table().Panel(kPanelErrors), c.errors ? "Errors: 1" : "");
    // Nothing was modified at start-up, so nothing is written.
    EXPECT_EQ(Read("setup.ini"), before);
    EXPECT_TRUE(prompter_.ErrorReports().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Modes, RunModeTableTest,
    ::testing::Values(RunModeCase{"0", true, {}, {}, false}, RunModeCase{"0", false, {}, {}, false},
                      RunModeCase{"1", false, {}, {}, true},
                      RunModeCase{"1", true, {MessageButton::Ignore}, {kErrorsFixQuestion}, true},
                      RunModeCase{"1", true, {MessageButton::OK}, {kErrorsFixQuestion}, false},
                      // Esc and the close box do not count as Ignore.
                      RunModeCase{"1", true, {MessageButton::Cancel}, {kErrorsFixQuestion}, false},
                      RunModeCase{"2", false, {}, {}, true},
                      RunModeCase{"2", true, {MessageButton::OK}, {kErrorsReport}, true}));

class InvalidModeTest : public MainWindowLogicTest,
                        public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(InvalidModeTest, ReportsOnceAndEndsWithoutFurtherQuestions) {
    // The names file and the setup file are missing as well: their messages
    // close at once, unseen.
    auto arguments = GetParam();
    StartUp(arguments);
    EXPECT_EQ(prompter_.Seen(), std::vector<std::string>{kInvalidModeMessage});
    EXPECT_EQ(form_.RunMode(), -1);
    EXPECT_TRUE(ui_.terminationRequested);
    EXPECT_EQ(prompter_.ClosedAtOnce().size(), 2u); // names file, setup file question
    EXPECT_TRUE(dialog_.captions.empty());
    EXPECT_EQ(form_.Table().Panel(kPanelErrors), "");
}

INSTANTIATE_TEST_SUITE_P(Arguments, InvalidModeTest,
                         ::testing::Values(std::vector<std::string>{},
                                           std::vector<std::string>{"3"},
                                           std::vector<std::string>{"-1"},
                                           std::vector<std::string>{"1a"},
                                           std::vector<std::string>{"1.0"}));

TEST_F(MainWindowLogicTest, MissingOrEmptyNamesFileEndsTheRunButTheSetupFileIsStillRead) {
    Write("setup.ini", kGoodSetup);
    StartUp(Args("0"));
    ASSERT_EQ(prompter_.Seen().size(), 1u);
    EXPECT_EQ(prompter_.Seen()[0], "Printer names file does not exist.\r\n" + Path("names.txt") +
                                       "\r\nYou can not configure printers without this file!");
    EXPECT_EQ(form_.RunMode(), -1);
    EXPECT_TRUE(ui_.terminationRequested);
    EXPECT_EQ(form_.Table().Cell(ColPrinter, 1), "Office Laser");
    EXPECT_EQ(form_.Table().Cell(ColErrors, 1), "Names Different (Invoices),");
}

// A person who starts the editor without a names file learns where the
// samples are and where the names file goes; a host's run keeps the message.
class MissingNamesWithSamplesTest : public MainWindowLogicTest,
                                    public ::testing::WithParamInterface<const char*> {};

TEST_P(MissingNamesWithSamplesTest, OnlyTheEditorPointsToTheSamples) {
    fs::create_directory(folder_ / "samples");
    StartUp(Args(GetParam()));
    ASSERT_EQ(prompter_.Seen().size(), 1u);
    const std::string message = "Printer names file does not exist.\r\n" + Path("names.txt") +
                                "\r\nYou can not configure printers without this file!";
    const std::string seen = prompter_.Seen()[0];
    if (std::string(GetParam()) != "0") {
        EXPECT_EQ(seen, message);
        return;
    }
    ASSERT_EQ(seen.rfind(message + "\r\n", 0), 0u) << seen;
    const std::string added = seen.substr(message.size() + 2);
    EXPECT_EQ(added.find('\n'), std::string::npos) << added;
    EXPECT_NE(added.find(folder_ / "samples"), std::string::npos) << added;
    const std::string names = Path("names.txt");
    EXPECT_NE(added.find("names.txt in " + names.substr(0, names.rfind('/'))), std::string::npos)
        << added;
}

INSTANTIATE_TEST_SUITE_P(Modes, MissingNamesWithSamplesTest, ::testing::Values("0", "1", "2"));

// A per-user copy of the setup file that Windows gives some host programs in
// its place is pointed out once.
TEST_F(MainWindowLogicTest, PerUserCopyOfTheSetupFileIsAWarningInTheEditor) {
    const std::string copy = "C:\\Users\\a\\AppData\\Local\\VirtualStore\\Windows\\Vezerava.ini";
    adjustContext_ = [&](PathContext& context) {
        context.style = PathStyle::Windows;
        context.setupFileFolder = "C:\\Windows";
        context.localAppData = "C:\\Users\\a\\AppData\\Local";
        context.fileExists = [&](const std::string& path) { return path == copy; };
    };
    // A backslash in the name makes it a path as given on Windows.
    Write("a\\names.txt", "Invoices\r\n");
    prompter_.AnswerNext(MessageButton::No); // the setup file is missing
    StartUp({"0", Path("a\\names.txt")});
    EXPECT_EQ(form_.StartupWarnings().size(), 1u);
    const auto& shown = prompter_.Messages();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].type, MessageType::Warning);
    EXPECT_NE(shown[1].text.find(copy), std::string::npos) << shown[1].text;
    EXPECT_NE(shown[1].text.find("C:\\Windows\\Vezerava.ini"), std::string::npos) << shown[1].text;
}

TEST_F(MainWindowLogicTest, TooManyNamesIsReportedAndTheRunGoesOn) {
    std::string names;
    for (int i = 1; i <= 100; ++i)
        names += "N" + std::to_string(i) + "\n";
    Write("names.txt", names);
    Write("setup.ini", "");
    prompter_.AnswerNext(MessageButton::OK);
    StartUp(Args("0"));
    ASSERT_EQ(prompter_.Seen().size(), 1u);
    EXPECT_NE(prompter_.Seen()[0].find("Only the first 99 will be used."), std::string::npos);
    EXPECT_FALSE(ui_.terminationRequested);
    EXPECT_EQ(form_.Table().Cell(ColName, 99), "N99");
    EXPECT_EQ(form_.Table().Panel(kPanelErrors), "Errors: 99"); // no printers configured
}

TEST_F(MainWindowLogicTest, UnreadableNamesFileEndsTheRunAndNothingCanBeSaved) {
    Write("setup.ini", kGoodSetup);
    StartUp({"0", "/proc/self/mem", Path("setup.ini")});
    ASSERT_EQ(prompter_.Seen().size(), 1u);
    EXPECT_EQ(prompter_.Seen()[0], "Printer names file can not be read.\r\n/proc/self/mem\r\n" +
                                       std::string(std::strerror(EIO)));
    EXPECT_EQ(form_.RunMode(), -1);
    EXPECT_TRUE(ui_.terminationRequested);
    // Not even a save asked for by hand may erase the sections.
    form_.btnSaveIniClick();
    EXPECT_EQ(Read("setup.ini"), kGoodSetup);
}

// A setup file that is there but cannot be read: the editor says so before
// its window opens and at a reload, a host's run shows only its own message,
// every line reads as empty, and no save writes over the file. A directory
// is no file: it gets the missing file's question, and its save is refused
// the same way.
enum class Unreadable { Pipe, ReadError, Directory };

struct UnreadableSetupCase {
    Unreadable kind;
    const char* mode;
    std::string reason;
};

class UnreadableSetupTest : public MainWindowLogicTest,
                            public ::testing::WithParamInterface<UnreadableSetupCase> {};

// The real file system, but a setup file's read fails as a failing disk's.
struct FailingRead : platform::PosixFileSystem {
    int ReadFile(const std::string&, std::size_t, std::string&) override { return EIO; }
};

TEST_P(UnreadableSetupTest, IsSaidInTheEditorAndNeverSavedOver) {
    const auto& c = GetParam();
    const std::string setup = Path("setup.ini");
    Write("names.txt", "Invoices\r\n");
    FailingRead failing;
    std::optional<platform::FileSystemOverride> failingReads;
    if (c.kind == Unreadable::ReadError) {
        Write("setup.ini", kGoodSetup);
        failingReads.emplace(failing);
    } else if (c.kind == Unreadable::Pipe) {
        ASSERT_EQ(mkfifo(setup.c_str(), 0600), 0);
    } else {
        Write("setup.ini/kept.txt", "x");
        prompter_.AnswerNext(MessageButton::No); // configure nothing
    }
    StartUp(Args(c.mode));

    std::vector<std::string> seen{kErrorsReport};
    if (c.kind == Unreadable::Directory)
        seen = {"Printer configuration file does not exist.\r\n" + setup +
                "\r\n\r\nConfigure all the printer details now?"};
    else if (std::string(c.mode) == "0")
        seen = {"Printer configuration file can not be read.\r\n" + setup + "\r\n" + c.reason +
                "\r\nThe lines show no printer details, and the file is not saved over, until "
                "it can be read."};
    EXPECT_EQ(prompter_.Seen(), seen);
    EXPECT_EQ(Errors(1), "Printer Undefined,");

    form_.Table().SetCell(ColPrinter, 1, "Office Laser");
    form_.SetModified(true);
    form_.btnSaveIniClick();
    EXPECT_EQ(prompter_.ErrorReports(),
              std::vector<std::string>{"Unable to write to " + setup +
                                       "\r\nThe file can not be read (" + c.reason +
                                       "); it is not saved over, so that nothing in it is lost."});
    // Reload Details reads it again, and says so again.
    prompter_.AnswerNext(MessageButton::OK);
    form_.mnuFileReloadDetailsClick();
    if (std::string(c.mode) == "0")
        seen = {seen[0], kReloadQuestion, seen[0]};
    EXPECT_EQ(prompter_.Seen(), seen);
    failingReads.reset();
    if (c.kind == Unreadable::ReadError) {
        EXPECT_EQ(Read("setup.ini"), kGoodSetup);
    }
    EXPECT_EQ(fs::is_fifo(setup), c.kind == Unreadable::Pipe);
    EXPECT_EQ(fs::is_regular_file(setup + "/kept.txt"), c.kind == Unreadable::Directory);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_.Path()), {}), 2) << "a file was left";
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, UnreadableSetupTest,
    ::testing::Values(UnreadableSetupCase{Unreadable::Pipe, "0", "Not a regular file"},
                      UnreadableSetupCase{Unreadable::Pipe, "2", "Not a regular file"},
                      UnreadableSetupCase{Unreadable::ReadError, "0", std::strerror(EIO)},
                      UnreadableSetupCase{Unreadable::Directory, "0", std::strerror(EISDIR)}));

TEST_F(MainWindowLogicTest, MissingSetupFileAnsweredYesEditsAllAndModeOneSavesFirst) {
    Write("names.txt", "Invoices\r\n");
    // The user keeps the default printer and picks the second bin for
    // source 2.
    dialog_.steps.push_back([](printsetup::PrintSetupLogic& dialog) {
        dialog.ClickUseSecondTray();
        dialog.PickTray2(1);
        return true;
    });
    prompter_.AnswerNext(MessageButton::Yes);
    StartUp(Args("1"));
    ASSERT_EQ(prompter_.Seen().size(), 1u);
    EXPECT_EQ(prompter_.Seen()[0], "Printer configuration file does not exist.\r\n" +
                                       Path("setup.ini") +
                                       "\r\n\r\nConfigure all the printer details now?");
    EXPECT_EQ(dialog_.captions, std::vector<std::string>{"Printer: 1.  Name: Invoices"});
    EXPECT_EQ(Read("setup.ini"), SetupSection(1, "Invoices", "Office Laser", "Ne00:", "winspool",
                                              "Upper tray", "1", "Lower tray", "2"));
    EXPECT_FALSE(form_.Table().Modified());
    EXPECT_TRUE(ui_.terminationRequested); // no errors: mode 1 ends quietly
}

TEST_F(MainWindowLogicTest, MissingSetupFileAnsweredNoConfiguresNothing) {
    Write("names.txt", "Invoices\r\n");
    prompter_.AnswerNext(MessageButton::No);
    prompter_.AnswerNext(MessageButton::OK);
    StartUp(Args("2"));
    EXPECT_TRUE(dialog_.captions.empty());
    EXPECT_FALSE(fs::exists(Path("setup.ini")));
    EXPECT_EQ(prompter_.Seen().back(), kErrorsReport);
}

TEST_F(MainWindowLogicTest, SetupFileInTheConfigurationFolderMakesTheFolder) {
    Write("names.txt", "Invoices\r\n");
    dialog_.steps.push_back([](printsetup::PrintSetupLogic&) { return true; });
    prompter_.AnswerNext(MessageButton::Yes);
    StartUp({"2", Path("names.txt")}); // default setup file name
    EXPECT_EQ(form_.SetupFileName(), (folder_.Path() / "config" / "Vezerava.ini").string());
    EXPECT_TRUE(fs::is_regular_file(folder_.Path() / "config" / "Vezerava.ini"));
}

struct ClosingCase {
    MessageButton answer;
    bool closes;
    bool written;
};

class SavePromptTest : public MainWindowLogicTest,
                       public ::testing::WithParamInterface<ClosingCase> {};

TEST_P(SavePromptTest, SavesOnYesClosesOnNoStaysOnCancel) {
    Write("names.txt", "Invoices\r\n");
    Write("setup.ini", kGoodSetup);
    StartUp(Args("0"));
    form_.Table().SetCell(ColSource1, 1, "Lower tray");
    form_.SetModified(true);
    prompter_.AnswerNext(GetParam().answer);
    EXPECT_EQ(form_.FormCloseQuery(), GetParam().closes);
    EXPECT_EQ(prompter_.Seen().back(), kSaveQuestion);
    EXPECT_EQ(Read("setup.ini").find("PaperSourceName1=Lower tray") != std::string::npos,
              GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(Answers, SavePromptTest,
                         ::testing::Values(ClosingCase{MessageButton::Yes, true, true},
                                           ClosingCase{MessageButton::No, true, false},
                                           ClosingCase{MessageButton::Cancel, false, false}));

TEST_F(MainWindowLogicTest, ClosingUnmodifiedAsksNothing) {
    Write("names.txt", "Invoices\r\n");
    Write("setup.ini", kGoodSetup);
    StartUp(Args("0"));
    EXPECT_TRUE(form_.FormCloseQuery());
    EXPECT_TRUE(prompter_.Seen().empty());
}

TEST_F(MainWindowLogicTest, ReloadCancelChangesNothingAndOkReloadsClearsAndRechecks) {
    Write("names.txt", "Invoices\r\nOrders\r\n");
    Write("setup.ini", kGoodSetup);
    StartUp(Args("0"));
    form_.Table().SetCell(ColPrinter, 2, "Label Writer");
    form_.Table().SetCell(ColErrors, 2, "Port,");
    form_.SetModified(true);

    prompter_.AnswerNext(MessageButton::Cancel);
    form_.mnuFileReloadDetailsClick();
    EXPECT_EQ(form_.Table().Cell(ColPrinter, 2), "Label Writer");
    EXPECT_EQ(Errors(2), "Port,");
    EXPECT_TRUE(form_.Table().Modified());

    prompter_.AnswerNext(MessageButton::OK);
    form_.mnuFileReloadDetailsClick();
    EXPECT_EQ(prompter_.Seen().back(), kReloadQuestion);
    EXPECT_EQ(form_.Table().Cell(ColPrinter, 2), "Plotter");
    EXPECT_EQ(Errors(2), "");
    EXPECT_FALSE(form_.Table().Modified());
    EXPECT_EQ(ui_.log, "disable splash+ enable splash- ");
}

TEST_F(MainWindowLogicTest, ReloadOfADeletedSetupFileKeepsTheEdits) {
    Write("names.txt", "Invoices\r\n");
    Write("setup.ini", kGoodSetup);
    StartUp(Args("0"));
    form_.Table().SetCell(ColChanged, 1, "*");
    form_.SetModified(true);
    fs::remove(Path("setup.ini"));
    prompter_.AnswerNext(MessageButton::OK); // reload
    prompter_.AnswerNext(MessageButton::No); // configure all now?
    form_.mnuFileReloadDetailsClick();
    EXPECT_TRUE(form_.Table().Modified());
    EXPECT_EQ(form_.Table().Panel(kPanelModified), kModifiedPanelText);
    EXPECT_EQ(form_.Table().Cell(ColChanged, 1), "*");
}

TEST_F(MainWindowLogicTest, FailedRecheckCountsWhatItWroteAndTheNextSelectsThePrinterAgain) {
    Write("names.txt", "Invoices\r\nOrders\r\n");
    Write("setup.ini", kGoodSetup);
    StartUp(Args("0"));
    form_.Table().SetCell(ColPrinter, 1, "Broken");
    form_.Table().SetCell(ColPrinter, 2, "Gone Printer");
    for (int recheck = 1; recheck <= 2; ++recheck) {
        form_.btnRecheckClick();
        EXPECT_EQ(prompter_.ErrorReports().size(), static_cast<std::size_t>(recheck));
        EXPECT_EQ(Errors(1), "");
        EXPECT_EQ(form_.Table().Panel(kPanelErrors), "Errors: 1");
    }
}

TEST_F(MainWindowLogicTest, PrinterWhoseBinsCannotBeAskedKeepsBinTokensAndCannotBeEdited) {
    Write("names.txt", "Invoices\r\n");
    Write("setup.ini", SetupSection(1, "Invoices", "Mute", "COM3:", "Mute Driver", "Default", "7",
                                    "Default", "7"));
    StartUp(Args("0"));
    EXPECT_EQ(Errors(1), "Tray1Name,Tray1Num,Tray2Name,Tray2Num,");
    dialog_.steps.push_back([](printsetup::PrintSetupLogic&) { return true; });
    form_.StringGrid1DblClick();
    EXPECT_EQ(prompter_.ErrorReports(), std::vector<std::string>{"DevCap Error."});
    EXPECT_TRUE(dialog_.captions.empty());
    EXPECT_EQ(Errors(1), "Tray1Name,Tray1Num,Tray2Name,Tray2Num,");
}

TEST_F(MainWindowLogicTest, FailedSaveIsReportedAndSkipsTheRecheck) {
    Write("names.txt", "Invoices\r\n");
    Write("setup.ini", kGoodSetup);
    Write("blocker", "a file where a folder should be");
    StartUp({"0", Path("names.txt"), Path("blocker") + "/setup.ini"});
    form_.Table().SetCell(ColChanged, 1, "*");
    form_.SetModified(true);
    ui_.log.clear();
    form_.btnSaveIniClick();
    EXPECT_EQ(prompter_.ErrorReports(),
              std::vector<std::string>{"Unable to write to " + Path("blocker") + "/setup.ini."});
    EXPECT_EQ(ui_.log, ""); // no recheck
    EXPECT_TRUE(form_.Table().Modified());
    EXPECT_EQ(form_.Table().Cell(ColChanged, 1), "*");

    // The save prompt's Yes with a failing save keeps the window open.
    prompter_.AnswerNext(MessageButton::Yes);
    EXPECT_FALSE(form_.FormCloseQuery());
}

TEST_F(MainWindowLogicTest, SaveDetailsWritesThenRechecks) {
    Write("names.txt", "Invoices\r\nOrders\r\n");
    Write("setup.ini", kBadSetup);
    StartUp(Args("0"));
    EXPECT_EQ(Errors(2), "Printer Undefined,");
    form_.Table().SetCell(ColPrinter, 2, "Plotter");
    form_.Table().SetCell(ColErrors, 2, "");
    form_.SetModified(true);
    form_.btnSaveIniClick();
    EXPECT_EQ(Read("setup.ini"), kGoodSetup);
    EXPECT_EQ(Errors(2), "");
    EXPECT_EQ(form_.Table().Panel(kPanelErrors), "");
    EXPECT_FALSE(form_.Table().Modified());
}

TEST_F(MainWindowLogicTest, AnotherProgramsChangesReloadUneditedLinesAndConflictsAreAsked) {
    Write("names.txt", "Invoices\r\nOrders\r\n");
    Write("setup.ini", kGoodSetup);
    StartUp(Args("0"));
    form_.Table().SetCell(ColSource1, 1, "Lower tray");
    form_.Table().SetCell(ColTray1No, 1, "2");
    form_.Table().SetCell(ColChanged, 1, "*");
    form_.SetModified(true);
    // Another program moves both lines to other printers.
    Write("setup.ini",
          SetupSection(1, "Invoices", "Office Laser", "Ne00:", "winspool", "Upper tray", "1",
                       "Upper tray", "1") +
              SetupSection(2, "Orders", "Gone Printer", "LPT1:", "HP Plot", "Auto", "7", "Auto",
                           "7"));
    for (int look = 0; look < 2; ++look)
        form_.TakeOtherProgramsChanges(*ReadSetupSnapshot(Path("setup.ini")));
    EXPECT_EQ(ui_.notices, std::vector<std::string>{
                               "The setup file was changed by another program: line 2 reloaded. "
                               "Line 1 keeps your unsaved changes; Save Details merges them."});
    EXPECT_EQ(form_.Table().Cell(ColPrinter, 2), "Gone Printer");
    EXPECT_EQ(Errors(2), "Printer Undefined,");
    EXPECT_EQ(form_.Table().Cell(ColSource1, 1), "Lower tray");

    // Only line 1's second bin changed there, only its first bin here: no
    // question. Then both change the same value: asked, and cancelled.
    form_.btnSaveIniClick();
    EXPECT_TRUE(ui_.conflictsAsked.empty());
    EXPECT_EQ(ReadSetupSnapshot(Path("setup.ini"))->lines[1].values[4], "Lower tray");
    EXPECT_EQ(ReadSetupSnapshot(Path("setup.ini"))->lines[1].values[6], "Upper tray");
    form_.Table().SetCell(ColPrinter, 2, "Plotter");
    form_.SetModified(true);
    std::string theirs = Read("setup.ini");
    theirs.replace(theirs.find("Gone Printer"), 12, "Label Writer");
    Write("setup.ini", theirs);
    const std::string before = Read("setup.ini");
    prompter_.AnswerNext(MessageButton::Yes); // save changes?
    EXPECT_FALSE(form_.FormCloseQuery());
    ASSERT_EQ(ui_.conflictsAsked.size(), 1u);
    EXPECT_EQ(Read("setup.ini"), before);
    EXPECT_TRUE(form_.Table().Modified());
}

TEST_F(MainWindowLogicTest, CheckWritesEveryTokenInOrderAndTwoRechecksAgree) {
    Write("names.txt", "Invoices\r\nOrders\r\n\r\nLabels\r\nMemo\r\n\r\nRedundant\r\nCase\r\n");
    Write("setup.ini",
          // 1: correct.
          SetupSection(1, "Invoices", "Office Laser", "Ne00:", "winspool", "Upper tray", "1",
                       "Lower tray", "2") +
              // 2: printer not installed; its bins are not looked at.
              SetupSection(2, "Orders", "Gone", "x", "y", "z", "0", "z", "0") +
              // 3: unnamed with an installed printer and wrong details.
              SetupSection(3, "", "Plotter", "bad", "bad", "bad", "0", "bad", "0") +
              // 4: every CheckTrays token, letter case in port and "07" against "7".
              SetupSection(4, "Labels", "plotter", "lpt1:", "HP plot", "Nope", "07", "Nope", "99") +
              // 5: stored name differs; second bin wrong.
              SetupSection(5, "Old Memo", "Label Writer", "USB001", "Dymo", "roll", "4", "Roll",
                           "5") +
              // 7: stored name holding "Redun": the bins are not looked at.
              SetupSection(7, "Redundant old", "Office Laser", "bad", "winspool", "Upper tray", "1",
                           "Upper tray", "1") +
              // 8: bin name of one bin and number of another: no bin token.
              SetupSection(8, "Case", "OFFICE LASER", "Ne00:", "winspool", "LOWER TRAY", "1",
                           "upper tray", "2"));
    StartUp(Args("0"));

    const std::vector<std::string> expected = {
        "",
        "",
        "Printer Undefined,",
        "Printer Redundant,",
        "Port,Driver,Tray1Name,Tray1Num,Tray2Name,Tray2Num,",
        "Names Different (Old Memo),Tray2Num,",
        "",
        "Names Different (Redundant old),",
        "",
    };
    for (int line = 1; line < static_cast<int>(expected.size()); ++line)
        EXPECT_EQ(Errors(line), expected[line]) << "line " << line;
    EXPECT_EQ(form_.Table().Panel(kPanelErrors), "Errors: 5");

    // The full recheck also gives a named line without a stored name the
    // name token; line 6 is unnamed and stays clean. Twice gives the same.
    form_.btnRecheckClick();
    const auto first = form_.Table().Cell(ColErrors, 4);
    form_.btnRecheckClick();
    for (int line = 1; line < static_cast<int>(expected.size()); ++line)
        EXPECT_EQ(Errors(line), expected[line]) << "line " << line << " after rechecks";
    EXPECT_EQ(first, Errors(4));
    // After the check the current printer is the last one a line selected.
    EXPECT_EQ(catalogue_.cboPrinters().items[catalogue_.SelectedPosition()], "Office Laser");
}

TEST_F(MainWindowLogicTest, RecheckGivesNamedLinesWithoutStoredNameAnEmptyNameToken) {
    Write("names.txt", "Invoices\r\nOrders\r\n");
    Write("setup.ini", SetupSection(1, "Invoices", "Office Laser", "Ne00:", "winspool",
                                    "Upper tray", "1", "Lower tray", "2"));
    StartUp(Args("0"));
    EXPECT_EQ(Errors(2), "Printer Undefined,"); // loading gives no name token
    form_.btnRecheckClick();
    EXPECT_EQ(Errors(2), "Names Different (),Printer Undefined,");
    fs::remove(Path("setup.ini"));
    form_.btnRecheckClick();
    EXPECT_EQ(Errors(1), "Names Different (),");
}

// Office Laser after a driver change: the same bins under new numbers.
constexpr const char* kNewDriverPrinters = R"(default Office Laser
printer Office Laser
devices winspool 2,Ne00:
bin 261 Upper tray
bin 262 Lower tray
)";

class RepairTraysTest : public MainWindowLogicTest {
protected:
    RepairTraysTest() : MainWindowLogicTest(kNewDriverPrinters) {}
};

TEST_F(RepairTraysTest, RepairedLinesChangeAsAnAcceptedEditAndTheRecheckFindsThemRight) {
    Write("names.txt", "Invoices\r\nOrders\r\n");
    Write("setup.ini", kBadSetup);
    StartUp(Args("0"));
    EXPECT_EQ(Errors(1), "Driver,Tray1Num,Tray2Num,");
    const TrayRepairPlan plan = form_.PlanTrayRepair();
    ASSERT_EQ(plan.lines.size(), 2u);
    EXPECT_EQ(plan.lines[1].reason, "printer missing");
    EXPECT_FALSE(form_.Table().Modified()); // planning changes nothing

    ui_.log.clear();
    form_.ApplyTrayRepair(plan);
    const std::vector<std::string> line1 = {"Office Laser", "Ne00:", "winspool 2", "Upper tray",
                                            "261", "Lower tray", "262", "", "*"};
    for (int column = ColPrinter; column <= ColChanged; ++column)
        EXPECT_EQ(form_.Table().Cell(column, 1), line1[column - ColPrinter]) << column;
    EXPECT_EQ(form_.Table().Cell(ColChanged, 2), "");
    EXPECT_EQ(Errors(2), "Printer Undefined,");
    EXPECT_EQ(form_.Table().Panel(kPanelErrors), "Errors: 1");
    EXPECT_TRUE(form_.Table().Modified());
    EXPECT_EQ(ui_.log, "disable splash+ enable splash- "); // the recheck ran
    EXPECT_EQ(Read("setup.ini"), kBadSetup);                // nothing saved
}

} // namespace
} // namespace kevo::setup
