// SPDX-License-Identifier: Apache-2.0
#include "setup/ConfigTable.h"
#include "mainwindow/GridLayout.h"

#include <gtest/gtest.h>

#include <vector>

namespace kevo::setup {
namespace {

class RecordingListener : public ConfigTableListener {
public:
    void CellChanged(int column, int row) override { cells.emplace_back(column, row); }
    void PanelChanged(int panel) override { panels.push_back(panel); }
    std::vector<std::pair<int, int>> cells;
    std::vector<int> panels;
};

TEST(ConfigTable, LayoutWritesTheHeadersAndLeavesColumnZeroEmpty) {
    ConfigTable table;
    table.LayOut();
    const std::vector<std::string> headers = {"",          "Name",     "Printer",   "Where",
                                              "Driver",    "Source 1", "Tray1 No.", "Source 2",
                                              "Tray2 No.", "Errors",   "Changed"};
    for (int column = 0; column < kColumnCount; ++column)
        EXPECT_EQ(table.Cell(column, 0), headers[column]) << column;
    EXPECT_EQ(mainwindow::kColumnWidths[ColWhere], mainwindow::kHiddenColumnWidth);
    EXPECT_EQ(mainwindow::kColumnWidths[ColDriver], mainwindow::kHiddenColumnWidth);
    EXPECT_EQ(mainwindow::kColumnWidths[ColChanged], mainwindow::kHiddenColumnWidth);
}

TEST(ConfigTable, CellsOutsideTheTableReadEmptyAndIgnoreWrites) {
    ConfigTable table;
    RecordingListener listener;
    table.SetListener(&listener);
    for (auto [column, row] :
         std::vector<std::pair<int, int>>{{-1, 1}, {11, 1}, {1, 100}, {1, -1}}) {
        table.SetCell(column, row, "x");
        EXPECT_EQ(table.Cell(column, row), "");
    }
    EXPECT_TRUE(listener.cells.empty());
    table.SetCell(ColName, 99, "Last");
    EXPECT_EQ(table.Cell(ColName, 99), "Last");
    EXPECT_EQ(listener.cells, (std::vector<std::pair<int, int>>{{ColName, 99}}));
}

TEST(ConfigTable, ModifiedFlagIsMirroredInPanelOneOnEveryCall) {
    ConfigTable table;
    RecordingListener listener;
    table.SetListener(&listener);
    table.SetModified(true);
    EXPECT_TRUE(table.Modified());
    EXPECT_EQ(table.Panel(kPanelModified), kModifiedPanelText);
    table.SetModified(false);
    EXPECT_EQ(table.Panel(kPanelModified), "");
    // Clearing a clear flag still writes the panel.
    table.SetPanel(kPanelModified, "stale");
    table.SetModified(false);
    EXPECT_EQ(table.Panel(kPanelModified), "");
    EXPECT_FALSE(table.Modified());
}

TEST(ConfigTable, ErrorCountCountsLinesNotTokensAndIsEmptyForNone) {
    ConfigTable table;
    table.LayOut(); // row 0's "Errors" header must not count
    table.ShowErrorCount();
    EXPECT_EQ(table.Panel(kPanelErrors), "");
    table.SetCell(ColErrors, 1, "Printer Undefined,");
    table.SetCell(ColErrors, 7, "Port,Driver,Tray1Name,");
    table.SetCell(ColErrors, 99, "Names Different (),");
    table.ShowErrorCount();
    EXPECT_EQ(table.Panel(kPanelErrors), "Errors: 3");
    for (int row : {1, 7, 99})
        table.SetCell(ColErrors, row, "");
    table.ShowErrorCount();
    EXPECT_EQ(table.Panel(kPanelErrors), "");
}

struct ColourCase {
    std::string errors;
    std::string changed;
    // The colour of columns 0 to 10 of the line.
    std::vector<CellColour> colours;
};

constexpr CellColour P = CellColour::Plain;
constexpr CellColour R = CellColour::Red;
constexpr CellColour Bl = CellColour::Blue;

class CellColourTest : public ::testing::TestWithParam<ColourCase> {};

TEST_P(CellColourTest, RedAndBlueFollowTheLinesErrorsAndMarker) {
    ConfigTable table;
    table.LayOut();
    table.SetCell(ColErrors, 5, GetParam().errors);
    table.SetCell(ColChanged, 5, GetParam().changed);
    for (int column = 0; column < kColumnCount; ++column)
        EXPECT_EQ(CellColourOf(table, column, 5), GetParam().colours[column])
            << "column " << column << " errors \"" << GetParam().errors << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CellColourTest,
    ::testing::Values(
        ColourCase{"", "", {P, P, P, P, P, P, P, P, P, P, P}},
        ColourCase{"Printer Undefined,", "", {R, P, R, P, P, P, P, P, P, P, P}},
        // Port and driver columns are hidden: only the line number shows it.
        ColourCase{"Port,Driver,", "", {R, P, P, R, R, P, P, P, P, P, P}},
        ColourCase{"Tray1Name,Tray1Num,Tray2Name,Tray2Num,", "", {R, P, P, P, P, R, R, R, R, P, P}},
        // A stored name holding key words colours their columns too.
        ColourCase{"Names Different (Printer Port),", "", {R, R, R, R, P, P, P, P, P, P, P}},
        // The test is case-sensitive.
        ColourCase{"names different (printer),", "", {R, P, P, P, P, P, P, P, P, P, P}},
        // A changed line has a blue number, with or without errors.
        ColourCase{"", "*", {Bl, P, P, P, P, P, P, P, P, P, P}},
        ColourCase{"Tray2Num,", "*", {Bl, P, P, P, P, P, P, P, R, P, P}},
        // Only exactly "*" is the marker.
        ColourCase{"", "**", {P, P, P, P, P, P, P, P, P, P, P}},
        ColourCase{"", " *", {P, P, P, P, P, P, P, P, P, P, P}}));

TEST(CellColour, HeaderRowIsNeverColoured) {
    ConfigTable table;
    table.LayOut();
    table.SetCell(ColChanged, 0, "*");
    for (int column = 0; column < kColumnCount; ++column)
        EXPECT_EQ(CellColourOf(table, column, 0), P) << column;
}

TEST(ConfigTable, LineDetailsKeepTheirFixedPiecesAndFollowTheButton) {
    ConfigTable table;
    table.LayOut();
    const std::vector<std::string> values = {
        "3", "Invoices", "Office Laser", "Ne00:", "winspool", "Upper tray", "1", "Lower tray", "2"};
    for (int column = 0; column < static_cast<int>(values.size()); ++column)
        table.SetCell(column, 3, values[column]);

    table.RightButtonDown(3);
    EXPECT_EQ(table.Panel(kPanelDetails), "Office Laser On Ne00:.  Driver: winspool.  Source 1: "
                                          "Upper tray, 1. Source 2: Lower tray, 2");
    table.MouseButtonUp();
    EXPECT_EQ(table.Panel(kPanelDetails), "");

    table.RightButtonDown(4);
    EXPECT_EQ(table.Panel(kPanelDetails), " On .  Driver: .  Source 1: , . Source 2: , ");
    table.RightButtonDown(0);
    EXPECT_EQ(table.Panel(kPanelDetails),
              "Printer On Where.  Driver: Driver.  Source 1: Source 1, Tray1 No.. Source 2: "
              "Source 2, Tray2 No.");
    // A press on no row leaves the panel as it was.
    table.RightButtonDown(-1);
    EXPECT_EQ(table.Panel(kPanelDetails).substr(0, 7), "Printer");
    table.RightButtonDown(kRowCount);
    EXPECT_EQ(table.Panel(kPanelDetails).substr(0, 7), "Printer");
}

TEST(ConfigTable, NamedAndChangedLines) {
    ConfigTable table;
    table.SetCell(ColName, 2, "  ");
    table.SetCell(ColChanged, 2, "*");
    EXPECT_TRUE(table.IsNamedLine(2)); // blanks only still name a line
    EXPECT_FALSE(table.IsNamedLine(3));
    EXPECT_TRUE(table.IsChanged(2));
    EXPECT_FALSE(table.IsChanged(3));
    EXPECT_EQ(NamesDifferentToken("Invoices"), "Names Different (Invoices),");
    EXPECT_EQ(NamesDifferentToken(""), "Names Different (),");
}

} // namespace
} // namespace kevo::setup
