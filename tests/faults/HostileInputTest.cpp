// SPDX-License-Identifier: Apache-2.0
// Hostile input through the program's window-free logic: names files,
// setup files and printer or bin names holding NUL bytes, invalid UTF-8,
// lines of megabytes, 100 000 sections, "[", "]", "=", ";", quotes, blanks
// at the ends and line breaks. For each: no crash, a bounded time, and what
// is saved reads back as it was written, or as the setup file's rules make
// it (line breaks become blanks, blanks at both ends go, one pair of
// enclosing quotes goes, at most 2047 bytes are read), in which case the
// check reports the line. No text can add a section or a key to the file.

#include "FormHarness.h"
#include "ScopedEnv.h"

#include "setup/ConfigTable.h"
#include "setup/SetupFile.h"
#include "platform/profile/ProfileFile.h"
#include "printsetup/PrinterCatalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <sys/stat.h>

namespace kevo::faults {
namespace {

using namespace std::string_literals;
using messages::MessageButton;
using setup::ColChanged;
using setup::ColDriver;
using setup::ColErrors;
using setup::ColName;
using setup::ColPrinter;
using setup::ColSource1;
using setup::ColSource2;
using setup::ColTray1No;
using setup::ColTray2No;
using setup::ColWhere;
using setup::fixture::kPrinters;
using test::SetupSection;
using Clock = std::chrono::steady_clock;

// A hang shows as a run far beyond this; a normal one takes well under a
// second even with the largest inputs here.
constexpr std::chrono::seconds kTimeBound{20};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// What the setup file gives back for a value that was written.
std::string ReadsBackAs(std::string text) {
    text = setup::StoredValue(text);
    for (char& c : text) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    text = text.substr(begin, end - begin);
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front())
        text = text.substr(1, text.size() - 2);
    return text.substr(0, 2047);
}

// The section names of a file, in order, as a plain reading of the format
// finds them: a line whose first non-blank is "[" with a "]" later on.
std::vector<std::string> SectionHeaders(const std::string& bytes) {
    std::vector<std::string> headers;
    std::istringstream lines(bytes);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        const std::size_t close = line.rfind(']');
        if (first != std::string::npos && line[first] == '[' && close != std::string::npos &&
            close > first) {
            std::string name = line.substr(first + 1, close - first - 1);
            const std::size_t b = name.find_first_not_of(" \t");
            const std::size_t e = name.find_last_not_of(" \t");
            headers.push_back(b == std::string::npos ? "" : name.substr(b, e - b + 1));
        }
    }
    return headers;
}

std::vector<std::string> Numbers(int from, int to) {
    std::vector<std::string> numbers;
    for (int i = from; i <= to; ++i)
        numbers.push_back(std::to_string(i));
    return numbers;
}

std::vector<std::string> Plus(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class Timed {
public:
    Timed() : start_(Clock::now()) {}
    ~Timed() {
        const auto took = Clock::now() - start_;
        EXPECT_LT(took, kTimeBound)
            << "took " << std::chrono::duration<double>(took).count() << " s";
    }
    Timed(const Timed&) = delete;
    Timed& operator=(const Timed&) = delete;

private:
    Clock::time_point start_;
};

// ------------------------------------------------------------ names files

struct NamesCase {
    const char* name;
    std::string bytes;              // the names file, in code page 1252
    std::vector<std::string> names; // the names loaded, in order
    bool tooMany = false;
    bool notText = false; // no text in the code page: nothing is loaded or saved
};

void PrintTo(const NamesCase& c, std::ostream* out) {
    *out << c.name;
}

std::vector<NamesCase> NamesCases() {
    std::string hundredThousand;
    for (int i = 0; i < 100000; ++i)
        hundredThousand += "name " + std::to_string(i) + "\r\n";
    std::vector<std::string> first99;
    for (int i = 0; i < 99; ++i)
        first99.push_back("name " + std::to_string(i));
    const std::string megabytes(4 * 1024 * 1024, 'n');
    return {
        // UTF-16 without its mark, or binary: no name is taken from it.
        {"NulBytes", "a\0b\r\n\0\r\nc\0"s, {}, false, true},
        // Bytes that are not UTF-8 are letters of the code page.
        {"InvalidUtf8",
         "x\r\n\xff\xfe\r\n\xc3\x28\r\n\xed\xa0\x80\r\n\xc0\xaf\r\n\xef\xbb\xbf"
         "bom\r\n",
         {"x", "\u00ff\u00fe", "\u00c3\x28", "\u00ed\u00a0\u20ac", "\u00c0\u00af",
          "\u00ef\u00bb\u00bf"
          "bom"}},
        {"MegabyteLine", "short\r\n" + megabytes + "\r\nafter\r\n", {"short", megabytes, "after"}},
        {"HundredThousandLines", hundredThousand, first99, true},
        {"IniSyntax",
         "[7]\r\n]\r\n=\r\na=b\r\n;comment\r\n[General]\r\nName=evil\r\n[8\r\n",
         {"[7]", "]", "=", "a=b", ";comment", "[General]", "Name=evil", "[8"}},
        {"Quotes",
         "\"quoted\"\r\n'single'\r\n\"open\r\n'mixed\"\r\n\"\"\r\n\"\r\n",
         {"\"quoted\"", "'single'", "\"open", "'mixed\"", "\"\"", "\""}},
        {"BlanksAtTheEnds",
         " lead\r\ntrail \r\n\tboth\t\r\n   \r\nin side\r\n",
         {" lead", "trail ", "\tboth\t", "   ", "in side"}},
        {"LoneCarriageReturns", "a\rb\rc\r\r\nx\r", {"abc", "x"}},
        {"CtrlZ", "one\x1atwo\r\n\x1athree\r\n", {"one\x1atwo"}},
    };
}

class HostileNames : public ::testing::TestWithParam<NamesCase> {};

TEST_P(HostileNames, LoadSaveAndReloadKeepEveryNameOrReportIt) {
    const NamesCase& c = GetParam();
    ScratchFolder folder;
    const std::string names = folder / "names.txt";
    const std::string setup = folder / "setup.ini";
    WriteBytes(names, c.bytes);
    const std::string setupText = "[General]\r\nOwner=hostile names\r\n[7]\r\nName=kept?\r\n";
    WriteBytes(setup, setupText);
    const test::ScopedEnv codePage("KEVOCONF_CODEPAGE", "1252");
    Timed timed;

    Program program(kPrinters);
    program.StartUp({"0", names, setup}, folder / "config");
    const auto& shown = program.prompter.Messages();
    ASSERT_EQ(shown.size(), c.tooMany || c.notText ? 1u : 0u);
    if (c.tooMany) {
        EXPECT_EQ(shown[0].text.rfind("Printer names file has too many lines.\r\n", 0), 0u);
    }
    if (c.notText) {
        EXPECT_EQ(shown[0].text.rfind("Printer names file can not be read.\r\n", 0), 0u);
        program.form.btnSaveIniClick();
        EXPECT_EQ(ReadBytes(setup), setupText);
        return;
    }
    for (std::size_t i = 0; i < 99; ++i) {
        const int line = static_cast<int>(i) + 1;
        EXPECT_EQ(program.Table().Cell(ColName, line), i < c.names.size() ? c.names[i] : "")
            << "line " << line;
    }
    program.form.btnSaveIniClick();
    ASSERT_TRUE(program.ErrorReports().empty()) << program.ErrorReports().front();

    // The file holds the foreign section and one section per named line,
    // whatever the names hold.
    const std::string saved = ReadBytes(setup);
    std::vector<std::string> expected = {"General"};
    for (std::size_t i = 0; i < c.names.size(); ++i) {
        if (!c.names[i].empty())
            expected.push_back(std::to_string(i + 1));
    }
    // Section 7 of an unnamed line is erased by the save; a section that
    // was there keeps its place, new ones follow in line order.
    auto headers = SectionHeaders(saved);
    std::sort(headers.begin(), headers.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(headers, expected);

    // A new run reads every name back, or marks the line when the file's
    // rules changed the name.
    Program again(kPrinters);
    again.StartUp({"0", names, setup}, folder / "config");
    platform::ProfileFile file(setup);
    for (std::size_t i = 0; i < c.names.size(); ++i) {
        const std::string section = std::to_string(i + 1);
        const std::string stored = ReadsBackAs(c.names[i]);
        EXPECT_EQ(file.ReadString(section, "Name"), stored) << "line " << section;
        const std::string errors = again.Table().Cell(ColErrors, static_cast<int>(i) + 1);
        const bool marked = errors.find("Names Different (" + stored + "),") != std::string::npos;
        EXPECT_EQ(marked, stored != c.names[i] && !stored.empty())
            << "line " << section << " errors: " << errors.substr(0, 200);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, HostileNames, ::testing::ValuesIn(NamesCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ setup files

struct SetupCase {
    const char* name;
    std::string bytes; // the setup file; the names file names lines 1 to 3
    // What the table holds after loading: line, column, text.
    std::vector<std::tuple<int, int, std::string>> loaded;
    // The sections of the file after a save, in order.
    std::vector<std::string> sectionsAfterSave;
    // Text that the save keeps byte for byte (a foreign line, a section).
    std::string keptText;
};

void PrintTo(const SetupCase& c, std::ostream* out) {
    *out << c.name;
}

std::vector<SetupCase> SetupCases() {
    const std::string twoMegabytes(2 * 1024 * 1024, 'v');
    std::string manySections;
    for (int i = 0; i < 100000; ++i)
        manySections += "[s" + std::to_string(i) + "]\r\nKey=" + std::to_string(i) + "\r\n";
    std::vector<std::string> manyNames;
    for (int i = 0; i < 100000; ++i)
        manyNames.push_back("s" + std::to_string(i));

    std::mt19937 random(20240611);
    std::string binary(64 * 1024, '\0');
    for (char& c : binary)
        c = static_cast<char>(random() & 0xff);

    const std::string lineOne = SetupSection(1, "Invoices", "Office Laser", "Ne00:", "winspool",
                                             "Upper tray", "1", "Lower tray", "2");
    return {
        {"NulAndInvalidUtf8",
         "[1]\r\nName=Invoices\r\nDevice=a\0b\xff\r\nPort=\xc3\x28\r\nMine=\0\x80\r\n"s,
         {{1, ColPrinter, "a\0b\u00ff"s}, {1, ColWhere, "\u00c3\x28"}},
         {"1", "2", "3"},
         "Mine=\0\x80\r\n"s},
        {"MegabyteLines",
         "; " + twoMegabytes + "\r\n" + "[1]\r\nName=Invoices\r\nDevice=" + twoMegabytes +
             "\r\nHand=" + twoMegabytes + "\r\n",
         {{1, ColPrinter, twoMegabytes.substr(0, 2047)}},
         {"1", "2", "3"},
         "; " + twoMegabytes + "\r\n"},
        {"HundredThousandSections",
         manySections + lineOne,
         {{1, ColPrinter, "Office Laser"}, {2, ColPrinter, ""}},
         Plus(manyNames, {"1", "2", "3"}),
         manySections},
        // The first of two sections of the same name is read and changed;
        // the second stays as it is.
        {"DuplicateSections",
         "[2]\r\nName=Orders\r\nDevice=first\r\n[2]\r\nName=Orders\r\nDevice=second\r\n",
         {{2, ColPrinter, "first"}},
         {"2", "2", "1", "3"},
         "[2]\r\nName=Orders\r\nDevice=second\r\n"},
        // " 2 " is section 2; "02", "2 x" and a header without "]" are not.
        {"SectionNameVariants",
         "[02]\r\nDevice=zero two\r\n[ 2 ]\r\nName=Orders\r\nDevice=blanks\r\n[2 x]\r\n"
         "Device=other\r\n[2\r\nDevice=no header\r\n",
         {{2, ColPrinter, "blanks"}},
         {"02", "2", "2 x", "1", "3"},
         "[02]\r\nDevice=zero two\r\n"},
        // Values that look like file syntax are values.
        {"SyntaxInValues",
         "[1]\r\nName=Invoices\r\nDevice=[7]\r\nPort=x=y\r\nDriver=;not a comment\r\n"
         "PaperSourceName1=]\r\n[7]\r\nName=seven\r\n",
         {{1, ColPrinter, "[7]"},
          {1, ColWhere, "x=y"},
          {1, ColDriver, ";not a comment"},
          {1, ColSource1, "]"}},
         {"1", "2", "3"},
         ""},
        // Old Mac line ends: one long line before any section, kept as it is.
        {"CarriageReturnsOnly",
         "[1]\rName=Invoices\rDevice=x\r",
         {{1, ColPrinter, ""}},
         {"1", "2", "3"},
         "[1]\rName=Invoices\rDevice=x\r\r\n"},
        {"BinaryGarbage", binary, {}, {}, ""},
    };
}

class HostileSetup : public ::testing::TestWithParam<SetupCase> {};

TEST_P(HostileSetup, LoadsAndSavesKeepingWhatIsNotTheProgramsOwn) {
    const SetupCase& c = GetParam();
    ScratchFolder folder;
    const std::string names = folder / "names.txt";
    const std::string setup = folder / "setup.ini";
    WriteBytes(names, "Invoices\r\nOrders\r\nLabels\r\n");
    WriteBytes(setup, c.bytes);
    const test::ScopedEnv codePage("KEVOCONF_CODEPAGE", "1252");
    Timed timed;

    Program program(kPrinters);
    program.StartUp({"0", names, setup}, folder / "config");
    EXPECT_TRUE(program.prompter.Messages().empty());
    for (const auto& [line, column, text] : c.loaded)
        EXPECT_EQ(program.Table().Cell(column, line), text) << "line " << line;

    program.form.btnSaveIniClick();
    ASSERT_TRUE(program.ErrorReports().empty()) << program.ErrorReports().front();
    const std::string saved = ReadBytes(setup);
    if (!c.sectionsAfterSave.empty()) {
        EXPECT_EQ(SectionHeaders(saved), c.sectionsAfterSave);
    }
    if (!c.keptText.empty()) {
        EXPECT_NE(saved.find(c.keptText), std::string::npos) << "the save lost foreign text";
    }

    // Saved once more without a change, the file stays the same: what the
    // program writes, it reads back as it wrote it.
    Program again(kPrinters);
    again.StartUp({"0", names, setup}, folder / "config");
    for (int line = 1; line <= 3; ++line) {
        for (int column = ColPrinter; column <= ColTray2No; ++column) {
            EXPECT_EQ(again.Table().Cell(column, line), program.Table().Cell(column, line))
                << "line " << line << " column " << column;
        }
    }
    again.form.btnSaveIniClick();
    EXPECT_EQ(ReadBytes(setup), saved);
}

INSTANTIATE_TEST_SUITE_P(Files, HostileSetup, ::testing::ValuesIn(SetupCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// A setup file that is not a regular file: the program neither waits on it
// nor replaces it, and says that it cannot write there and why.
struct OddFileCase {
    const char* name;
    std::function<void(const std::string& path)> make;
};

void PrintTo(const OddFileCase& c, std::ostream* out) {
    *out << c.name;
}

class OddSetupFile : public ::testing::TestWithParam<OddFileCase> {};

TEST_P(OddSetupFile, ReadsNothingAndRefusesToSave) {
    ScratchFolder folder;
    const std::string names = folder / "names.txt";
    const std::string setup = folder / "setup.ini";
    WriteBytes(names, "Invoices\r\n");
    GetParam().make(setup);
    Timed timed;

    Program program(kPrinters);
    program.StartUp({"0", names, setup}, folder / "config");
    program.Table().SetCell(ColPrinter, 1, "Office Laser");
    program.form.SetModified(true);
    program.form.btnSaveIniClick();
    ASSERT_EQ(program.ErrorReports().size(), 1u);
    EXPECT_EQ(program.ErrorReports()[0].rfind(
                  "Unable to write to " + setup + "\r\nThe file can not be read (", 0),
              0u)
        << program.ErrorReports()[0];
    EXPECT_TRUE(program.Table().Modified());
    EXPECT_EQ(folder.Names().size(), 2u) << "something was made beside the setup file";
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OddSetupFile,
    ::testing::Values(
        OddFileCase{"NamedPipe", [](const std::string& path) { ::mkfifo(path.c_str(), 0600); }},
        OddFileCase{"Folder", [](const std::string& path) { fs::create_directory(path); }},
        OddFileCase{"LinkToADevice",
                    [](const std::string& path) { fs::create_symlink("/dev/zero", path); }}),
    [](const auto& info) { return std::string(info.param.name); });

// A names file that is not a regular file: reported as a names file that
// cannot be read, without waiting on it, and the run ends.
TEST(HostileNamesFile, NamedPipeIsReportedWithoutWaiting) {
    ScratchFolder folder;
    const std::string names = folder / "names.txt";
    ASSERT_EQ(::mkfifo(names.c_str(), 0600), 0);
    Timed timed;
    Program program(kPrinters);
    program.StartUp({"2", names, folder / "setup.ini"}, folder / "config");
    ASSERT_EQ(program.prompter.Seen().size(), 1u);
    EXPECT_EQ(program.prompter.Seen()[0].rfind("Printer names file can not be read.", 0), 0u);
    EXPECT_TRUE(program.ui.terminationRequested);
    EXPECT_FALSE(fs::exists(folder / "setup.ini"));
}

// ---------------------------------------------- printer and bin names

// Printers whose names, ports, drivers and bins hold file syntax, quotes,
// blanks at the ends, line breaks, NUL bytes and invalid UTF-8, written with
// the escapes of the simulated printers file.
const char* const kHostilePrinters = R"(default Plain
printer Plain
    devices Plain Driver,LPT1:
    bin 1 Upper
printer [7]
    devices "drv=[x],port;\"q\""
    bin 1 "[Upper]=;"
    bin 2 "\"q\""
printer "x\r\n[7]\r\nDevice=evil"
    devices "x\r\n[7]\r\nDriver=evil,x\r\n[7]\r\nPort=evil"
    bin 3 "x\r\n[7]\r\nDevice=evil"
printer "\"quoted\""
    devices drv,port
    bin 4 "'single'"
printer " lead"
    devices " lead drv, lead port"
    bin 5 "Tray"
printer "trail "
    devices "drv ,port "
    bin 6 Tray
printer "\xff\xfe\xc3\x28"
    devices "\xff,\xfe"
    bin 7 "\xed\xa0\x80"
printer "nul\0inside"
    devices "d\0rv,p\0ort"
    bin 8 "a\0b"
)";

struct PrinterCase {
    const char* name;
    int printer;    // position in the list
    int bin;        // position of both sources
    bool readsBack; // every value survives the file unchanged
    // The printer's bins can be asked; when not, picking it fails and the
    // user takes the plain printer instead.
    bool binsKnown = true;
    // A value is no text that the file can hold: the save writes nothing.
    bool refused = false;
};

void PrintTo(const PrinterCase& c, std::ostream* out) {
    *out << c.name;
}

class HostilePrinters : public ::testing::TestWithParam<PrinterCase> {};

TEST_P(HostilePrinters, SavedLineReadsBackOrIsMarkedAndNoSectionIsAdded) {
    const PrinterCase& c = GetParam();
    ScratchFolder folder;
    const std::string names = folder / "names.txt";
    const std::string setup = folder / "setup.ini";
    // Line 1 takes the hostile printer; lines 2 to 7 the plain one, so
    // section 7 exists and has something to lose.
    std::string namesText;
    for (int line = 1; line <= 7; ++line)
        namesText += "Line " + std::to_string(line) + "\r\n";
    WriteBytes(names, namesText);
    const test::ScopedEnv codePage("KEVOCONF_CODEPAGE", "1252");
    Timed timed;

    Program program(kHostilePrinters);
    // The setup file is missing: "configure all now?" Yes, then the dialog
    // for each line.
    program.prompter.AnswerNext(MessageButton::Yes);
    bool pickFailed = false;
    program.dialog.steps.push_back([&c, &pickFailed](printsetup::PrintSetupLogic& dialog) {
        try {
            dialog.PickPrinter(c.printer);
        } catch (const std::exception& error) {
            pickFailed = true;
            EXPECT_STREQ(error.what(), printers::kDevCapError);
            dialog.PickPrinter(0);
        }
        dialog.PickTray1(c.bin);
        return true;
    });
    for (int line = 2; line <= 7; ++line) {
        program.dialog.steps.push_back([](printsetup::PrintSetupLogic& dialog) {
            dialog.PickPrinter(0);
            return true;
        });
    }
    program.StartUp({"0", names, setup}, folder / "config");
    ASSERT_TRUE(program.dialog.steps.empty()) << "not every line was edited";
    EXPECT_EQ(pickFailed, !c.binsKnown);
    program.form.btnSaveIniClick();
    if (c.refused) {
        ASSERT_EQ(program.ErrorReports().size(), 1u);
        EXPECT_EQ(program.ErrorReports()[0].rfind("Line 1 can not be saved", 0), 0u);
        EXPECT_FALSE(std::filesystem::exists(setup));
        return;
    }
    ASSERT_TRUE(program.ErrorReports().empty()) << program.ErrorReports().front();
    EXPECT_EQ(program.Table().Cell(ColErrors, 1), "") << "the line is wrong before the reload";

    const std::string saved = ReadBytes(setup);
    EXPECT_EQ(SectionHeaders(saved), Numbers(1, 7)) << saved;

    Program again(kHostilePrinters);
    again.StartUp({"0", names, setup}, folder / "config");
    bool allSame = true;
    for (int column = ColPrinter; column <= ColTray2No; ++column) {
        const std::string& written = program.Table().Cell(column, 1);
        EXPECT_EQ(again.Table().Cell(column, 1), ReadsBackAs(written)) << "column " << column;
        allSame = allSame && ReadsBackAs(written) == written;
    }
    EXPECT_EQ(allSame, c.readsBack);
    // A value that the file cannot hold is reported by the check.
    EXPECT_EQ(again.Table().Cell(ColErrors, 1).empty(), c.readsBack)
        << again.Table().Cell(ColErrors, 1);
    // Section 7 is line 7's own.
    EXPECT_EQ(again.Table().Cell(ColPrinter, 7), "Plain");
    EXPECT_EQ(again.Table().Cell(ColWhere, 7), "LPT1:");
    EXPECT_EQ(again.Table().Cell(ColDriver, 7), "Plain Driver");
    EXPECT_EQ(again.Table().Cell(ColErrors, 7), "");
    EXPECT_EQ(again.Table().Cell(ColChanged, 7), "");
}

INSTANTIATE_TEST_SUITE_P(Names, HostilePrinters,
                         ::testing::Values(PrinterCase{"FileSyntax", 1, 0, true},
                                           PrinterCase{"FileSyntaxQuotedBin", 1, 1, true},
                                           PrinterCase{"LineBreaks", 2, 0, false},
                                           PrinterCase{"QuotedName", 3, 0, true},
                                           PrinterCase{"LeadingBlank", 4, 0, true},
                                           PrinterCase{"TrailingBlank", 5, 0, true},
                                           // A surrogate's bytes are no character.
                                           PrinterCase{"InvalidUtf8", 6, 0, false, true, true},
                                           PrinterCase{"NulInside", 7, 0, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kevo::faults
