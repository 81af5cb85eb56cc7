// SPDX-License-Identifier: Apache-2.0
// The names file and the setup file as Windows tools write them: Notepad's
// ANSI, UTF-8 (with and without its mark), "Unicode" and "Unicode big
// endian"; PowerShell 5's ">" (UTF-16 LE) and Out-File -Encoding utf8
// (UTF-8 with a mark, a line end after the last line).

#include "MainWindowLogicFixture.h"
#include "ScopedEnv.h"
#include "platform/text/TextCoding.h"

namespace kevo::setup::fixture {
namespace {

constexpr const char* kAccentedPrinters =
    "default B\u00fcro Laser\n"
    "printer B\u00fcro Laser\n"
    "devices winspool,Ne00:\n"
    "bin 1 T\u00e1lca 1\n"
    "bin 2 \"T\u00e1lca 2 (sz\u00e1ll\u00edt\u00f3lev\u00e9l)\"\n"
    "printer \u0150rz\u00f6tt Laser\n"
    "devices winspool,Ne01:\n"
    "bin 1 T\u00e1lca 1\n";

enum class Form { Ansi, Utf8, Utf8Mark, Utf16Le, Utf16Be };

// A text as a tool writes it in a form; the ANSI form is the host's code page.
std::string Written(const std::string& text, Form form, int codePage) {
    std::string bytes;
    switch (form) {
    case Form::Ansi:
        EXPECT_FALSE(platform::EncodeCodePage(text, codePage, bytes));
        break;
    case Form::Utf8Mark:
        bytes = "\xEF\xBB\xBF";
        [[fallthrough]];
    case Form::Utf8:
        bytes += text;
        break;
    case Form::Utf16Le:
    case Form::Utf16Be:
        bytes = form == Form::Utf16Le ? "\xFF\xFE" : "\xFE\xFF";
        EXPECT_FALSE(platform::EncodeUtf16(text, form == Form::Utf16Be, bytes));
        break;
    }
    return bytes;
}

enum class Role { NamesFile, SetupFile };

struct ToolCase {
    const char* tool;
    Role role; // which file the tool wrote; the other is ANSI
    Form form;
    const char* codePage; // KEVOCONF_CODEPAGE
    bool lastLineEnd;     // PowerShell ends the last line, Notepad does not
    std::vector<std::string> names;
    std::vector<std::string> errors; // how the check's result begins, lines 1 to 3
    bool warned;                     // the setup file's mark is warned about
};

const std::vector<std::string> kHungarian = {"Sz\u00e1mla", "Sz\u00e1ll\u00edt\u00f3lev\u00e9l",
                                             "\u0150rz\u00f6tt p\u00e9ld\u00e1ny"};
const std::vector<std::string> kGerman = {"B\u00fcro", "Lieferschein", "\u00dcbersicht"};
const std::vector<std::string> kClean = {"", "", ""};
const std::vector<std::string> kUnseen = {"Printer Undefined,", "Printer Undefined,",
                                          "Printer Undefined,"};
// Behind a UTF-8 mark: line 1's header is not seen; the other lines' UTF-8
// reads as code page 1250 does, so their stored names are other names.
const std::vector<std::string> kBehindUtf8Mark = {"Printer Undefined,", "Names Different (",
                                                  "Names Different ("};

class WindowsToolFilesTest : public MainWindowLogicTest,
                             public ::testing::WithParamInterface<ToolCase> {
protected:
    WindowsToolFilesTest() : MainWindowLogicTest(kAccentedPrinters) {}
};

TEST_P(WindowsToolFilesTest, ReadCheckedAndSavedUntouchedAsTheHostReadsThem) {
    const ToolCase& c = GetParam();
    const test::ScopedEnv codePageSetting("KEVOCONF_CODEPAGE", c.codePage);
    const int codePage = platform::HostCodePage();
    std::string names;
    std::string setup;
    for (std::size_t i = 0; i < c.names.size(); ++i) {
        const std::string end = i + 1 < c.names.size() || c.lastLineEnd ? "\r\n" : "";
        names += c.names[i] + end;
        setup += SetupSection(static_cast<int>(i) + 1, c.names[i], "B\u00fcro Laser",
                              "Ne00:", "winspool", "T\u00e1lca 1", "1",
                              "T\u00e1lca 2 (sz\u00e1ll\u00edt\u00f3lev\u00e9l)", "2");
    }
    const bool names16 = c.role == Role::NamesFile;
    Write("names.txt", Written(names, names16 ? c.form : Form::Ansi, codePage));
    const std::string setupBytes = Written(setup, names16 ? Form::Ansi : c.form, codePage);
    Write("setup.ini", setupBytes);

    StartUp(Args("0"));
    for (int line = 1; line <= 3; ++line) {
        EXPECT_EQ(form_.Table().Cell(ColName, line), c.names[line - 1]) << line;
        EXPECT_EQ(Errors(line).substr(0, c.errors[line - 1].size()), c.errors[line - 1]) << line;
        EXPECT_EQ(Errors(line).empty(), c.errors[line - 1].empty()) << line;
    }
    EXPECT_EQ(form_.StartupWarnings().size(), c.warned ? 1u : 0u);
    const auto& shown = prompter_.Messages();
    EXPECT_EQ(shown.size(), c.warned ? 1u : 0u);
    if (c.warned && !shown.empty()) {
        EXPECT_EQ(shown[0].type, MessageType::Warning);
        EXPECT_NE(shown[0].text.find(Path("setup.ini")), std::string::npos);
    }

    form_.btnSaveIniClick();
    EXPECT_EQ(Read("setup.ini"), setupBytes);
    // A file that Windows programs read otherwise is not saved over.
    EXPECT_EQ(prompter_.ErrorReports().size(), c.warned ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, WindowsToolFilesTest,
    ::testing::Values(ToolCase{"NotepadAnsi1250Names", Role::NamesFile, Form::Ansi, "1250", false,
                               kHungarian, kClean, false},
                      ToolCase{"NotepadAnsi1252Names", Role::NamesFile, Form::Ansi, "1252", false,
                               kGerman, kClean, false},
                      ToolCase{"NotepadUtf8Names", Role::NamesFile, Form::Utf8, "utf-8", false,
                               kHungarian, kClean, false},
                      ToolCase{"NotepadUtf8MarkNames", Role::NamesFile, Form::Utf8Mark, "1250",
                               false, kHungarian, kClean, false},
                      ToolCase{"OutFileUtf8Names", Role::NamesFile, Form::Utf8Mark, "1250", true,
                               kHungarian, kClean, false},
                      ToolCase{"NotepadUnicodeNames", Role::NamesFile, Form::Utf16Le, "1250", false,
                               kHungarian, kClean, false},
                      ToolCase{"PowerShellRedirectNames", Role::NamesFile, Form::Utf16Le, "1250",
                               true, kHungarian, kClean, false},
                      ToolCase{"NotepadUnicodeBigEndianNames", Role::NamesFile, Form::Utf16Be,
                               "1250", false, kHungarian, kClean, false},
                      ToolCase{"NotepadAnsi1250Setup", Role::SetupFile, Form::Ansi, "1250", false,
                               kHungarian, kClean, false},
                      ToolCase{"NotepadAnsi1252Setup", Role::SetupFile, Form::Ansi, "1252", false,
                               kGerman, kClean, false},
                      ToolCase{"NotepadUtf8Setup", Role::SetupFile, Form::Utf8, "utf-8", false,
                               kHungarian, kClean, false},
                      ToolCase{"NotepadUtf8MarkSetup", Role::SetupFile, Form::Utf8Mark, "1250",
                               false, kHungarian, kBehindUtf8Mark, true},
                      ToolCase{"OutFileUtf8Setup", Role::SetupFile, Form::Utf8Mark, "1250", true,
                               kHungarian, kBehindUtf8Mark, true},
                      ToolCase{"NotepadUnicodeSetup", Role::SetupFile, Form::Utf16Le, "1250", false,
                               kHungarian, kClean, false},
                      ToolCase{"PowerShellRedirectSetup", Role::SetupFile, Form::Utf16Le, "1250",
                               true, kHungarian, kClean, false},
                      ToolCase{"NotepadUnicodeBigEndianSetup", Role::SetupFile, Form::Utf16Be,
                               "1250", false, kHungarian, kUnseen, true}),
    [](const auto& info) { return std::string(info.param.tool); });

class AccentedPrintersTest : public MainWindowLogicTest {
protected:
    AccentedPrintersTest() : MainWindowLogicTest(kAccentedPrinters) {}

    // Line 1 edited in mode 0: the user picks printer and source 1.
    void EditLineOne(int printer, int source1) {
        dialog_.steps.push_back([=](printsetup::PrintSetupLogic& dialog) {
            dialog.PickPrinter(printer);
            dialog.PickTray1(source1);
            return true;
        });
        StartUp(Args("0"));
        form_.StringGrid1DblClick();
    }
};

TEST_F(AccentedPrintersTest, AnEditIsSavedInTheCodePageOfTheFile) {
    const test::ScopedEnv codePage("KEVOCONF_CODEPAGE", "1250");
    Write("names.txt", "Sz\xE1mla\r\n");
    Write("setup.ini", "[1]\r\nName=Sz\xE1mla\r\n");
    EditLineOne(0, 1);
    form_.btnSaveIniClick();
    EXPECT_EQ(Read("setup.ini"),
              "[1]\r\nName=Sz\xE1mla\r\nDevice=B\xFCro Laser\r\nPort=Ne00:\r\n"
              "Driver=winspool\r\nPaperSourceName1=T\xE1lca 2 (sz\xE1ll\xEDt\xF3lev\xE9l)\r\n"
              "PaperSource1=2\r\nPaperSourceName2=T\xE1lca 2 (sz\xE1ll\xEDt\xF3lev\xE9l)\r\n"
              "PaperSource2=2\r\n");
    EXPECT_EQ(Errors(1), "");
}

TEST_F(AccentedPrintersTest, AValueTheCodePageCannotHoldIsNeverWritten) {
    const test::ScopedEnv codePage("KEVOCONF_CODEPAGE", "1252");
    Write("names.txt", "Invoices\r\n");
    Write("setup.ini", "[1]\r\nName=Invoices\r\n");
    EditLineOne(1, 0); // "\u0150rz\u00f6tt Laser": code page 1252 has no "\u0150"
    form_.btnSaveIniClick();
    EXPECT_EQ(Read("setup.ini"), "[1]\r\nName=Invoices\r\n");
    ASSERT_EQ(prompter_.ErrorReports().size(), 1u);
    const std::string& report = prompter_.ErrorReports()[0];
    EXPECT_EQ(report.rfind("Line 1 can not be saved: its Printer holds \"\u0150\" (U+0150)", 0), 0u)
        << report;
    EXPECT_TRUE(form_.Table().Modified());
    EXPECT_EQ(form_.Table().Cell(ColChanged, 1), kChangedMarker);
}

} // namespace
} // namespace kevo::setup::fixture
