// SPDX-License-Identifier: Apache-2.0
#include "platform/printing/SimulatedPrinters.h"
#include "platform/printing/SimulatedPrintingService.h"

#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace kevo::platform {
namespace {

using Status = DefaultPrinterAnswer::Status;

// A field's text up to its first NUL; the rest of the field must be NULs.
std::string FieldText(const BinNameField& field) {
    const auto end = std::find(field.begin(), field.end(), '\0');
    EXPECT_TRUE(std::all_of(end, field.end(), [](char c) { return c == '\0'; }));
    return std::string(field.begin(), end);
}

// The example block of SIMULATED.md must stay a valid description that shows
// what it says it shows.
TEST(SimulatedPrintersFormat, DocumentedExampleParsesAsDescribed) {
    const std::string doc = test::ReadBytes(KEVO_PRINTING_DOC);
    const std::size_t examples = doc.find("## Examples");
    ASSERT_NE(examples, std::string::npos);
    const std::size_t begin = doc.find("```\n", examples) + 4;
    const std::size_t end = doc.find("```", begin);
    ASSERT_NE(end, std::string::npos);

    SimulatedPrintingService service =
        SimulatedPrintingService::FromText(doc.substr(begin, end - begin), "SIMULATED.md");

    const std::vector<PrinterEntry> entries = service.EnumPrinters();
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Office Laser", ""}, {"Plotter", "LPT2:"}, {"Plotter", "COM1:"},
        {"Labels", ""},       {"Copier", ""},       {"Broken", ""}};
    ASSERT_EQ(entries.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(entries[i].name, expected[i].first) << i;
        EXPECT_EQ(entries[i].port, expected[i].second) << i;
    }
    EXPECT_EQ(service.DefaultPrinter().names, std::vector<std::string>{"Office Laser"});
    EXPECT_EQ(service.ProfileWindowsDevice(), (WindowsDevice{"Office Laser", "winspool", "LPT1:"}));
    EXPECT_EQ(service.ProfileDevicesValue("Labels"), (DevicesValue{"", "USB001"}));
    EXPECT_EQ(service.ProfileDevicesValue("Plotter"), DevicesValue{});

    std::vector<BinNameField> names;
    ASSERT_EQ(service.BinNames("Office Laser", "LPT1:", names), 3);
    EXPECT_EQ(FieldText(names[1]), "Tray 1  \t");
    EXPECT_EQ(FieldText(names[2]), "ABCDEFGHIJKLMNOPQRSTUVWX");
    EXPECT_EQ(service.BinNameCount("Plotter", "LPT2:"), 2);
    EXPECT_EQ(service.BinNumberCount("Plotter", "LPT2:"), 1);
    EXPECT_EQ(service.BinNameCount("Labels", "USB001"), 0);
    EXPECT_EQ(service.BinNumberCount("Copier", "x"), -1);
    EXPECT_EQ(service.BinNameCount("Broken", ""), 1);
    EXPECT_EQ(service.BinNames("Broken", "", names), -1);
}

// The sample file of the demo: a handful of plausible printers, one of them
// the default, each with a driver and a port.
TEST(SimulatedPrintersFormat, DemoSampleIsUsable) {
    const SimulatedPrinters printers = LoadSimulatedPrinters(KEVO_SAMPLE_PRINTERS);
    SimulatedPrintingService service(printers);
    const std::vector<PrinterEntry> entries = service.EnumPrinters();
    EXPECT_GE(entries.size(), 4u);
    EXPECT_LE(entries.size(), 6u);
    const DefaultPrinterAnswer answer = service.DefaultPrinter();
    ASSERT_EQ(answer.status, Status::Ok);
    ASSERT_EQ(answer.names.size(), 1u);
    bool defaultListed = false;
    for (const PrinterEntry& entry : entries)
        defaultListed = defaultListed || entry.name == answer.names.front();
    for (const SimulatedPrinter& printer : printers.printers)
        EXPECT_NE(printer.devicesValue.value_or("").find(','), std::string::npos) << printer.name;
    EXPECT_TRUE(defaultListed);
}

struct ValueCase {
    const char* line; // the value as written after "devices "
    std::string expected;
};

class SimulatedValueTest : public testing::TestWithParam<ValueCase> {};

TEST_P(SimulatedValueTest, ValueIsReadAsWritten) {
    const ValueCase& c = GetParam();
    const SimulatedPrinters printers =
        ParseSimulatedPrinters(std::string("printer P\ndevices ") + c.line + "\n", "test");
    EXPECT_EQ(printers.printers.at(0).devicesValue, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Values, SimulatedValueTest,
                         testing::Values(ValueCase{"D,P", "D,P"}, ValueCase{"D,P  \t ", "D,P"},
                                         ValueCase{"  \"  D, P  \"  ", "  D, P  "},
                                         ValueCase{"a\\tb #x", "a\\tb #x"}, ValueCase{"\"\"", ""},
                                         ValueCase{"\"a\\\"b\\\\c\"", "a\"b\\c"},
                                         ValueCase{"\"\\t\\r\\n\"", "\t\r\n"},
                                         ValueCase{"\"x\\0y\"", std::string("x\0y", 3)},
                                         ValueCase{"\"\\x41\\x7f\\xFF\"", "A\x7f\xff"},
                                         ValueCase{"mid\"quote", "mid\"quote"},
                                         ValueCase{"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"}));

TEST(SimulatedPrintersFormat, LineEndsCommentsAndByteOrderMark) {
    const std::string text = "\xEF\xBB\xBF# comment\r\n"
                             "\r\n"
                             "   # indented comment\r\n"
                             "printer A\r\n"
                             "\tport LPT1:\r\n"
                             "printer B";
    SimulatedPrintingService service = SimulatedPrintingService::FromText(text);
    const std::vector<PrinterEntry> entries = service.EnumPrinters();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "A");
    EXPECT_EQ(entries[0].port, "LPT1:");
    EXPECT_EQ(entries[1].name, "B");
    EXPECT_EQ(entries[1].port, "");
}

TEST(SimulatedPrintersFormat, DefaultPrinterAnswers) {
    struct Case {
        const char* text;
        Status status;
        std::vector<std::string> names;
        int code;
        std::string errorText;
    };
    const std::vector<Case> cases = {
        {"", Status::Ok, {}, 0, ""},
        {"default A\ndefault B\n", Status::Ok, {"A", "B"}, 0, ""},
        {"default-fails invalid-name\n", Status::InvalidName, {}, 0, ""},
        {"default-fails 5 Access is denied.\n", Status::SystemError, {}, 5, "Access is denied."},
        {"default-fails -7\n", Status::SystemError, {}, -7, ""},
        {"default-fails 1722 \"The RPC server is unavailable.\\r\\n\"\n",
         Status::SystemError,
         {},
         1722,
         "The RPC server is unavailable.\r\n"},
    };
    for (const Case& c : cases) {
        SimulatedPrintingService service = SimulatedPrintingService::FromText(c.text);
        const DefaultPrinterAnswer answer = service.DefaultPrinter();
        EXPECT_EQ(answer.status, c.status) << c.text;
        EXPECT_EQ(answer.names, c.names) << c.text;
        EXPECT_EQ(answer.errorCode, c.code) << c.text;
        EXPECT_EQ(answer.errorText, c.errorText) << c.text;
    }
}

struct BadCase {
    std::string text;
    int line;
    const char* message; // expected part of the error text
};

class SimulatedBadInputTest : public testing::TestWithParam<BadCase> {};

TEST_P(SimulatedBadInputTest, GivesLineAndReason) {
    const BadCase& c = GetParam();
    try {
        ParseSimulatedPrinters(c.text, "test.txt");
        FAIL() << "accepted: " << c.text;
    } catch (const SimulatedFileError& error) {
        const std::string what = error.what();
        EXPECT_EQ(error.kind(), SimulatedFileError::Kind::Invalid);
        EXPECT_EQ(what.rfind("test.txt, line " + std::to_string(c.line) + ": ", 0), 0u) << what;
        EXPECT_NE(what.find(c.message), std::string::npos) << what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, SimulatedBadInputTest,
    testing::Values(
        BadCase{"printer A\nbins 1 X\n", 2, "unknown keyword \"bins\""},
        BadCase{"Printer A\n", 1, "unknown keyword \"Printer\""},
        BadCase{"# c\n\nbin 1 Upper\n", 3, "bin must follow a printer line"},
        BadCase{"port LPT1:\n", 1, "port must follow a printer line"},
        BadCase{"names-count 0\n", 1, "names-count must follow a printer line"},
        BadCase{"printer\n", 1, "printer needs a value"},
        BadCase{"printer \"\"\n", 1, "printer name is empty"},
        BadCase{"printer A\nport \"\"\n", 2, "port is empty"},
        BadCase{"printer A\nbin 1 ABCDEFGHIJKLMNOPQRSTUVWXY\n", 2, "longer than 24 characters"},
        BadCase{"printer A\nbin-name \"ABCDEFGHIJKLMNOPQRSTUVW\\0\\0\"\n", 2,
                "longer than 24 characters"},
        BadCase{"printer A\nbin 65536 X\n", 2, "bin number \"65536\" must be 0 to 65535"},
        BadCase{"printer A\nbin -1 X\n", 2, "must be 0 to 65535"},
        BadCase{"printer A\nbin 99999999999 X\n", 2, "must be 0 to 65535"},
        BadCase{"printer A\nbin x1 X\n", 2, "bin number \"x1\" is not a whole number"},
        BadCase{"printer A\nbin 1.5 X\n", 2, "is not a whole number"},
        BadCase{"printer A\nbin 7\n", 2, "bin needs a number and a name"},
        BadCase{"printer A\nbin-number 1 2\n", 2, "unexpected text after \"1\""},
        BadCase{"printer A\nbin-number\n", 2, "bin-number needs a value"},
        BadCase{"printer \"A\n", 1, "missing closing quote"},
        BadCase{"printer \"A\\\n", 1, "missing closing quote"},
        BadCase{"printer \"A\\q\"\n", 1, "unknown escape \\q"},
        BadCase{"printer \"A\\x4\"\n", 1, "two hexadecimal digits"},
        BadCase{"printer \"A\\x\"\n", 1, "two hexadecimal digits"},
        BadCase{"printer \"A\" B\n", 1, "unexpected text after the closing quote"},
        BadCase{"printer A\nnames-count 1\nnames-count 2\n", 3, "names-count is given twice"},
        BadCase{"printer A\nnumbers-data failed\n", 2, "\"failed\" is not a whole number"},
        BadCase{"printer A\nnumbers-count 3000000000\n", 2, "\"3000000000\" is out of range"},
        BadCase{"printer A\nnames-data fail 2\n", 2, "unexpected text after \"fail\""},
        BadCase{"default A\ndefault-fails invalid-name\n", 2, "cannot both be given"},
        BadCase{"default-fails invalid-name\ndefault A\n", 2, "cannot both be given"},
        BadCase{"default-fails 5 x\ndefault-fails 6 y\n", 2, "default-fails is given twice"},
        BadCase{"default-fails\n", 1, "default-fails needs invalid-name, or an error code"},
        BadCase{"default-fails invalid-name now\n", 1, "unexpected text after invalid-name"},
        BadCase{"default-fails five Access\n", 1, "\"five\" is not a whole number"},
        BadCase{"windows-device A,B,C\nwindows-device D,E,F\n", 2, "windows-device is given twice"},
        BadCase{"printer A\ndevices D,P\ndevices D,Q\n", 3, "already has a devices value"},
        BadCase{"printer A\ndevices D,P\nprinter B\nprinter A\ndevices D,Q\n", 5,
                "(in the printer on line 1)"},
        BadCase{"printer A\r\n\r\nbin 1\r\n", 3, "bin needs a number and a name"}));

// Whatever bytes the file holds, the loader either gives a description or
// reports a fault: it never crashes, hangs or throws anything else.
TEST(SimulatedPrintersFormat, ArbitraryBytesNeverCrash) {
    const std::vector<std::string> pieces = {"printer ",
                                             "bin ",
                                             "bin-name ",
                                             "bin-number ",
                                             "port ",
                                             "devices ",
                                             "default ",
                                             "default-fails ",
                                             "names-count ",
                                             "numbers-data ",
                                             "windows-device ",
                                             "\"",
                                             "\\",
                                             "\\x",
                                             "\\0",
                                             "fail",
                                             "-1",
                                             "65535",
                                             "65536",
                                             " ",
                                             "\t",
                                             "\n",
                                             "\r\n",
                                             "#",
                                             "A",
                                             std::string(1, '\0'),
                                             "\xFF",
                                             "2147483648",
                                             "invalid-name"};
    std::mt19937 random(20240611);
    int accepted = 0;
    int rejected = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 40);
        for (int i = 0; i < length; ++i) {
            if (random() % 4 == 0)
                text += static_cast<char>(random() % 256);
            else
                text += pieces[random() % pieces.size()];
        }
        try {
            SimulatedPrintingService service = SimulatedPrintingService::FromText(text);
            for (const PrinterEntry& entry : service.EnumPrinters()) {
                std::vector<BinNameField> names;
                std::vector<std::uint16_t> numbers;
                service.BinNames(entry.name, entry.port, names);
                service.BinNumbers(entry.name, entry.port, numbers);
            }
            ++accepted;
        } catch (const SimulatedFileError&) {
            ++rejected;
        }
    }
    // Both outcomes occur, so the generated texts exercise the parser.
    EXPECT_GT(accepted, 0);
    EXPECT_GT(rejected, 0);
}

class SimulatedFileTest : public testing::Test {
protected:
    test::ScratchFolder folder_{"kevo-simulated-"};
};

TEST_F(SimulatedFileTest, UnreadableFilesAreReportedAsSuch) {
    for (const std::filesystem::path path : {folder_ / "missing.txt", folder_.Path().string()}) {
        try {
            LoadSimulatedPrinters(path.string());
            FAIL() << path;
        } catch (const SimulatedFileError& error) {
            EXPECT_EQ(error.kind(), SimulatedFileError::Kind::Unreadable);
            EXPECT_NE(std::string(error.what()).find("cannot read \"" + path.string() + "\""),
                      std::string::npos)
                << error.what();
        }
    }
}

TEST_F(SimulatedFileTest, OversizedFileIsRefusedWithoutReadingItAll) {
    const std::filesystem::path path = folder_ / "huge.txt";
    test::WriteBytes(path, "#");
    // A sparse file: no disk space, but as long as it claims to be.
    std::filesystem::resize_file(path, kMaxSimulatedFileSize + 1);
    try {
        LoadSimulatedPrinters(path.string());
        FAIL();
    } catch (const SimulatedFileError& error) {
        EXPECT_EQ(error.kind(), SimulatedFileError::Kind::Invalid);
        EXPECT_NE(std::string(error.what()).find("is larger than"), std::string::npos);
    }
}

TEST_F(SimulatedFileTest, ErrorsNameTheFile) {
    const std::filesystem::path path = folder_ / "printers.txt";
    test::WriteBytes(path, "printer A\nprinter B\n  bins 3\n");
    try {
        LoadSimulatedPrinters(path.string());
        FAIL();
    } catch (const SimulatedFileError& error) {
        EXPECT_EQ(std::string(error.what()), path.string() + ", line 3: unknown keyword \"bins\"");
    }
}

// The service's answers to the bin queries, per device and port.
TEST(SimulatedPrintingService, BinQueriesAnswerAsDescribed) {
    SimulatedPrintingService service = SimulatedPrintingService::FromText(R"(
printer Twin
    port LPT1:
    bin 1 First
printer Twin
    port LPT2:
    bin 2 Second
    bin 3 Third
printer Odd
    bin-name Only
    bin-number 7
    bin-number 8
    names-count 4
    numbers-data 0
printer Failing
    bin 1 Upper
    names-count -5
    numbers-count fail
    names-data fail
    numbers-data fail
)");
    struct Case {
        std::string device, port;
        int nameCount, nameData, numberCount, numberData;
        std::size_t names, numbers; // fields handed back
    };
    const std::vector<Case> cases = {
        {"Twin", "LPT1:", 1, 1, 1, 1, 1, 1},
        {"Twin", "LPT2:", 2, 2, 2, 2, 2, 2},
        // A port no printer of that name is listed under: the first one.
        {"Twin", "COM1:", 1, 1, 1, 1, 1, 1},
        {"Odd", "", 4, 1, 2, 0, 1, 2},
        {"Failing", "", -5, -1, -1, -1, 9, 9},
        {"Unknown", "", -1, -1, -1, -1, 9, 9},
        // Device names are compared exactly.
        {"twin", "LPT1:", -1, -1, -1, -1, 9, 9},
    };
    for (const Case& c : cases) {
        std::vector<BinNameField> names(9);
        std::vector<std::uint16_t> numbers(9);
        EXPECT_EQ(service.BinNameCount(c.device, c.port), c.nameCount) << c.device << c.port;
        EXPECT_EQ(service.BinNames(c.device, c.port, names), c.nameData) << c.device << c.port;
        EXPECT_EQ(service.BinNumberCount(c.device, c.port), c.numberCount) << c.device << c.port;
        EXPECT_EQ(service.BinNumbers(c.device, c.port, numbers), c.numberData)
            << c.device << c.port;
        EXPECT_EQ(names.size(), c.names) << c.device << c.port;
        EXPECT_EQ(numbers.size(), c.numbers) << c.device << c.port;
    }
    std::vector<BinNameField> names;
    service.BinNames("Twin", "LPT2:", names);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(FieldText(names[1]), "Third");
}

TEST(SimulatedPrintingService, DevicesValueBelongsToTheNameNotTheBlock) {
    SimulatedPrintingService service = SimulatedPrintingService::FromText(
        "printer A\nport P1\nprinter A\nport P2\ndevices D,P2\nprinter B\n");
    EXPECT_EQ(service.ProfileDevicesValue("A"), (DevicesValue{"D", "P2"}));
    EXPECT_EQ(service.ProfileDevicesValue("B"), DevicesValue{});
    EXPECT_EQ(service.ProfileDevicesValue("a"), DevicesValue{});
    EXPECT_EQ(service.EnumPrinters().size(), 3u);
}

} // namespace
} // namespace kevo::platform
