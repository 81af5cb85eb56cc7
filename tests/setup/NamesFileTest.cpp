// SPDX-License-Identifier: Apache-2.0
#include "setup/NamesFile.h"
#include "setup/ConfigTable.h"

#include "ScopedEnv.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace kevo::setup {
namespace {

namespace fs = std::filesystem;
using Outcome = NamesFileResult::Outcome;
using Names = std::vector<std::string>;

std::string NumberedLines(int count, const char* lineEnd) {
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += "Name" + std::to_string(i) + (i < count ? lineEnd : "");
    return text;
}

Names NumberedNames(int count) {
    Names names;
    for (int i = 1; i <= count; ++i)
        names.push_back("Name" + std::to_string(i));
    return names;
}

struct LinesCase {
    const char* what;
    std::string bytes;
    Outcome outcome;
    Names names;
    const char* codePage = "1252"; // the host's
};

class NamesFileLinesTest : public ::testing::TestWithParam<LinesCase> {};

TEST_P(NamesFileLinesTest, ReadsLinesByteForByte) {
    test::ScratchFolder dir;
    const test::ScopedEnv codePage("KEVOCONF_CODEPAGE", GetParam().codePage);
    const auto result = ReadNamesFile(dir.Write("KevoName.txt", GetParam().bytes));
    EXPECT_EQ(result.outcome, GetParam().outcome);
    EXPECT_EQ(result.names, GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NamesFileLinesTest,
    ::testing::Values(
        LinesCase{"crlf", "Invoices\r\nOrders\r\n", Outcome::Loaded, {"Invoices", "Orders"}},
        LinesCase{"lf only", "Invoices\nOrders\n", Outcome::Loaded, {"Invoices", "Orders"}},
        LinesCase{
            "no final line end", "Invoices\r\nOrders", Outcome::Loaded, {"Invoices", "Orders"}},
        LinesCase{"blank line keeps positions", "A\r\n\r\nC\r\n", Outcome::Loaded, {"A", "", "C"}},
        LinesCase{"lone cr dropped",
                  "In\rvoices\r\nOr\r\r\nders\r",
                  Outcome::Loaded,
                  {"Invoices", "Or", "ders"}},
        LinesCase{"only a line end", "\r\n", Outcome::Loaded, {""}},
        LinesCase{"blanks kept", " Invoices\t \r\n", Outcome::Loaded, {" Invoices\t "}},
        LinesCase{"ctrl-z at line 5",
                  "1\n2\n3\n4\n\x1a"
                  "5\n6\n",
                  Outcome::Loaded,
                  {"1", "2", "3", "4"}},
        LinesCase{"ctrl-z inside a line",
                  "A\x1a"
                  "B\n",
                  Outcome::Loaded,
                  {"A\x1a"
                   "B"}},
        LinesCase{"ctrl-z after a dropped cr", "A\n\r\x1a\n", Outcome::Loaded, {"A", "\x1a"}},
        LinesCase{"utf-8 mark skipped", "\xef\xbb\xbfInvoices\n", Outcome::Loaded, {"Invoices"}},
        LinesCase{"code page 1250",
                  "Sz\xe1mla\r\n\xd5rz\xf6tt\r\n",
                  Outcome::Loaded,
                  {"Sz\u00e1mla", "\u0150rz\u00f6tt"},
                  "1250"},
        // UTF-16 without its mark: NUL bytes, which no code page reads.
        LinesCase{"nul without a mark", std::string("A\nB\0\n", 5), Outcome::ReadError, {"A"}},
        LinesCase{"utf-16 le",
                  std::string("\xff\xfeS\0\x50\x01\r\0\n\0\x1a\0x\0", 14),
                  Outcome::Loaded,
                  {"S\u0150"}},
        LinesCase{"utf-16 be",
                  std::string("\xfe\xff\0A\0\n\xd8\x3d\xde\x00", 10),
                  Outcome::Loaded,
                  {"A", "\U0001F600"}},
        LinesCase{"broken utf-16",
                  std::string("\xff\xfe"
                              "A\0\0\xdc",
                              6),
                  Outcome::ReadError,
                  {}},
        LinesCase{"zero bytes", "", Outcome::Empty, {}},
        LinesCase{"ctrl-z first",
                  "\x1a"
                  "Invoices\n",
                  Outcome::Empty,
                  {}},
        LinesCase{"99 with final line end", NumberedLines(99, "\r\n") + "\r\n", Outcome::Loaded,
                  NumberedNames(99)},
        LinesCase{"99 without final line end", NumberedLines(99, "\n"), Outcome::Loaded,
                  NumberedNames(99)},
        LinesCase{"99 then an empty 100th line", NumberedLines(99, "\r\n") + "\r\n\r\n",
                  Outcome::TooMany, NumberedNames(99)},
        LinesCase{"100 names", NumberedLines(100, "\n"), Outcome::TooMany, NumberedNames(99)},
        LinesCase{"99 then ctrl-z",
                  NumberedLines(99, "\n") + "\n\x1a"
                                            "more\n",
                  Outcome::Loaded, NumberedNames(99)}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

TEST(NamesFile, MissingFileAndDirectoryAreMissing) {
    test::ScratchFolder dir;
    EXPECT_EQ(ReadNamesFile((dir.Path() / "nothing.txt").string()).outcome, Outcome::Missing);
    EXPECT_EQ(ReadNamesFile(dir.Path().string()).outcome, Outcome::Missing);
}

TEST(NamesFile, ReadErrorCarriesTheSystemsText) {
    // Reading this process's memory file at offset 0 fails with an I/O error.
    const auto result = ReadNamesFile("/proc/self/mem");
    EXPECT_EQ(result.outcome, Outcome::ReadError);
    EXPECT_FALSE(result.errorText.empty());
    EXPECT_TRUE(result.names.empty());
}

TEST(NamesFile, NamedPipeAndDevicesAreRefusedWithoutHanging) {
    test::ScratchFolder dir;
    const std::string fifo = (dir.Path() / "names.fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Nobody writes to the pipe: a blocking open would never return.
    EXPECT_EQ(ReadNamesFile(fifo).outcome, Outcome::ReadError);
    // A device that never ends.
    EXPECT_EQ(ReadNamesFile("/dev/zero").outcome, Outcome::ReadError);
}

TEST(NamesFile, HugeSingleLineAndHugeFileStopAtTheHundredthLine) {
    test::ScratchFolder dir;
    std::string huge(50 * 1024 * 1024, 'x');
    const auto single = ReadNamesFile(dir.Write("single.txt", huge));
    EXPECT_EQ(single.outcome, Outcome::Loaded);
    ASSERT_EQ(single.names.size(), 1u);
    EXPECT_EQ(single.names[0].size(), huge.size());

    // 100 short lines followed by 50 MB: only what precedes line 100 is read.
    const auto many = ReadNamesFile(dir.Write("many.txt", NumberedLines(100, "\n") + huge));
    EXPECT_EQ(many.outcome, Outcome::TooMany);
    EXPECT_EQ(many.names, NumberedNames(99));
}

TEST(NamesFile, RandomBinaryNeverHasMoreThan99LinesOrCarriageReturns) {
    test::ScratchFolder dir;
    std::mt19937 random(12345);
    for (int trial = 0; trial < 50; ++trial) {
        std::string bytes(static_cast<std::size_t>(random() % 4096), '\0');
        for (char& c : bytes)
            c = static_cast<char>(random() % 256);
        const auto result = ReadNamesFile(dir.Write("random.txt", bytes));
        ASSERT_LE(result.names.size(), 99u);
        for (const auto& name : result.names) {
            EXPECT_EQ(name.find('\r'), std::string::npos);
            EXPECT_EQ(name.find('\n'), std::string::npos);
        }
        const bool empty = bytes.empty() || bytes[0] == '\x1a';
        EXPECT_EQ(result.outcome == Outcome::Empty, empty);
    }
}

TEST(NamesFile, MessagesNameTheResolvedPath) {
    const std::string path = "/home/alice/.config/kevoconf/KevoName.txt";
    EXPECT_EQ(NamesFileMessage(Outcome::Missing, path),
              "Printer names file does not exist.\r\n" + path +
                  "\r\nYou can not configure printers without this file!");
    EXPECT_EQ(NamesFileMessage(Outcome::Empty, path),
              "Printer names file is empty.\r\n" + path +
                  "\r\nThis file must contain the printer names to configure.");
    EXPECT_EQ(NamesFileMessage(Outcome::TooMany, path),
              "Printer names file has too many lines.\r\n" + path +
                  "\r\nOnly the first 99 will be used.");
    EXPECT_EQ(NamesFileMessage(Outcome::Loaded, path), "");
}

TEST(NamesFile, FillsNameAndNumberColumnsOfTheLinesRead) {
    ConfigTable table;
    FillNameColumns(table, {"Invoices", "", "Orders"});
    EXPECT_EQ(table.Cell(ColLineNumber, 1), "1");
    EXPECT_EQ(table.Cell(ColName, 1), "Invoices");
    EXPECT_EQ(table.Cell(ColLineNumber, 2), "2"); // unnamed but numbered
    EXPECT_FALSE(table.IsNamedLine(2));
    EXPECT_EQ(table.Cell(ColLineNumber, 3), "3");
    EXPECT_EQ(table.Cell(ColLineNumber, 4), "");
    EXPECT_EQ(table.Cell(ColName, 4), "");
}

} // namespace
} // namespace kevo::setup
