// SPDX-License-Identifier: Apache-2.0
#include "check/CheckReport.h"
#include "MiniJson.h"
#include "check/CheckCommandLine.h"
#include "common/ToolVersion.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace kevo::tools {
namespace {

using messages::MessageButton;
using Strings = std::vector<std::string>;

TEST(CheckReport, SplitsEveryKindOfErrorsText) {
    struct Case {
        std::string errors;
        Strings tokens;
        std::optional<std::string> storedName;
    };
    const Case cases[] = {
        {"", {}, std::nullopt},
        {"Printer Undefined,", {"Printer Undefined"}, std::nullopt},
        {"Printer Redundant,", {"Printer Redundant"}, std::nullopt},
        {"Port,Driver,Tray1Name,Tray1Num,Tray2Name,Tray2Num,",
         {"Port", "Driver", "Tray1Name", "Tray1Num", "Tray2Name", "Tray2Num"},
         std::nullopt},
        {"Port,Tray2Num,", {"Port", "Tray2Num"}, std::nullopt},
        {"Names Different (Old),", {"Names Different"}, "Old"},
        {"Names Different (),Printer Undefined,", {"Names Different", "Printer Undefined"}, ""},
        // Stored names that look like tokens, or like the end of the name
        // token, stay whole.
        {"Names Different (Port,),Driver,", {"Names Different", "Driver"}, "Port,"},
        {"Names Different (a),Port,),Tray1Num,", {"Names Different", "Tray1Num"}, "a),Port,"},
        {"Names Different (Redundant (x)),", {"Names Different"}, "Redundant (x)"},
        {"Names Different (B\xC3\xBCro, 2),Printer Redundant,",
         {"Names Different", "Printer Redundant"},
         "B\xC3\xBCro, 2"},
        // Text the check never writes is kept as it stands.
        {"Something,Port,", {"Something,", "Port"}, std::nullopt},
        {"Names Different (", {"Names Different ("}, std::nullopt},
    };
    for (const Case& c : cases) {
        const ErrorTokens split = SplitErrorTokens(c.errors);
        EXPECT_EQ(split.tokens, c.tokens) << c.errors;
        EXPECT_EQ(split.storedName, c.storedName) << c.errors;
    }
}

SetupLine LineInError(int number, std::string name, std::string printer, std::string errors) {
    SetupLine line;
    line.line = number;
    line.name = std::move(name);
    line.printer = std::move(printer);
    line.errors = std::move(errors);
    return line;
}

CheckResult SampleResult() {
    CheckResult result;
    result.outcome = CheckResult::Outcome::Errors;
    result.namesFile = "/srv/host/KevoName.txt";
    result.setupFile = "/srv/host/Vezerava.ini";
    result.namesFileLines = 12;
    result.lines = {
        LineInError(3, "Statements", "Accounts Laser", "Tray1Name,Tray1Num,"),
        LineInError(6, "", "Reception Inkjet", "Printer Redundant,"),
        LineInError(8, "Say \"hi\"\tnow\\\xC2\x9B", "Q", "Names Different (Old\x1B[2J),"),
        // A byte no code page defined, as the files' reading escapes it.
        LineInError(11, "Caf\xED\xB3\xA9", "B\xC3\xBCro", "Port,"),
    };
    Notice question;
    question.kind = Notice::Kind::Question;
    question.text = "Printer configuration file does not exist.\r\n/x/Vezerava.ini\r\n\r\n"
                    "Configure all the printer details now?";
    question.answer = MessageButton::No;
    Notice report;
    report.kind = Notice::Kind::ErrorReport;
    report.text = "There is no default printer currently selected.";
    result.notices = {question, report};
    return result;
}

TEST(CheckReport, TextRowsEscapeWhatCouldBreakALine) {
    EXPECT_EQ(CheckReportText(SampleResult()),
              "3 \"Statements\" Tray1Name,Tray1Num,\n"
              "6 \"\" Printer Redundant,\n"
              "8 \"Say \\\"hi\\\"\\x09now\\\\\\u009B\" Names Different (Old\\x1B[2J),\n"
              "11 \"Caf\\xE9\" Port,\n"
              "Errors: 4 (12 lines in the names file)\n");

    CheckResult clean;
    clean.outcome = CheckResult::Outcome::Clean;
    clean.namesFileLines = 2;
    EXPECT_EQ(CheckReportText(clean), "Errors: 0 (2 lines in the names file)\n");

    CheckResult failed = SampleResult();
    failed.outcome = CheckResult::Outcome::Failed;
    EXPECT_EQ(CheckReportText(failed), "");
}

TEST(CheckReport, JsonHoldsLinesTokensAndMessages) {
    const test::JsonValue document = test::ParseJson(CheckReportJson(SampleResult()));
    EXPECT_EQ(document.Keys(), (Strings{"program", "version", "namesFile", "setupFile", "result",
                                        "exitStatus", "failure", "namesFileLines", "errorCount",
                                        "lines", "unprintable", "messages", "hints"}));
    EXPECT_EQ(document["program"].String(), "kevoconf-check");
    EXPECT_EQ(document["version"].String(), ToolVersion());
    EXPECT_EQ(document["setupFile"].String(), "/srv/host/Vezerava.ini");
    EXPECT_EQ(document["result"].String(), "errors");
    EXPECT_EQ(document["exitStatus"].Integer(), 1);
    EXPECT_TRUE(document["failure"].IsNull());
    EXPECT_EQ(document["namesFileLines"].Integer(), 12);
    EXPECT_EQ(document["errorCount"].Integer(), 4);

    const auto& lines = document["lines"];
    ASSERT_EQ(lines.array.size(), 4u);
    EXPECT_EQ(lines[0]["line"].Integer(), 3);
    EXPECT_EQ(lines[0]["printer"].String(), "Accounts Laser");
    EXPECT_EQ(lines[0]["errors"].String(), "Tray1Name,Tray1Num,");
    EXPECT_EQ(lines[0]["tokens"][1].String(), "Tray1Num");
    EXPECT_FALSE(lines[0].Has("storedName"));
    EXPECT_EQ(lines[2]["name"].String(), "Say \"hi\"\tnow\\\xC2\x9B");
    EXPECT_EQ(lines[2]["storedName"].String(), "Old\x1B[2J");
    // A byte that is not UTF-8: a replacement character, and the byte in
    // hexadecimal beside it.
    EXPECT_EQ(lines[3]["name"].String(), "Caf\xEF\xBF\xBD");
    EXPECT_EQ(lines[3]["nameHex"].String(), "436166e9");
    EXPECT_EQ(lines[3]["printer"].String(), "B\xC3\xBCro");
    EXPECT_FALSE(lines[3].Has("printerHex"));

    const auto& messages = document["messages"];
    ASSERT_EQ(messages.array.size(), 2u);
    EXPECT_EQ(messages[0]["kind"].String(), "question");
    EXPECT_EQ(messages[0]["type"].String(), "Error");
    EXPECT_EQ(messages[0]["answer"].String(), "No");
    EXPECT_EQ(messages[0]["text"].String(), SampleResult().notices[0].text);
    EXPECT_EQ(messages[1]["kind"].String(), "error");
    EXPECT_FALSE(messages[1].Has("answer"));
}

TEST(CheckReport, JsonOfAFailedCheck) {
    CheckResult failed;
    failed.outcome = CheckResult::Outcome::Failed;
    failed.failure = "the names file could not be loaded";
    const auto document = test::ParseJson(CheckReportJson(failed));
    EXPECT_EQ(document["result"].String(), "failed");
    EXPECT_EQ(document["exitStatus"].Integer(), 2);
    EXPECT_EQ(document["failure"].String(), "the names file could not be loaded");
    EXPECT_TRUE(document["errorCount"].IsNull());
    EXPECT_TRUE(document["lines"].array.empty());
}

TEST(CheckReport, NoticesInTheProgramsWordsThenTheFailure) {
    CheckResult result = SampleResult();
    result.failure = "the printers could not be listed";
    EXPECT_EQ(NoticesText(result), "kevoconf-check: Printer configuration file does not exist.\n"
                                   "    /x/Vezerava.ini\n"
                                   "\n"
                                   "    Configure all the printer details now?\n"
                                   "    Answer: No\n"
                                   "kevoconf-check: There is no default printer currently "
                                   "selected.\n"
                                   "kevoconf-check: no check was made: the printers could not "
                                   "be listed\n");
}

TEST(CheckCommandLine, OptionsAndFiles) {
    using Format = CheckCommandLine::Format;
    struct Case {
        Strings arguments;
        Format format;
        bool help;
        bool version;
        Strings files;
        bool wrong;
    };
    const Case cases[] = {
        {{}, Format::Text, false, false, {}, false},
        {{"--json"}, Format::Json, false, false, {}, false},
        {{"names.txt", "--json", "setup.ini"},
         Format::Json,
         false,
         false,
         {"names.txt", "setup.ini"},
         false},
        {{"--format", "prometheus", "n"}, Format::Prometheus, false, false, {"n"}, false},
        {{"--json", "--format=text"}, Format::Text, false, false, {}, false},
        {{"--format=xml"}, Format::Text, false, false, {}, true},
        {{"--format"}, Format::Text, false, false, {}, true},
        {{"-h"}, Format::Text, true, false, {}, false},
        {{"--version", "x"}, Format::Text, false, true, {"x"}, false},
        {{"--", "--json", "-"}, Format::Text, false, false, {"--json", "-"}, false},
        {{"-"}, Format::Text, false, false, {"-"}, false},
        {{"--jsn"}, Format::Text, false, false, {}, true},
        {{"-j"}, Format::Text, false, false, {}, true},
        {{"a", "b", "c"}, Format::Text, false, false, {"a", "b", "c"}, true},
        {{""}, Format::Text, false, false, {}, true},
        {{"--repair", "--map=m", "--dry-run", "n"}, Format::Text, false, false, {"n"}, false},
        {{"--dry-run"}, Format::Text, false, false, {}, true},
        {{"--map", "m"}, Format::Text, false, false, {}, true},
        {{"--repair", "--map"}, Format::Text, false, false, {}, true},
        {{"--printer-map", "m"}, Format::Text, false, false, {}, true},
        {{"--repair", "--printer-map=", "n"}, Format::Text, false, false, {"n"}, true},
        {{"--repair", "--format", "prometheus"}, Format::Prometheus, false, false, {}, true},
    };
    for (const Case& c : cases) {
        const CheckCommandLine line = ParseCheckCommandLine(c.arguments);
        const std::string label = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(line.format, c.format) << label;
        EXPECT_EQ(line.help, c.help) << label;
        EXPECT_EQ(line.version, c.version) << label;
        EXPECT_EQ(line.files, c.files) << label;
        EXPECT_EQ(!line.error.empty(), c.wrong) << label;
    }
}

TEST(CheckReport, PrometheusGaugesLabelledWithTheFiles) {
    CheckResult result = SampleResult();
    result.setupFile = "/srv/\"a\\b\nc\xFF.ini";
    result.unprintable.push_back({5, "Letters", "no default tray"});
    const std::string labels = "{names_file=\"/srv/host/KevoName.txt\","
                               "setup_file=\"/srv/\\\"a\\\\b\\nc\xEF\xBF\xBD.ini\","
                               "user=\"ann\"}";
    std::map<std::string, std::string> values;
    std::istringstream lines(CheckReportPrometheus(result, 1765238400, "ann"));
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("#"))
            continue;
        const std::size_t brace = line.find('{');
        ASSERT_NE(brace, std::string::npos) << line;
        EXPECT_EQ(line.substr(brace, labels.size()), labels) << line;
        values[line.substr(0, brace)] = line.substr(brace + labels.size() + 1);
    }
    EXPECT_EQ(values, (std::map<std::string, std::string>{
                          {"kevoconf_check_result", "1"},
                          {"kevoconf_setup_lines_in_error", "4"},
                          {"kevoconf_names_file_lines", "12"},
                          {"kevoconf_check_timestamp_seconds", "1765238400"},
                          {"kevoconf_setup_lines_unprintable", "1"}}));
    result.outcome = CheckResult::Outcome::Failed;
    EXPECT_NE(CheckReportPrometheus(result, 0, "ann").find("kevoconf_setup_lines_in_error{"),
              std::string::npos);
    EXPECT_NE(CheckReportPrometheus(result, 0, "ann").find("} NaN\n"), std::string::npos);
}

TEST(QuietPrompter, DeclinesAndNeverWaits) {
    using messages::MessageType;
    struct Case {
        messages::MessageButtons buttons;
        MessageButton answer;
        bool question;
    };
    const Case cases[] = {
        {MessageButton::OK, MessageButton::OK, false},
        {MessageButton::Yes | MessageButton::No, MessageButton::No, true},
        {MessageButton::Yes | MessageButton::No | MessageButton::Cancel, MessageButton::No, true},
        {MessageButton::OK | MessageButton::Cancel, MessageButton::Cancel, true},
        {MessageButton::OK | MessageButton::Ignore, MessageButton::OK, true},
    };
    QuietPrompter prompter;
    for (const Case& c : cases)
        EXPECT_EQ(prompter.ShowMessage("text", MessageType::Warning, c.buttons), c.answer);
    prompter.ShowErrorReport("DevCap Error");
    ASSERT_EQ(prompter.Notices().size(), std::size(cases) + 1);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Notice& notice = prompter.Notices()[i];
        EXPECT_EQ(notice.kind == Notice::Kind::Question, cases[i].question) << i;
        EXPECT_EQ(notice.answer.has_value(), cases[i].question) << i;
    }
    EXPECT_EQ(prompter.Notices().back().text, "DevCap Error.");
    EXPECT_EQ(prompter.ErrorReportCount(), 1u);
}

} // namespace
} // namespace kevo::tools
