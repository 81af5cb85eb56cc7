// SPDX-License-Identifier: Apache-2.0
// Setup files as Windows tools write them (Notepad's ANSI, UTF-8 without a
// mark, Unicode, Unicode big endian), loaded and saved by the program with
// the table untouched: the host, reading through the profile functions,
// sees the same values afterwards, and the file keeps every byte.

#include "WindowsTestSupport.h"

#include "messages/ErrorReport.h"
#include "setup/ConfigTable.h"
#include "setup/SetupFile.h"
#include "platform/text/TextCoding.h"
#include "platform/text/WideText.h"

#include <gtest/gtest.h>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace kevo::testing {
namespace {

// The keys the host reads, as columns of the table.
constexpr setup::Column kReadColumns[] = {setup::ColName, setup::ColPrinter, setup::ColSource1};

struct Line {
    std::wstring name;
    std::wstring device;
    std::wstring bin;
};

// Sections 1 to 3 with every key in the program's order, as a save leaves
// them.
std::wstring SetupText(const std::vector<Line>& lines) {
    std::wstring text;
    int number = 0;
    for (const Line& line : lines) {
        text += L"[" + std::to_wstring(++number) + L"]\r\nName=" + line.name + L"\r\nDevice=" +
                line.device + L"\r\nPort=LPT1:\r\nDriver=winspool\r\n" + L"PaperSourceName1=" +
                line.bin + L"\r\nPaperSource1=15\r\n" + L"PaperSourceName2=\r\nPaperSource2=0\r\n";
    }
    return text;
}

// The text as a tool writes it: in a code page, or as UTF-16 with its mark.
std::string Written(const std::wstring& text, int codePage, bool utf16BigEndian = false) {
    const std::string utf8 = platform::Utf8FromWide(text);
    std::string bytes;
    if (codePage != 0)
        static_cast<void>(platform::EncodeCodePage(utf8, codePage, bytes));
    else
        static_cast<void>(platform::EncodeUtf16(utf8, utf16BigEndian,
                                                bytes = utf16BigEndian ? "\xFE\xFF" : "\xFF\xFE"));
    return bytes;
}

const std::vector<Line> kWestern = {{L"Büro", L"Drucker Büro", L"Fach 1 (Büro)"},
                                    {L"Lager", L"Lager Laser", L"Obere Kassette"},
                                    {L"Kasse", L"Bondrucker", L"Rolle"}};
const std::vector<Line> kHungarian = {{L"Számla", L"Számlázó nyomtató", L"Tálca 2"},
                                      {L"Őrzött példány", L"Iroda", L"Kézi adagoló"},
                                      {L"Raktár", L"Raktár lézer", L"Felső tálca"}};

struct EncodingCase {
    const char* name;
    std::string bytes;
    // Whether Wine reads the file as Windows does (and the program should):
    // Wine also takes the big-endian mark, which Windows reads as ANSI.
    bool wineReadsAsWindows;
};

void PrintTo(const EncodingCase& c, std::ostream* out) {
    *out << c.name;
}

const EncodingCase kCases[] = {
    {"NotepadAnsi", Written(SetupText(kWestern), 1252), true},
    {"Utf8WithoutMark", Written(SetupText(kHungarian), platform::kCodePageUtf8), true},
    {"Unicode", Written(SetupText(kHungarian), 0), true},
    {"UnicodeBigEndian", Written(SetupText(kHungarian), 0, true), false},
};

// What the host reads for sections 1 to 3, as UTF-8.
std::vector<std::string> HostValues(const std::string& path) {
    const std::wstring file = platform::WideFromUtf8(path);
    std::vector<std::string> values;
    for (int line = 1; line <= 3; ++line) {
        for (const setup::Column column : kReadColumns) {
            wchar_t buffer[2048] = {};
            const DWORD length = GetPrivateProfileStringW(
                std::to_wstring(line).c_str(),
                platform::WideFromUtf8(setup::kSetupKeys[column - setup::ColName]).c_str(), L"",
                buffer, sizeof buffer / sizeof buffer[0], file.c_str());
            values.push_back(platform::Utf8FromWide(std::wstring_view(buffer, length)));
        }
    }
    return values;
}

class SetupFileEncodings : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(SetupFileEncodings, UntouchedLoadAndSaveKeepWhatTheHostReads) {
    const EncodingCase& c = GetParam();
    TemporaryFolder folder;
    const std::string path = folder.File("Vezerava.ini");
    WriteBytes(path, c.bytes);
    const std::vector<std::string> before = HostValues(path);

    setup::ConfigTable table;
    const auto names = setup::ReadStoredNames(path);
    for (int line = 1; line <= 3; ++line)
        table.SetCell(setup::ColName, line, names[static_cast<std::size_t>(line)]);
    ASSERT_EQ(setup::LoadSetupFile(table, path), setup::SetupLoad::Loaded);
    if (c.wineReadsAsWindows) {
        std::vector<std::string> loaded;
        for (int line = 1; line <= 3; ++line) {
            for (const setup::Column column : kReadColumns)
                loaded.push_back(table.Cell(column, line));
        }
        EXPECT_EQ(PrintableAll(loaded), PrintableAll(before)) << "what the program loaded";
        setup::SaveSetupFile(table, path);
    } else {
        // A mark that Windows does not understand: the file is not saved over.
        EXPECT_THROW(setup::SaveSetupFile(table, path), messages::KevoError);
    }

    EXPECT_EQ(PrintableAll(HostValues(path)), PrintableAll(before)) << "what the host reads";
    EXPECT_EQ(Printable(ReadBytes(path)), Printable(c.bytes)) << "the file";
}

INSTANTIATE_TEST_SUITE_P(Table, SetupFileEncodings, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<EncodingCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace kevo::testing
