// SPDX-License-Identifier: Apache-2.0
#include "mainwindow/SetupFile.h"
#include "mainwindow/ConfigTable.h"
#include "mainwindow/NamesFile.h"
#include "platform/profile/ProfileFile.h"

#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace kevo::mainwindow {
namespace {

namespace fs = std::filesystem;

class SetupFileTest : public ::testing::Test {
protected:
    void SetUp() override { table_.LayOut(); }

    void WriteFile(const std::string& text) { test::WriteBytes(path_, text); }
    std::string FileText() const { return test::ReadBytes(path_); }
    void Name(const std::vector<std::string>& names) { FillNameColumns(table_, names); }
    void Line(int row, std::initializer_list<std::string> columns2to8) {
        int column = ColPrinter;
        for (const auto& text : columns2to8)
            table_.SetCell(column++, row, text);
    }

    test::ScratchFolder dir_{"kevo-setup-"};
    const std::string path_ = dir_ / "Vezerava.ini";
    ConfigTable table_;
};

TEST_F(SetupFileTest, LoadingFillsDetailsAndGivesTheNameTokenOnlyForAStoredName) {
    Name({"Invoices", "Orders", "Labels", "Memo"});
    // Line 5 is unnamed but its section still holds a name and details.
    WriteFile("[1]\r\nName=Invoices\r\nDevice=Office Laser\r\nPort=Ne00:\r\nDriver=winspool\r\n"
              "PaperSourceName1=Upper tray\r\nPaperSource1=1\r\nPaperSourceName2=Lower tray\r\n"
              "PaperSource2=2\r\n"
              "[2]\r\nname=orders\r\nDEVICE=Plotter\r\n"
              "[3]\r\nName=\r\nDevice=Label Writer\r\n"
              "[5]\r\nName=Old\r\nDevice=Office Laser\r\n");
    table_.SetCell(ColErrors, 1, "Printer Undefined,");
    table_.SetCell(ColChanged, 1, "*");
    table_.SetCell(ColPrinter, 4, "left over");

    ASSERT_EQ(LoadSetupFile(table_, path_), SetupLoad::Loaded);

    const std::vector<std::string> line1 = {"Office Laser", "Ne00:", "winspool", "Upper tray", "1",
                                            "Lower tray",   "2"};
    for (int column = ColPrinter; column <= ColTray2No; ++column)
        EXPECT_EQ(table_.Cell(column, 1), line1[column - ColPrinter]);
    EXPECT_EQ(table_.Cell(ColErrors, 1), "");
    EXPECT_EQ(table_.Cell(ColChanged, 1), "");
    // Letter case counts for names, not for keys.
    EXPECT_EQ(table_.Cell(ColErrors, 2), "Names Different (orders),");
    EXPECT_EQ(table_.Cell(ColPrinter, 2), "Plotter");
    // An empty stored name never gives a token on loading.
    EXPECT_EQ(table_.Cell(ColErrors, 3), "");
    // A missing section empties the details and gives no token.
    EXPECT_EQ(table_.Cell(ColPrinter, 4), "");
    EXPECT_EQ(table_.Cell(ColErrors, 4), "");
    EXPECT_EQ(table_.Cell(ColErrors, 5), "Names Different (Old),");
    EXPECT_EQ(table_.Cell(ColPrinter, 5), "Office Laser");
    // Loading never touches the names.
    EXPECT_EQ(table_.Cell(ColName, 2), "Orders");
}

TEST_F(SetupFileTest, MissingFileOrDirectoryLeavesTheTableAlone) {
    Name({"Invoices"});
    Line(1, {"Office Laser"});
    table_.SetCell(ColChanged, 1, "*");
    EXPECT_EQ(LoadSetupFile(table_, path_), SetupLoad::FileMissing);
    fs::create_directory(path_);
    EXPECT_EQ(LoadSetupFile(table_, path_), SetupLoad::FileMissing);
    EXPECT_EQ(table_.Cell(ColPrinter, 1), "Office Laser");
    EXPECT_EQ(table_.Cell(ColChanged, 1), "*");
}

TEST_F(SetupFileTest, SavingWritesNamedLinesErasesUnnamedOnesAndKeepsForeignSections) {
    WriteFile("[General]\r\nLanguage=en\r\n[3]\r\nName=Labels\r\nComment=kept by hand\r\n"
              "[4]\r\nName=Gone\r\nDevice=X\r\n[100]\r\nName=Beyond\r\n");
    Name({"Invoices", "Orders", "Labels"});
    Line(1, {"Office Laser", "Ne00:", "winspool", "Upper tray", "1", "Upper tray", "1"});
    table_.SetCell(ColChanged, 1, "*");
    table_.SetCell(ColChanged, 4, "*");
    table_.SetModified(true);

    SaveSetupFile(table_, path_);

    EXPECT_EQ(FileText(), "[General]\r\nLanguage=en\r\n"
                          "[3]\r\nName=Labels\r\nComment=kept by hand\r\nDevice=\r\nPort=\r\n"
                          "Driver=\r\nPaperSourceName1=\r\nPaperSource1=\r\nPaperSourceName2=\r\n"
                          "PaperSource2=\r\n"
                          "[100]\r\nName=Beyond\r\n"
                          "[1]\r\nName=Invoices\r\nDevice=Office Laser\r\nPort=Ne00:\r\n"
                          "Driver=winspool\r\nPaperSourceName1=Upper tray\r\nPaperSource1=1\r\n"
                          "PaperSourceName2=Upper tray\r\nPaperSource2=1\r\n"
                          "[2]\r\nName=Orders\r\nDevice=\r\nPort=\r\nDriver=\r\n"
                          "PaperSourceName1=\r\nPaperSource1=\r\nPaperSourceName2=\r\n"
                          "PaperSource2=\r\n");
    EXPECT_FALSE(table_.Modified());
    EXPECT_EQ(table_.Panel(kPanelModified), "");
    EXPECT_EQ(table_.Cell(ColChanged, 1), "");
    EXPECT_EQ(table_.Cell(ColChanged, 4), "");
}

TEST_F(SetupFileTest, ASectionErasedAndWrittenAgainLandsAtTheEnd) {
    Name({"A", "", "C"});
    SaveSetupFile(table_, path_);
    table_.SetCell(ColName, 2, "B"); // as if the names file had changed
    SaveSetupFile(table_, path_);
    const std::string text = FileText();
    EXPECT_LT(text.find("[1]"), text.find("[3]"));
    EXPECT_LT(text.find("[3]"), text.find("[2]"));
}

TEST_F(SetupFileTest, NamesWithBlanksOrQuotesAtTheEndsReadBackAsWritten) {
    const std::vector<std::string> names = {" Invoices ", "\"Orders\"", "'Notes'", "\t", "\"x"};
    Name(names);
    SaveSetupFile(table_, path_);
    EXPECT_NE(FileText().find("Name=\" Invoices \"\r\n"), std::string::npos);
    EXPECT_NE(FileText().find("Name=\"x\r\n"), std::string::npos); // nothing to protect
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(ReadStoredNames(path_)[i + 1], names[i]);
    LoadSetupFile(table_, path_);
    for (int line = 1; line <= static_cast<int>(names.size()); ++line)
        EXPECT_EQ(table_.Cell(ColErrors, line), "");
}

TEST_F(SetupFileTest, LongValuesLoadAsTheirFirst2047Bytes) {
    Name({"Invoices"});
    WriteFile("[1]\r\nName=Invoices\r\nDevice=" + std::string(3000, 'd') + "\r\n");
    LoadSetupFile(table_, path_);
    EXPECT_EQ(table_.Cell(ColPrinter, 1), std::string(2047, 'd'));
}

TEST_F(SetupFileTest, RefusedSaveLeavesFileMarksAndFlagAsTheyWere) {
    // A folder that cannot exist: its parent is a regular file.
    const std::string blocker = dir_ / "blocker";
    test::WriteBytes(blocker, "x");
    const std::string badPath = blocker + "/Vezerava.ini";
    Name({"Invoices", "Orders"});
    table_.SetCell(ColChanged, 2, "*");
    table_.SetModified(true);
    try {
        SaveSetupFile(table_, badPath);
        FAIL() << "the save did not fail";
    } catch (const platform::ProfileWriteError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + badPath);
    }
    EXPECT_EQ(table_.Cell(ColChanged, 2), "*");
    EXPECT_TRUE(table_.Modified());
    EXPECT_EQ(table_.Panel(kPanelModified), kModifiedPanelText);
}

// Only a refusal of access in the Windows directory gets the advice.
TEST(AdministratorOnlyAdvice, ForARefusalOfAccessInTheWindowsDirectory) {
    struct Case {
        const char* path;
        int error;
        PathStyle style;
        bool advised;
    };
    constexpr auto W = PathStyle::Windows;
    for (const Case& c : {Case{"C:\\WINDOWS\\Vezerava.ini", EACCES, W, true},
                          Case{"c:/windows/sub/Vezerava.ini", EPERM, W, true},
                          Case{"C:\\WINDOWS\\Vezerava.ini", ENOSPC, W, false},
                          Case{"C:\\WINDOWS\\Vezerava.ini", 0, W, false},
                          Case{"C:\\WindowsApps\\Vezerava.ini", EACCES, W, false},
                          Case{"D:\\Vezerava.ini", EACCES, W, false},
                          Case{"C:\\Windows/Vezerava.ini", EACCES, PathStyle::Posix, false}}) {
        const platform::ProfileWriteError error(c.path, c.error);
        EXPECT_EQ(!AdministratorOnlyAdvice(error, "C:\\Windows", c.style).empty(), c.advised)
            << c.path << " " << c.error;
    }
}

TEST_F(SetupFileTest, StoredNamesOfAMissingFileAreEmpty) {
    const auto names = ReadStoredNames(path_);
    for (int line = kFirstLine; line <= kLastLine; ++line)
        EXPECT_EQ(names[line], "");
}

} // namespace
} // namespace kevo::mainwindow
