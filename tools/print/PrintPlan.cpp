// SPDX-License-Identifier: Apache-2.0
#include "print/PrintPlan.h"

#include "check/CheckReport.h"
#include "common/JsonWriter.h"
#include "common/TextQuoting.h"
#include "common/ToolVersion.h"
#include "platform/text/TextCoding.h"

namespace kevo::tools {

namespace {

constexpr const char* kProgram = "kevoconf-print";

std::string PagesCaption(const std::string& pages) {
    if (pages == "1-")
        return "All pages";
    return (pages == "1" ? "Page " : "Pages ") + pages;
}

std::string OptionsText(const std::vector<platform::JobOption>& options) {
    if (options.empty())
        return "no option (the printer chooses)";
    std::string text;
    for (const platform::JobOption& option : options)
        text +=
            (text.empty() ? "" : " ") + EscapedText(option.name) + "=" + EscapedText(option.value);
    return text;
}

void WriteOptions(JsonWriter& json,
                  const std::optional<std::vector<platform::JobOption>>& options) {
    if (!options) {
        json.Null();
        return;
    }
    json.BeginObject(true);
    for (const platform::JobOption& option : *options)
        json.TextMember(option.name, option.value);
    json.EndObject();
}

void WriteBin(JsonWriter& json, const std::string& bin, const std::string& binName) {
    json.Key("bin");
    if (const auto number = BinNumber(bin))
        json.Integer(*number);
    else
        json.Null();
    json.TextMember("binName", binName);
}

void WriteHeader(JsonWriter& json, const std::string& namesFile, const std::string& setupFile) {
    json.Key("program");
    json.String(kProgram);
    json.Key("version");
    json.String(ToolVersion());
    json.TextMember("namesFile", namesFile);
    json.TextMember("setupFile", setupFile);
}

void WriteLine(JsonWriter& json, const SetupLine& line) {
    WriteLineMembers(json, line.line, line.name, line.printer, line.errors);
}

} // namespace

int ExitStatus(const PrintReport& report) {
    if (report.result == "printed" || report.result == "dry-run")
        return 0;
    return report.result == "refused" ? 1 : 2;
}

std::string PrintReportText(const PrintReport& report) {
    if (!report.plan ||
        (report.result != "printed" && report.result != "dry-run" && report.result != "unsure"))
        return {};
    const PrintPlan& plan = *report.plan;
    const auto row = [](const std::string& caption, const std::string& value) {
        return caption + ":" + std::string(caption.size() < 12 ? 12 - caption.size() : 1, ' ') +
               value + "\n";
    };
    std::string text =
        row("Name", QuotedText(plan.line.name) + " (line " + std::to_string(plan.line.line) + ")");
    text += row("Printer", QuotedText(plan.line.printer));
    for (const PagePlan& pages : plan.pages) {
        std::string bin = "bin " + EscapedText(pages.bin) + " " + QuotedText(pages.binName);
        if (pages.options)
            bin += ": " + OptionsText(*pages.options);
        text += row(PagesCaption(pages.pages), bin);
    }
    text += row("Job options",
                plan.jobOptions ? OptionsText(*plan.jobOptions) : "not known (simulated printers)");
    std::string documents;
    for (const std::string& document : report.documents)
        documents += (documents.empty() ? "" : ", ") + QuotedText(document);
    text += row("Documents", documents);
    if (report.result == "dry-run")
        return text + "Dry run: nothing was sent.\n";
    std::string job = EscapedText(report.printer) + "-" + std::to_string(report.jobId);
    if (report.result == "unsure")
        job += " (the printing service did not confirm it)";
    return text + row("Job", job);
}

std::string PrintReportJson(const PrintReport& report) {
    JsonWriter json;
    json.BeginObject();
    WriteHeader(json, report.namesFile, report.setupFile);
    json.TextMember("name", report.name);
    json.Key("result");
    json.String(report.result);
    json.Key("exitStatus");
    json.Integer(ExitStatus(report));
    json.Key("failure");
    if (report.failure.empty())
        json.Null();
    else
        json.String(report.failure);
    json.Key("dryRun");
    json.Bool(report.dryRun);
    json.Key("forced");
    json.Bool(report.forced);

    json.Key("line");
    if (report.plan) {
        json.BeginObject();
        WriteLine(json, report.plan->line);
        json.EndObject();
    } else {
        json.Null();
    }
    json.Key("pages");
    json.BeginArray();
    if (report.plan) {
        for (const PagePlan& pages : report.plan->pages) {
            json.BeginObject();
            json.Key("pages");
            json.String(pages.pages);
            WriteBin(json, pages.bin, pages.binName);
            json.Key("options");
            WriteOptions(json, pages.options);
            json.EndObject();
        }
    }
    json.EndArray();
    json.Key("jobOptions");
    WriteOptions(json, report.plan ? report.plan->jobOptions : std::nullopt);
    json.Key("warnings");
    json.BeginArray();
    if (report.plan) {
        for (const std::string& warning : report.plan->warnings)
            json.String(warning);
    }
    json.EndArray();
    json.Key("documents");
    json.BeginArray();
    for (const std::string& document : report.documents)
        json.String(document);
    json.EndArray();
    json.Key("job");
    if (report.jobId > 0) {
        json.BeginObject(true);
        json.TextMember("printer", report.printer);
        json.Key("id");
        json.Integer(report.jobId);
        json.EndObject();
    } else {
        json.Null();
    }
    json.EndObject();
    return json.Text();
}

std::string ErrorTokensText(const std::string& errors) {
    std::string text;
    for (const std::string& token : SplitErrorTokens(errors).tokens)
        text += (text.empty() ? "" : ", ") + EscapedText(token);
    return text;
}

std::string NameListText(const CheckResult& result) {
    std::string text;
    for (const SetupLine& line : result.namedLines) {
        text += std::to_string(line.line) + " " + QuotedText(line.name) + " on " +
                QuotedText(line.printer) + ":";
        for (const PagePlan& pages : PagePlans(line)) {
            std::string caption = PagesCaption(pages.pages);
            caption[0] = static_cast<char>(caption[0] - 'A' + 'a');
            text += (pages.pages == "2-" ? ", " : " ") + caption + " bin " +
                    EscapedText(pages.bin) + " " + QuotedText(pages.binName);
        }
        if (!line.errors.empty())
            text += "; in error: " + ErrorTokensText(line.errors);
        text += "\n";
    }
    return text;
}

std::string NameListJson(const CheckResult& result) {
    JsonWriter json;
    json.BeginObject();
    WriteHeader(json, result.namesFile, result.setupFile);
    json.Key("lines");
    json.BeginArray();
    for (const SetupLine& line : result.namedLines) {
        json.BeginObject();
        WriteLine(json, line);
        json.Key("pages");
        json.BeginArray();
        for (const PagePlan& pages : PagePlans(line)) {
            json.BeginObject(true);
            json.Key("pages");
            json.String(pages.pages);
            WriteBin(json, pages.bin, pages.binName);
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return json.Text();
}

} // namespace kevo::tools
