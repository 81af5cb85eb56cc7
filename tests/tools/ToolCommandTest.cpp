// SPDX-License-Identifier: Apache-2.0
// The two companion commands as programs: command line, version, and their
// output on the sample data with the sample printers.

#include "ChildProcess.h"
#include "MiniJson.h"
#include "ScratchFolder.h"
#include "SetupSection.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kevo::test {
namespace {

const std::string kCheck = KEVO_CHECK_PROGRAM;
const std::string kPrinters = KEVO_PRINTERS_PROGRAM;
const std::string kSamples = KEVO_SAMPLES_DIR;

// The sample printers, and a configuration folder of the test's own.
std::map<std::string, std::optional<std::string>> SampleEnvironment(const ScratchFolder& folder) {
    return {{"KEVOCONF_SIMULATED_PRINTERS", kSamples + "/printers.txt"},
            {"XDG_CONFIG_HOME", folder / "config"}};
}

TEST(ToolCommand, HelpVersionAndWrongCommandLines) {
    struct Case {
        std::string program;
        std::vector<std::string> arguments;
        int exitCode;
        std::string outStart; // the start of standard output
        std::string errPart;  // a part of standard error ("" when it must be empty)
    };
    const std::string version = KEVO_PROJECT_VERSION;
    const Case cases[] = {
        {kCheck, {"--help"}, 0, "Usage: kevoconf-check [--json | --format FORMAT] [NAMES-FILE", ""},
        {kCheck, {"-h", "--bogus"}, 0, "Usage: kevoconf-check", ""},
        {kCheck, {"--version"}, 0, "kevoconf-check (KevoConf) " + version + "\n", ""},
        {kCheck,
         {"--bogus"},
         2,
         "",
         "kevoconf-check: unknown option \"--bogus\"\nTry \"kevoconf-check --help\" for more.\n"},
        {kCheck, {"a", "b", "c"}, 2, "", "too many files"},
        {kCheck, {""}, 2, "", "empty file name"},
        {kPrinters, {"--help"}, 0, "Usage: kevoconf-printers [--json]\n", ""},
        {kPrinters, {"--version"}, 0, "kevoconf-printers (KevoConf) " + version + "\n", ""},
        {kPrinters,
         {"--bogus"},
         2,
         "",
         "kevoconf-printers: unknown option \"--bogus\"\nTry \"kevoconf-printers --help\" for "
         "more.\n"},
        {kPrinters, {"names.txt"}, 2, "", "unexpected argument \"names.txt\"\nTry "},
#ifdef KEVO_MAIN_PROGRAM
        // Asked from a shell without a display: no window is started.
        {KEVO_MAIN_PROGRAM, {"--help"}, 0, "Usage: kevoconf MODE [NAMES-FILE [SETUP-FILE]]\n", ""},
        {KEVO_MAIN_PROGRAM, {"--version"}, 0, "kevoconf (KevoConf) " + version + "\n", ""},
#endif
    };
    for (const Case& c : cases) {
        const std::string label = c.program + " " + ::testing::PrintToString(c.arguments);
        const ToolRun run = RunTool(c.program, c.arguments,
                                    {{"DISPLAY", std::nullopt},
                                     {"WAYLAND_DISPLAY", std::nullopt},
                                     {"QT_QPA_PLATFORM", "xcb"}});
        EXPECT_EQ(run.exitCode, c.exitCode) << label;
        EXPECT_EQ(run.out.rfind(c.outStart, 0), 0u) << label << "\n" << run.out;
        if (c.outStart.empty()) {
            EXPECT_EQ(run.out, "") << label;
        }
        if (c.errPart.empty()) {
            EXPECT_EQ(run.err, "") << label;
        } else {
            EXPECT_NE(run.err.find(c.errPart), std::string::npos) << label << "\n" << run.err;
        }
    }
    // The version is the one line of --version, and both commands agree.
    EXPECT_EQ(RunTool(kCheck, {"--version"}).out.substr(14),
              RunTool(kPrinters, {"--version"}).out.substr(17));
}

#ifdef KEVO_MAIN_PROGRAM
// Started where no window can be opened (a cron job, SSH without X
// forwarding), the program says so in one line that points to the check
// without a display, and ends with status 2.
TEST(ToolCommand, ProgramWithoutADisplaySaysSoAndEnds) {
    ScratchFolder folder;
    const std::string names = folder.Write("names.txt", "Invoices\r\n");
    for (const std::optional<std::string>& display : {std::optional<std::string>(), {":4711"}}) {
        auto environment = SampleEnvironment(folder);
        environment.insert({{"DISPLAY", display},
                            {"QT_QPA_PLATFORM", std::nullopt},
                            {"WAYLAND_DISPLAY", std::nullopt},
                            {"XDG_SESSION_TYPE", std::nullopt}});
        const ToolRun run = RunTool(KEVO_MAIN_PROGRAM, {"2", names, folder / "s.ini"}, environment);
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
        EXPECT_EQ(run.err.rfind("kevoconf: no window could be opened: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(display.value_or("DISPLAY")), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("kevoconf-check"), std::string::npos) << run.err;
    }
}
#endif

TEST(ToolCommand, PrintersJsonOnTheSamplePrinters) {
    ScratchFolder folder;
    const ToolRun run = RunTool(kPrinters, {"--json"}, SampleEnvironment(folder));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const JsonValue document = ParseJson(run.out);
    EXPECT_EQ(document["simulatedPrinters"].String(), kSamples + "/printers.txt");
    EXPECT_FALSE(document["failed"].Bool());
    const JsonValue& printers = document["printers"];
    ASSERT_EQ(printers.array.size(), 5u);
    EXPECT_EQ(document["defaultPrinter"].Integer(), 0);
    EXPECT_EQ(printers[0]["name"].String(), "Accounts Laser");
    EXPECT_EQ(printers[0]["driver"].String(), "Generic PostScript Printer");
    EXPECT_EQ(printers[0]["bins"].array.size(), 5u);
    EXPECT_EQ(printers[0]["bins"][3]["name"].String(), "Letterhead Tray");
    EXPECT_EQ(printers[0]["bins"][3]["number"].Integer(), 258);
    EXPECT_EQ(printers[3]["bins"][0]["number"].Integer(), 7); // no bins: "Default"

    // The text output names the same printers, in the same order.
    const ToolRun text = RunTool(kPrinters, {}, SampleEnvironment(folder));
    ASSERT_EQ(text.exitCode, 0);
    for (std::size_t i = 0; i < printers.array.size(); ++i)
        EXPECT_NE(
            text.out.find("\n" + std::to_string(i) + " \"" + printers[i]["name"].String() + "\""),
            std::string::npos)
            << i;
}

// The line of standard error that names the files checked, in text mode.
std::string Checked(const std::string& names, const std::string& setup) {
    return "kevoconf-check: checked " + names + " and " + setup + "\n";
}

TEST(ToolCommand, CheckOnTheSampleData) {
    ScratchFolder folder;
    const std::string names = folder / "KevoName.txt";
    std::filesystem::copy_file(kSamples + "/KevoName.txt", names);
    const std::string setup = folder / "Vezerava.ini";
    std::filesystem::copy_file(kSamples + "/Vezerava.ini", setup);
    const auto before = folder.Snapshot();

    const ToolRun text = RunTool(kCheck, {names, setup}, SampleEnvironment(folder));
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_EQ(text.err, Checked(names, setup));
    EXPECT_EQ(text.out, "3 \"Statements\" Tray1Name,Tray1Num,\n"
                        "4 \"Credit Notes\" Printer Undefined,\n"
                        "6 \"\" Printer Redundant,\n"
                        "7 \"Purchase Orders\" Port,\n"
                        "8 \"Remittances\" Names Different (Remittance Advice),\n"
                        "9 \"Quotations\" Printer Undefined,\n"
                        "Errors: 6 (9 lines in the names file)\n");

    const ToolRun json = RunTool(kCheck, {"--json", names, setup}, SampleEnvironment(folder));
    EXPECT_EQ(json.exitCode, 1);
    const JsonValue document = ParseJson(json.out);
    EXPECT_EQ(document["namesFile"].String(), names);
    EXPECT_EQ(document["errorCount"].Integer(), 6);
    ASSERT_EQ(document["lines"].array.size(), 6u);
    EXPECT_EQ(document["lines"][4]["storedName"].String(), "Remittance Advice");
    EXPECT_EQ(folder.Snapshot(), before);
}

TEST(ToolCommand, CheckTextInTheLocalesEncoding) {
    ScratchFolder folder;
    // "Számla" and "Őrzött példány" in code page 1250.
    const std::string names =
        folder.Write("names.txt", "Sz\xE1mla\r\n\xD5rz\xF6tt p\xE9ld\xE1ny\r\n");
    const std::string setup = folder.Write("setup.ini", "");
    const std::pair<const char*, std::string> cases[] = {
        {"C.UTF-8", "1 \"Sz\xC3\xA1mla\" Printer Undefined,\n"
                    "2 \"\xC5\x90rz\xC3\xB6tt p\xC3\xA9ld\xC3\xA1ny\" Printer Undefined,\n"},
        {"C", "1 \"Sz?mla\" Printer Undefined,\n2 \"?rz?tt p?ld?ny\" Printer Undefined,\n"},
    };
    for (const auto& [locale, rows] : cases) {
        auto environment = SampleEnvironment(folder);
        environment["LC_ALL"] = locale;
        environment["KEVOCONF_CODEPAGE"] = "1250";
        const ToolRun run = RunTool(kCheck, {names, setup}, environment);
        EXPECT_EQ(run.out, rows + "Errors: 2 (2 lines in the names file)\n") << locale;
        EXPECT_EQ(run.err, Checked(names, setup)) << locale;
    }
}

TEST(ToolCommand, CheckGivesStartUpWarningsAsHints) {
    ScratchFolder folder;
    const std::string names = folder.Write("names.txt", "Invoices\r\n");
    const std::string section =
        SetupSection(1, "Invoices", "Accounts Laser", "socket://10.20.0.21:9100",
                     "Generic PostScript Printer", "Tray 1", "256", "Tray 2", "257");
    // Setup file, KEVOCONF_CODEPAGE, a part of the one hint. A UTF-8 mark as
    // Notepad writes it, before a comment: no line is lost.
    const std::tuple<std::string, std::optional<std::string>, std::string> cases[] = {
        {folder.Write("marked.ini", "\xEF\xBB\xBF; printers\r\n" + section), std::nullopt,
         folder / "marked.ini"},
        {folder.Write("plain.ini", section), "bogus", "KEVOCONF_CODEPAGE=bogus"},
    };
    for (const auto& [setup, codePage, hintPart] : cases) {
        auto environment = SampleEnvironment(folder);
        environment["KEVOCONF_CODEPAGE"] = codePage;
        const ToolRun run = RunTool(kCheck, {"--json", names, setup}, environment);
        EXPECT_EQ(run.exitCode, 0) << hintPart << "\n" << run.err;
        const JsonValue document = ParseJson(run.out);
        EXPECT_TRUE(document["messages"].array.empty()) << run.out;
        ASSERT_EQ(document["hints"].array.size(), 1u) << run.out;
        EXPECT_NE(document["hints"][0].String().find(hintPart), std::string::npos) << run.out;
    }
}

TEST(ToolCommand, CheckDefaultsAndFailures) {
    ScratchFolder folder;
    auto environment = SampleEnvironment(folder);

    // Nothing in the configuration folder: no check, and nothing made.
    const ToolRun missing = RunTool(kCheck, {}, environment);
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "kevoconf-check: Printer names file does not exist.\n"
                           "    " +
                               (folder / "config/kevoconf/KevoName.txt") +
                               "\n"
                               "    You can not configure printers without this file!\n"
                               "kevoconf-check: no check was made: the names file could not be "
                               "loaded\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "config"));
    const ToolRun missingJson = RunTool(kCheck, {"--json"}, environment);
    EXPECT_EQ(missingJson.exitCode, 2);
    EXPECT_EQ(ParseJson(missingJson.out)["result"].String(), "failed");
    EXPECT_EQ(ParseJson(missingJson.out)["messages"].array.size(), 1u);

    // The default files, taken from the configuration folder.
    folder.Write("config/kevoconf/KevoName.txt", "Invoices\r\n");
    folder.Write("config/kevoconf/Vezerava.ini",
                 SetupSection(1, "Invoices", "Accounts Laser", "socket://10.20.0.21:9100",
                              "Generic PostScript Printer", "Tray 1", "256", "Tray 2", "257"));
    const ToolRun clean = RunTool(kCheck, {}, environment);
    EXPECT_EQ(clean.exitCode, 0) << clean.err;
    EXPECT_EQ(clean.out, "Errors: 0 (1 lines in the names file)\n");
    // Bare names resolved as the program does, given absolute.
    EXPECT_EQ(clean.err, Checked(folder / "config/kevoconf/KevoName.txt",
                                 folder / "config/kevoconf/Vezerava.ini"));

    // Printers that cannot be listed.
    environment["KEVOCONF_SIMULATED_PRINTERS"] = folder / "no-such-printers.txt";
    const ToolRun noPrinters = RunTool(kCheck, {}, environment);
    EXPECT_EQ(noPrinters.exitCode, 2);
    EXPECT_EQ(noPrinters.out, "");
    EXPECT_NE(noPrinters.err.find("kevoconf-check: System Error.  Code: 2.\n"), std::string::npos)
        << noPrinters.err;
    EXPECT_NE(noPrinters.err.find("no check was made: the printers could not be listed"),
              std::string::npos);
}

} // namespace
} // namespace kevo::test
