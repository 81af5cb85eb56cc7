// SPDX-License-Identifier: Apache-2.0
#include "setup/SetupFile.h"
#include "setup/ConfigTable.h"
#include "setup/NamesFile.h"
#include "platform/profile/ProfileFile.h"

#include "ScratchFolder.h"
#include "SetupSection.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sstream>

namespace kevo::setup {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

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

// A compact form of lines 1 to 3 of a file or of the table: "1:P/a" is line 1
// with Device P and PaperSourceName1 a, "1:P/a/5" with PaperSource1 5 too; a
// line left out has no section.
struct CompactLine {
    int line;
    std::string device, source, number;
};
CompactLine Compact(const std::string& token) {
    const std::size_t slash = token.find('/');
    const std::size_t second = token.find('/', slash + 1);
    return {token[0] - '0', token.substr(2, slash - 2),
            token.substr(slash + 1, second == std::string::npos ? second : second - slash - 1),
            second == std::string::npos ? "" : token.substr(second + 1)};
}

std::string MergeIni(const std::string& compact) {
    static const char* const names[] = {"", "A", "B", "Z"};
    std::string text;
    std::istringstream tokens(compact);
    for (std::string token; tokens >> token;) {
        const CompactLine c = Compact(token);
        text +=
            test::SetupSection(c.line, names[c.line], c.device, "", "", c.source, c.number, "", "");
    }
    return text;
}

std::string Described(const SetupSnapshot& snapshot) {
    std::string text;
    for (int line = 1; line <= 3; ++line) {
        const StoredLine& stored = snapshot.lines[static_cast<std::size_t>(line)];
        if (stored.present)
            text += (text.empty() ? "" : " ") + std::to_string(line) + ":" + stored.values[1] +
                    "/" + stored.values[4] +
                    (stored.values[5].empty() ? "" : "/" + stored.values[5]);
    }
    return text;
}

// Another program changes the file between the window's read and its save.
TEST_F(SetupFileTest, SaveMergesWhatAnotherProgramWroteMeanwhile) {
    struct Case {
        const char* name;
        const char* base; // nullptr: no file when the window read it
        const char* edits;
        const char* disk; // nullptr: deleted meanwhile
        std::optional<ConflictChoice> answer;
        const char* file;  // lines 1 to 3 after the save
        const char* table; // the named lines 1 and 2 after the save
        int asked;
    };
    const auto mine = ConflictChoice::KeepMine;
    const auto theirs = ConflictChoice::TakeTheirs;
    const Case cases[] = {
        {"their line kept",
         "1:P/a 2:P/a",
         "1:Q/a",
         "1:P/a 2:P/b",
         {},
         "1:Q/a 2:P/b",
         "1:Q/a 2:P/b",
         0},
        {"key by key", "1:P/a", "1:Q/a", "1:P/b", {}, "1:Q/b 2:/", "1:Q/b 2:/", 0},
        {"a bin's name and number are one value", "1:P/a/1", "1:P/a/2", "1:P/b/1", mine,
         "1:P/a/2 2:/", "1:P/a 2:/", 2},
        {"same change on both sides", "1:P/a", "1:Q/a", "1:Q/a", {}, "1:Q/a 2:/", "1:Q/a 2:/", 0},
        {"conflict, keep mine", "1:P/a", "1:Q/a", "1:R/a", mine, "1:Q/a 2:/", "1:Q/a 2:/", 1},
        {"conflict, take theirs", "1:P/a", "1:Q/a", "1:R/a", theirs, "1:R/a 2:/", "1:R/a 2:/", 1},
        {"conflict, cancelled", "1:P/a", "1:Q/a", "1:R/a", {}, "1:R/a", "1:Q/a 2:/", 1},
        {"removed there, not edited here",
         "1:P/a 2:P/a",
         "1:Q/a",
         "1:P/a",
         {},
         "1:Q/a",
         "1:Q/a 2:/",
         0},
        {"removed there, edited here", "1:P/a", "1:Q/a", "", mine, "1:Q/a 2:/", "1:Q/a 2:/", 1},
        {"removed there, edited here, theirs", "1:P/a", "1:Q/a", "2:P/a", theirs, "2:P/a",
         "1:/ 2:P/a", 1},
        {"added there for an unnamed line",
         "1:P/a",
         "1:Q/a",
         "1:P/a 3:S/s",
         {},
         "1:Q/a 2:/ 3:S/s",
         "1:Q/a 2:/",
         0},
        {"unnamed line erased as always",
         "1:P/a 3:S/s",
         "1:Q/a",
         "1:P/a 3:S/s",
         {},
         "1:Q/a 2:/",
         "1:Q/a 2:/",
         0},
        {"deleted meanwhile", "1:P/a 2:P/a", "1:Q/a", nullptr, {}, "1:Q/a 2:P/a", "1:Q/a 2:P/a", 0},
        {"created meanwhile", nullptr, "1:Q/a", "2:R/r", {}, "1:Q/a 2:R/r", "1:Q/a 2:R/r", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(path_);
        ConfigTable table;
        table.LayOut();
        FillNameColumns(table, {"A", "B"});
        if (c.base != nullptr)
            WriteFile(MergeIni(c.base));
        SetupSnapshot base;
        LoadSetupFile(table, path_, &base);
        std::istringstream edits(c.edits);
        for (std::string edit; edits >> edit;) {
            const CompactLine e = Compact(edit);
            table.SetCell(ColPrinter, e.line, e.device);
            table.SetCell(ColSource1, e.line, e.source);
            table.SetCell(ColTray1No, e.line, e.number);
            table.SetCell(ColChanged, e.line, "*");
        }
        table.SetModified(true);
        if (c.disk != nullptr)
            WriteFile(MergeIni(c.disk));
        else
            fs::remove(path_);
        const std::string before = c.disk != nullptr ? FileText() : "";
        int asked = 0;
        const SaveReport report =
            SaveSetupFile(table, path_, base, [&](const std::vector<SetupConflict>& conflicts) {
                asked += static_cast<int>(conflicts.size());
                return c.answer;
            });
        EXPECT_EQ(Described(*ReadSetupSnapshot(path_)), c.file);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(report.writtenAnew, c.disk == nullptr);
        std::string shown;
        for (int line = 1; line <= 2; ++line)
            shown += (line > 1 ? " " : "") + std::to_string(line) + ":" +
                     table.Cell(ColPrinter, line) + "/" + table.Cell(ColSource1, line);
        EXPECT_EQ(shown, c.table);
        EXPECT_EQ(table.Modified(), report.cancelled);
        if (report.cancelled)
            EXPECT_EQ(FileText(), before);
        else
            EXPECT_EQ(base, *ReadSetupSnapshot(path_));
    }
}

TEST_F(SetupFileTest, MergedSaveWithNothingChangedOnDiskWritesTodaysBytes) {
    WriteFile("[General]\r\nx=1\r\n" + MergeIni("1:P/a 2:P/a 3:S/s") + "[1]\r\nHand=kept\r\n");
    Name({"A", "B"});
    SetupSnapshot base;
    LoadSetupFile(table_, path_, &base);
    table_.SetCell(ColSource1, 2, "b");
    const std::string start = FileText();
    SaveSetupFile(table_, path_);
    const std::string today = FileText();
    WriteFile(start);
    SaveSetupFile(table_, path_, base, {});
    EXPECT_EQ(FileText(), today);
}

// The file's encoding as another program left it is kept, or refused where
// Windows programs would misread it.
TEST_F(SetupFileTest, MergedSaveKeepsTheEncodingTheFileHasNow) {
    Name({"A"});
    WriteFile(MergeIni("1:P/a"));
    SetupSnapshot base;
    LoadSetupFile(table_, path_, &base);
    table_.SetCell(ColSource1, 1, "b");
    std::string unicode = "\xFF\xFE";
    for (const char c : MergeIni("1:P/a"))
        unicode += {c, '\0'};
    WriteFile(unicode);
    SaveSetupFile(table_, path_, base, {});
    EXPECT_EQ(FileText().substr(0, 4), "\xFF\xFE[\0"s);
    EXPECT_EQ(Described(*ReadSetupSnapshot(path_)), "1:P/b");

    WriteFile("\xEF\xBB\xBF" + MergeIni("1:R/a"));
    const std::string marked = FileText();
    EXPECT_THROW(SaveSetupFile(table_, path_, base, {}), messages::KevoError);
    EXPECT_EQ(FileText(), marked);
}

TEST_F(SetupFileTest, StoredNamesOfAMissingFileAreEmpty) {
    const auto names = ReadStoredNames(path_);
    for (int line = kFirstLine; line <= kLastLine; ++line)
        EXPECT_EQ(names[line], "");
}

} // namespace
} // namespace kevo::setup
