// SPDX-License-Identifier: Apache-2.0
#include "check/CheckReport.h"

#include "common/JsonWriter.h"
#include "common/TextQuoting.h"
#include "common/ToolVersion.h"
#include "setup/ConfigTable.h"
#include "messages/MessageDialog.h"

#include <algorithm>
#include <array>

namespace kevo::tools {

namespace {

constexpr const char* kProgram = "kevoconf-check";

// The tokens that CheckPrinterNames and CheckTrays append: fixed texts.
const char* OutcomeName(CheckResult::Outcome outcome) {
    switch (outcome) {
    case CheckResult::Outcome::Clean:
        return "clean";
    case CheckResult::Outcome::Errors:
        return "errors";
    case CheckResult::Outcome::Failed:
        break;
    }
    return "failed";
}

const char* KindName(Notice::Kind kind) {
    switch (kind) {
    case Notice::Kind::Message:
        return "message";
    case Notice::Kind::Question:
        return "question";
    case Notice::Kind::ErrorReport:
        break;
    }
    return "error";
}

// A button's caption without its access-key marker: "&No" is "No".
std::string AnswerName(messages::MessageAnswer answer) {
    std::string caption = messages::MessageButtonCaption(answer);
    caption.erase(std::remove(caption.begin(), caption.end(), '&'), caption.end());
    return caption;
}

// The program's lines (CR LF, or a lone LF) as lines of standard error, the
// first after the program's name, the others indented under it. Control
// characters other than the line breaks are escaped.
std::string NoticeLines(const std::string& text, std::string_view program) {
    std::string out = std::string(program) + ": ";
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find('\n', start);
        std::string_view line(text.data() + start,
                              (end == std::string::npos ? text.size() : end) - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (start > 0 && !line.empty())
            out += "    ";
        out += EscapedText(line);
        out += '\n';
        if (end == std::string::npos || end + 1 == text.size())
            return out;
        start = end + 1;
    }
}

} // namespace

std::string CheckReportText(const CheckResult& result) {
    if (result.outcome == CheckResult::Outcome::Failed)
        return {};
    std::string text;
    for (const SetupLine& line : result.lines)
        text += std::to_string(line.line) + " " + QuotedText(line.name) + " " +
                EscapedText(line.errors) + "\n";
    text += "Errors: " + std::to_string(result.lines.size()) + " (" +
            std::to_string(result.namesFileLines) + " lines in the names file)\n";
    return text;
}

void WriteLineMembers(JsonWriter& json, int line, const std::string& name,
                      const std::string& printer, const std::string& errors) {
    const ErrorTokens tokens = SplitErrorTokens(errors);
    json.Key("line");
    json.Integer(line);
    json.TextMember("name", name);
    json.TextMember("printer", printer);
    json.TextMember("errors", errors);
    json.Key("tokens");
    json.BeginArray(true);
    for (const std::string& token : tokens.tokens)
        json.String(token);
    json.EndArray();
    if (tokens.storedName)
        json.TextMember("storedName", *tokens.storedName);
}

std::string CheckReportJson(const CheckResult& result) {
    JsonWriter json;
    json.BeginObject();
    json.Key("program");
    json.String(kProgram);
    json.Key("version");
    json.String(ToolVersion());
    json.TextMember("namesFile", result.namesFile);
    json.TextMember("setupFile", result.setupFile);
    json.Key("result");
    json.String(OutcomeName(result.outcome));
    json.Key("exitStatus");
    json.Integer(ExitStatus(result));
    if (result.failure.empty()) {
        json.Key("failure");
        json.Null();
    } else {
        json.TextMember("failure", result.failure);
    }
    json.Key("namesFileLines");
    json.Integer(result.namesFileLines);
    json.Key("errorCount");
    if (result.outcome == CheckResult::Outcome::Failed)
        json.Null();
    else
        json.Integer(static_cast<std::int64_t>(result.lines.size()));

    json.Key("lines");
    json.BeginArray();
    for (const SetupLine& line : result.lines) {
        json.BeginObject();
        WriteLineMembers(json, line.line, line.name, line.printer, line.errors);
        json.EndObject();
    }
    json.EndArray();

    json.Key("unprintable");
    json.BeginArray();
    for (const UnprintableLine& line : result.unprintable) {
        json.BeginObject(true);
        json.Key("line");
        json.Integer(line.line);
        json.TextMember("name", line.name);
        json.TextMember("reason", line.reason);
        json.EndObject();
    }
    json.EndArray();

    json.Key("messages");
    json.BeginArray();
    for (const Notice& notice : result.notices) {
        json.BeginObject();
        json.Key("kind");
        json.String(KindName(notice.kind));
        json.Key("type");
        json.String(messages::MessageCaption(notice.type));
        json.TextMember("text", notice.text);
        if (notice.answer) {
            json.Key("answer");
            json.String(AnswerName(*notice.answer));
        }
        json.EndObject();
    }
    json.EndArray();

    json.Key("hints");
    json.BeginArray();
    for (const std::string& hint : result.hints)
        json.String(hint);
    json.EndArray();
    json.EndObject();
    return json.Text();
}

namespace {

// A label value of the text format: UTF-8, with the backslash, the double
// quote and the line feed escaped.
std::string LabelValue(std::string_view bytes) {
    std::string value;
    for (const char c : WithReplacementCharacters(bytes)) {
        if (c == '\\' || c == '"')
            value += '\\';
        value += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return value;
}

} // namespace

std::string CheckReportPrometheus(const CheckResult& result, std::int64_t checkedAt,
                                  std::string_view user) {
    // The user is a label too: two users' checks of one shared setup are
    // two series, not one that the exporter keeps only once.
    const std::string labels = "{names_file=\"" + LabelValue(result.namesFile) +
                               "\",setup_file=\"" + LabelValue(result.setupFile) + "\",user=\"" +
                               LabelValue(user) + "\"}";
    const bool failed = result.outcome == CheckResult::Outcome::Failed;
    const struct {
        const char* name;
        const char* help;
        std::string value;
    } metrics[] = {
        {"kevoconf_check_result",
         "Result of the printer setup check: 0 no line in error, 1 lines in error, 2 no check "
         "made.",
         std::to_string(ExitStatus(result))},
        {"kevoconf_setup_lines_in_error",
         "Lines of the printer setup in error; NaN when no check "
         "was made.",
         failed ? "NaN" : std::to_string(result.lines.size())},
        {"kevoconf_names_file_lines", "Lines the names file gives (at most 99).",
         std::to_string(result.namesFileLines)},
        {"kevoconf_check_timestamp_seconds", "When the check ran, in seconds since 1970.",
         std::to_string(checkedAt)},
        {"kevoconf_setup_lines_unprintable",
         "Lines of the printer setup not in error that kevoconf-print cannot print as they "
         "say; NaN when no check was made.",
         failed ? "NaN" : std::to_string(result.unprintable.size())},
    };
    std::string text;
    for (const auto& metric : metrics) {
        text += std::string("# HELP ") + metric.name + " " + metric.help + "\n";
        text += std::string("# TYPE ") + metric.name + " gauge\n";
        text += metric.name + labels + " " + metric.value + "\n";
    }
    return text;
}

std::string CheckedFilesText(const std::string& namesFile, const std::string& setupFile) {
    return std::string(kProgram) + ": checked " + EscapedText(namesFile) + " and " +
           EscapedText(setupFile) + "\n";
}

std::string NoticesText(const CheckResult& result, std::string_view program) {
    std::string text;
    for (const Notice& notice : result.notices) {
        text += NoticeLines(notice.text, program);
        if (notice.answer)
            text += "    Answer: " + AnswerName(*notice.answer) + "\n";
    }
    for (const std::string& hint : result.hints)
        text += NoticeLines(hint, program);
    if (!result.failure.empty())
        text += std::string(program) + ": no check was made: " + result.failure + "\n";
    return text;
}

} // namespace kevo::tools
