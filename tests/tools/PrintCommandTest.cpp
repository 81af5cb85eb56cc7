// SPDX-License-Identifier: Apache-2.0
// kevoconf-print without a scheduler: its command line, how a line becomes
// a plan, and the command on the sample data with the sample printers.

#include "ChildProcess.h"
#include "MiniJson.h"
#include "ScratchFolder.h"
#include "SetupSection.h"
#include "print/DocumentFormat.h"
#include "print/PrintCommandLine.h"
#include "print/PrintPlan.h"

#include <gtest/gtest.h>

namespace kevo::tools {
namespace {

using Strings = std::vector<std::string>;

TEST(PrintCommandLine, ParsesOptionsNameAndFiles) {
    struct Case {
        Strings arguments;
        std::string error; // a part of the error, "" when there is none
        std::string name;
        Strings files;
        Strings checkFiles;
    };
    const Case cases[] = {
        {{"Invoices"}, "", "Invoices", {}, {}},
        {{"--setup-file=s.ini", "--dry-run", "Invoices", "a.ps", "-"},
         "",
         "Invoices",
         {"a.ps", "-"},
         {"KevoName.txt", "s.ini"}},
        {{"--names-file", "n.txt", "--", "--force", "-x"}, "", "--force", {"-x"}, {"n.txt"}},
        {{"--list"}, "", "", {}, {}},
        {{"--list", "Invoices"}, "--list takes no name", "", {}, {}},
        {{}, "no name given", "", {}, {}},
        {{"Invoices", "-", "-"}, "standard input", "Invoices", {"-", "-"}, {}},
        {{"Invoices", "--names-file"}, "--names-file needs a file name", "Invoices", {}, {}},
        {{"--bogus", "Invoices"}, "unknown option \"--bogus\"", "Invoices", {}, {}},
    };
    for (const Case& c : cases) {
        const PrintCommandLine line = ParsePrintCommandLine(c.arguments);
        const std::string label = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(line.error.empty(), c.error.empty()) << label << ": " << line.error;
        EXPECT_NE(line.error.find(c.error), std::string::npos) << label << ": " << line.error;
        EXPECT_EQ(line.name, c.name) << label;
        EXPECT_EQ(line.files, c.files) << label;
        EXPECT_EQ(CheckFileArguments(line), c.checkFiles) << label;
    }
}

SetupLine TraysLine(int number, const std::string& name, const std::string& source1,
                    const std::string& tray1, const std::string& source2,
                    const std::string& tray2) {
    return {number, name, "Trays", "", "", {source1, tray1}, {source2, tray2}, ""};
}

TEST(PrintPlan, LinesBecomePageRangesAndOptions) {
    const platform::QueueSources trays{true, {"Tray1", "Tray2"}, false, "Tray1", true};
    const std::vector<SetupLine> lines = {
        TraysLine(2, "Invoices", "Tray 1", "256", "Tray 2", "257"),
        TraysLine(5, "INVOICES", "Tray 2", "257", "Tray 2", "257"),
        TraysLine(7, "Letters", "Tray 1", "256", "tray 1", "256"),
        TraysLine(9, "Notes", "Gone", "300", "Tray 1", "256"),
    };
    EXPECT_EQ(FindNamedLine(lines, "iNVOICES"), &lines[0]);
    EXPECT_EQ(FindNamedLine(lines, "Invoice"), nullptr);

    const PrintPlan two = MakePrintPlan(lines[0], trays, false);
    ASSERT_EQ(two.pages.size(), 2u);
    EXPECT_EQ(two.pages[1].pages, "2-");
    EXPECT_EQ(two.pages[1].options->front().value, "Tray2");
    EXPECT_EQ(two.jobOptions->back().name, "AP_FIRSTPAGE_InputSlot");

    EXPECT_EQ(MakePrintPlan(lines[1], trays, false).pages.size(), 1u);
    // Names that differ in letter case only use a second tray, as in the
    // print setup dialog.
    EXPECT_EQ(MakePrintPlan(lines[2], trays, false).pages.size(), 2u);

    const PrintPlan refused = MakePrintPlan(lines[3], trays, false);
    EXPECT_NE(refused.problem.find("Source 1 (bin \"300\" \"Gone\")"), std::string::npos);
    const PrintPlan forced = MakePrintPlan(lines[3], trays, true);
    EXPECT_EQ(forced.problem, "");
    ASSERT_EQ(forced.warnings.size(), 1u);
    // The printer's choice for the first page is the default tray.
    const std::vector<platform::JobOption> expected = {{"InputSlot", "Tray1"},
                                                       {"AP_FIRSTPAGE_InputSlot", "Tray1"}};
    EXPECT_EQ(forced.jobOptions, expected);

    const PrintPlan simulated = MakePrintPlan(lines[0], std::nullopt, false);
    EXPECT_FALSE(simulated.jobOptions.has_value());
    EXPECT_EQ(simulated.pages[0].binName, "Tray 1");
}

TEST(DocumentFormat, TypeFromTheFirstBytesSentWhereThePrinterTakesIt) {
    using namespace std::string_literals;
    const Strings common = CommonDocumentFormats();
    const Strings images = {"image/png", "text/plain"};
    const struct {
        std::string bytes;
        const Strings& printer;
        std::string format;  // "" when refused
        std::string problem; // a part of the refusal
    } cases[] = {
        {"%PDF-1.7\n%\xE2\xE3\n1 0 obj", common, "application/pdf", ""},
        {"\x04%!PS-Adobe-3.0\n", common, "application/postscript", ""},
        {"Dear Sir,\r\n\tSz\xE1mla \xC5\x90\f\x1a", common, "text/plain", ""},
        {"\x89PNG\r\n\x1a\n\0\0\0\rIHDR"s, images, "image/png", ""},
        {"\x89PNG\r\n\x1a\n\0\0\0\rIHDR"s, common, "",
         "is a PNG image (image/png), which \"Q\" does not take"},
        {"RaS2PwgRaster\0"s, common, "", "is PWG raster (image/pwg-raster)"},
        {"Total\0\x01\x02"s, images, "", "begins with the bytes 54 6F 74 61 6C 00 01 02, and"},
        {"\x8f\x1b\x7f"s, common, "", "the bytes 8F 1B 7F, and is no PDF, PostScript"},
    };
    for (const auto& c : cases) {
        const FormatChoice choice = ChooseFormat("\"d\"", c.bytes, c.printer, "Q");
        EXPECT_EQ(choice.format.value_or(""), c.format) << c.bytes;
        EXPECT_NE(choice.problem.find(c.problem), std::string::npos) << choice.problem;
        EXPECT_EQ(choice.problem.empty(), c.problem.empty()) << c.bytes;
    }
}

TEST(PrintCommand, DryRunAndListOnTheSamplePrinters) {
    test::ScratchFolder folder;
    const std::string samples = KEVO_SAMPLES_DIR;
    const auto print = [&](Strings arguments) {
        arguments.insert(arguments.begin(), {"--names-file", samples + "/KevoName.txt",
                                             "--setup-file", samples + "/Vezerava.ini"});
        return test::RunTool(KEVO_PRINT_PROGRAM, arguments,
                             {{"KEVOCONF_SIMULATED_PRINTERS", samples + "/printers.txt"},
                              {"XDG_CONFIG_HOME", folder / "config"}});
    };
    const std::string document = folder.Write("letter.ps", "%!PS\nshowpage\n");

    const test::ToolRun dry = print({"--dry-run", "--json", "invoices", document});
    ASSERT_EQ(dry.exitCode, 0) << dry.err;
    const test::JsonValue plan = test::ParseJson(dry.out);
    EXPECT_EQ(plan["result"].String(), "dry-run");
    EXPECT_EQ(plan["line"]["printer"].String(), "Accounts Laser");
    EXPECT_EQ(plan["pages"][0]["bin"].Integer(), 258);
    EXPECT_EQ(plan["pages"][1]["binName"].String(), "Tray 1");
    EXPECT_TRUE(plan["jobOptions"].IsNull());

    const test::ToolRun list = print({"--list"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("3 \"Statements\" on \"Accounts Laser\": page 1 bin 259 \"Tray 3\", "
                            "pages 2- bin 256 \"Tray 1\"; in error: Tray1Name, Tray1Num\n"),
              std::string::npos)
        << list.out;

    // The files in code page 1250, the C locale: the name, typed in UTF-8 as
    // terminals do, finds its line ignoring case beyond A-Z, and the output
    // has "?" for what ASCII cannot hold.
    const std::string names = folder.Write("names.txt", "Sz\xE1mla\r\n");
    const std::string setup = folder.Write(
        "setup.ini",
        test::SetupSection(1, "Sz\xE1mla", "Accounts Laser", "socket://10.20.0.21:9100",
                           "Generic PostScript Printer", "Tray 1", "256", "Tray 1", "256"));
    for (const Strings& arguments :
         {Strings{"--list"}, Strings{"--dry-run", "SZ\xC3\x81MLA", document}}) {
        Strings all = {"--names-file", names, "--setup-file", setup};
        all.insert(all.end(), arguments.begin(), arguments.end());
        const test::ToolRun run =
            test::RunTool(KEVO_PRINT_PROGRAM, all,
                          {{"KEVOCONF_SIMULATED_PRINTERS", samples + "/printers.txt"},
                           {"KEVOCONF_CODEPAGE", "1250"},
                           {"LC_ALL", "C"}});
        EXPECT_EQ(run.exitCode, 0) << arguments[0] << "\n" << run.err;
        EXPECT_NE(run.out.find("\"Sz?mla\""), std::string::npos) << run.out;
    }

    // The sample printers know bins, not the queues' choices: nothing prints.
    const test::ToolRun run = print({"Invoices", document});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("simulated printers (KEVOCONF_SIMULATED_PRINTERS) cannot print"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.out, "");
}

} // namespace
} // namespace kevo::tools
