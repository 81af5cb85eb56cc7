// SPDX-License-Identifier: Apache-2.0
#include "MainWindowLogicFixture.h"

#include <gtest/gtest.h>

namespace kevo::setup {
namespace {

using namespace fixture;
using messages::MessageButton;
using printsetup::PrintSetupLogic;

const std::string kLaser = SetupSection(1, "Invoices", "Office Laser", "Ne00:", "winspool",
                                        "Upper tray", "1", "Lower tray", "2");

class LineEditingTest : public MainWindowLogicTest {
protected:
    void Start(const std::string& names, const std::string& setup) {
        Write("names.txt", names);
        Write("setup.ini", setup);
        StartUp(Args("0"));
    }
    std::vector<std::string> Columns(int line) {
        std::vector<std::string> cells;
        for (int column = ColPrinter; column <= ColChanged; ++column)
            cells.push_back(form_.Table().Cell(column, line));
        return cells;
    }
    // What the dialog showed when it was opened.
    struct Opened {
        std::string printer, tray1, tray2;
        bool useSecondTray = false, tray2Enabled = false;
    };
    std::function<bool(PrintSetupLogic&)> Look(Opened& opened, bool ok) {
        return [&opened, ok](PrintSetupLogic& dialog) {
            const auto& catalogue = dialog.Catalogue();
            opened = {catalogue.cboPrinters().shownText, catalogue.cboTray1().shownText,
                      catalogue.cboTray2().shownText, dialog.UseSecondTray(),
                      dialog.Tray2Enabled()};
            return ok;
        };
    }
};

TEST_F(LineEditingTest, OkWritesTheDialogsChoiceIntoTheLine) {
    Start("Invoices\r\nOrders\r\n", kLaser + SetupSection(2, "Orders", "plotter", "bad port",
                                                          "HP Plot", "x", "15", "y", "99"));
    ASSERT_EQ(Errors(2), "Port,Tray1Name,Tray2Name,Tray2Num,");
    Opened opened;
    dialog_.steps.push_back(Look(opened, true));
    EXPECT_EQ(form_.EditPrinterLine(2), 0);
    // The printer is found whatever its letter case; source 1 by its number;
    // source 2's number is unknown, so it opens on the first bin.
    EXPECT_EQ(opened.printer, "Plotter");
    EXPECT_EQ(opened.tray1, "Manual");
    EXPECT_EQ(opened.tray2, "Auto");
    EXPECT_TRUE(opened.useSecondTray);
    EXPECT_EQ(dialog_.captions.back(), "Printer: 2.  Name: Orders");
    EXPECT_EQ(Columns(2), (std::vector<std::string>{"Plotter", "LPT1:", "HP Plot", "Manual", "15",
                                                    "Auto", "7", "", "*"}));
    EXPECT_TRUE(form_.Table().Modified());
    EXPECT_EQ(form_.Table().Panel(kPanelErrors), "");
}

TEST_F(LineEditingTest, CancelLeavesEveryColumnAsItWas) {
    Start("Invoices\r\n", SetupSection(1, "Invoices", "Gone", "p", "d", "s", "1", "s", "2"));
    form_.Table().SetCell(ColChanged, 1, "x");
    const auto before = Columns(1);
    EXPECT_EQ(form_.EditPrinterLine(1), -1);
    EXPECT_EQ(Columns(1), before);
    EXPECT_FALSE(form_.Table().Modified());
}

TEST_F(LineEditingTest, APrinterNotInstalledOpensOnTheCatalogueCurrentPrinter) {
    // The check leaves the catalogue on the last line's printer, Plotter.
    Start("Invoices\r\nOrders\r\n",
          SetupSection(1, "Invoices", "Gone", "p", "d", "s", "1", "s", "2") +
              SetupSection(2, "Orders", "Plotter", "LPT1:", "HP Plot", "Auto", "7", "Auto", "7"));
    dialog_.steps.push_back([](PrintSetupLogic&) { return true; });
    form_.EditPrinterLine(1);
    EXPECT_EQ(Columns(1), (std::vector<std::string>{"Plotter", "LPT1:", "HP Plot", "Auto", "7",
                                                    "Auto", "7", "", "*"}));
}

TEST_F(LineEditingTest, ADialogSetAfterTheCheckOpensOnThePrinterTheCheckLeft) {
    form_.SetPrintSetupDialog(nullptr);
    Start("Invoices\r\nOrders\r\n",
          SetupSection(1, "Invoices", "Gone", "p", "d", "s", "1", "s", "2") +
              SetupSection(2, "Orders", "Plotter", "LPT1:", "HP Plot", "Auto", "7", "Auto", "7"));
    form_.SetPrintSetupDialog(&dialog_);
    dialog_.steps.push_back([](PrintSetupLogic&) { return true; });
    form_.EditPrinterLine(1);
    EXPECT_EQ(form_.Table().Cell(ColPrinter, 1), "Plotter");
}

TEST_F(LineEditingTest, EqualBinNamesWithDifferentNumbersOpenCheckedAndKeepBoth) {
    Start("Invoices\r\n",
          SetupSection(1, "Invoices", "Twin", "COM1:", "Twin Driver", "Tray", "1", "Tray", "2"));
    Opened opened;
    dialog_.steps.push_back(Look(opened, true));
    form_.EditPrinterLine(1);
    EXPECT_TRUE(opened.useSecondTray);
    EXPECT_TRUE(opened.tray2Enabled);
    EXPECT_EQ(Columns(1), (std::vector<std::string>{"Twin", "COM1:", "Twin Driver", "Tray", "1",
                                                    "Tray", "2", "", "*"}));
}

TEST_F(LineEditingTest, BoxCouplesSourceTwoToSourceOne) {
    Start("Invoices\r\n", kLaser);
    dialog_.steps.push_back([](PrintSetupLogic& dialog) {
        const auto& catalogue = dialog.Catalogue();
        EXPECT_TRUE(dialog.UseSecondTray()); // Upper tray and Lower tray differ
        dialog.ClickUseSecondTray();         // unchecked: source 2 follows source 1
        EXPECT_EQ(catalogue.cboTray2().shownText, "Upper tray");
        EXPECT_EQ(catalogue.cboTray2Num().shownText, "1");
        EXPECT_FALSE(dialog.Tray2Enabled());
        dialog.PickTray1(1); // source 2 moves along
        EXPECT_EQ(catalogue.cboTray2().shownText, "Lower tray");
        dialog.ClickUseSecondTray(); // checked again: stays, enabled
        EXPECT_EQ(catalogue.cboTray2().shownText, "Lower tray");
        EXPECT_TRUE(dialog.Tray2Enabled());
        dialog.PickTray2(0);
        return true;
    });
    form_.EditPrinterLine(1);
    EXPECT_EQ(Columns(1),
              (std::vector<std::string>{"Office Laser", "Ne00:", "winspool", "Lower tray", "2",
                                        "Upper tray", "1", "", "*"}));
}

TEST_F(LineEditingTest, TypedPrinterTextLoadsTheDefaultAndIsStoredAsTyped) {
    Start("Invoices\r\n",
          SetupSection(1, "Invoices", "Plotter", "LPT1:", "HP Plot", "Auto", "7", "Auto", "7"));
    dialog_.steps.push_back([](PrintSetupLogic& dialog) {
        dialog.TypePrinter("Some other printer");
        EXPECT_EQ(dialog.Catalogue().lblPort(), "Ne00:"); // the default printer's details
        return true;
    });
    form_.EditPrinterLine(1);
    EXPECT_EQ(Columns(1),
              (std::vector<std::string>{"Some other printer", "Ne00:", "winspool", "Upper tray",
                                        "1", "Upper tray", "1", "", "*"}));
}

TEST_F(LineEditingTest, FailingDriverEndsTheEditBeforeTheDialogAndEndsAWalk) {
    Start("Invoices\r\nOrders\r\n",
          SetupSection(1, "Invoices", "Broken", "COM2:", "Broken Driver", "Upper", "1", "Upper",
                       "1") +
              SetupSection(2, "Orders", "Plotter", "LPT1:", "HP Plot", "Auto", "7", "Auto", "7"));
    ASSERT_EQ(prompter_.ErrorReports(), std::vector<std::string>{"DevCap Error."});
    const auto before = Columns(1);
    form_.StringGrid1DblClick(); // current line 1
    form_.mnuEditAllClick();
    EXPECT_TRUE(dialog_.captions.empty());
    EXPECT_EQ(Columns(1), before);
    EXPECT_FALSE(form_.Table().Modified());
    EXPECT_EQ(prompter_.ErrorReports().size(), 3u);
}

TEST_F(LineEditingTest, UnnamedLineIsRefusedAndItsErrorsMayBeCleared) {
    Start("Invoices\r\n\r\nOrders\r\n",
          SetupSection(2, "", "Plotter", "LPT1:", "HP Plot", "Auto", "7", "Auto", "7"));
    ASSERT_EQ(Errors(2), "Printer Redundant,");
    ui_.selection = {2, 3};
    prompter_.AnswerNext(MessageButton::OK);
    prompter_.AnswerNext(MessageButton::Yes); // clear this line
    prompter_.AnswerNext(MessageButton::Yes); // and the named line 3 too
    EXPECT_EQ(form_.EditPrinterLine(2), 0);
    const auto seen = prompter_.Seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], kUnnamedLineWarning);
    EXPECT_EQ(seen[1], kClearUnnamedQuestion);
    EXPECT_EQ(seen[2], "You are about to clear a printer with a valid name. (Orders)\r\n"
                       "Clear the details for this printer?");
    EXPECT_EQ(Columns(2), (std::vector<std::string>{"", "", "", "", "", "", "", "", "*"}));
    EXPECT_EQ(form_.Table().Cell(ColChanged, 3), "*");
    EXPECT_TRUE(dialog_.captions.empty());
}

TEST_F(LineEditingTest, ClearAsksForEachNamedLineAndCancelSkipsOnlyThatOne) {
    Start("Invoices\r\n\r\n\r\nOrders\r\n",
          kLaser + SetupSection(2, "", "Plotter", "LPT1:", "HP Plot", "Auto", "7", "Auto", "7"));
    ui_.selection = {1, 3};
    prompter_.AnswerNext(MessageButton::Cancel);
    form_.btnClearLineClick();
    EXPECT_EQ(prompter_.Seen().size(), 1u); // only line 1 is named
    EXPECT_EQ(form_.Table().Cell(ColPrinter, 1), "Office Laser");
    EXPECT_EQ(form_.Table().Cell(ColChanged, 1), "");
    EXPECT_EQ(Columns(2), (std::vector<std::string>{"", "", "", "", "", "", "", "", "*"}));
    // An empty unnamed line is marked changed all the same.
    EXPECT_EQ(form_.Table().Cell(ColChanged, 3), "*");
    EXPECT_TRUE(form_.Table().Modified());
    // Line 2's "Printer Redundant," is gone; line 4 has no printer yet.
    EXPECT_EQ(form_.Table().Panel(kPanelErrors), "Errors: 1");
}

struct WalkCase {
    std::string names;
    int okSteps; // dialogs answered OK before the first Cancel
    int dialogs;
    bool modified;
};

class EditAllTest : public LineEditingTest, public ::testing::WithParamInterface<WalkCase> {};

TEST_P(EditAllTest, WalkStopsAtCancelAndSetsTheFlagForEveryLinePassed) {
    Start(GetParam().names, "");
    for (int i = 0; i < GetParam().okSteps; ++i)
        dialog_.steps.push_back([](PrintSetupLogic&) { return true; });
    form_.mnuEditAllClick();
    EXPECT_EQ(static_cast<int>(dialog_.captions.size()), GetParam().dialogs);
    EXPECT_EQ(form_.Table().Modified(), GetParam().modified);
}

INSTANTIATE_TEST_SUITE_P(
    Walks, EditAllTest,
    ::testing::Values(WalkCase{"Invoices\r\nOrders\r\n", 0, 1, false},    // line 1 cancelled
                      WalkCase{"\r\nInvoices\r\nOrders\r\n", 0, 1, true}, // line 1 unnamed
                      WalkCase{"Invoices\r\n\r\nOrders\r\nMemo\r\n", 1, 2, true},
                      WalkCase{"Invoices\r\nOrders\r\n", 2, 2, true},
                      WalkCase{"\r\n\r\n", 0, 0, true})); // no named lines, no dialog

} // namespace
} // namespace kevo::setup
