// SPDX-License-Identifier: Apache-2.0
#include "check/RepairRun.h"

#include "common/JsonWriter.h"
#include "common/TextQuoting.h"
#include "common/ToolVersion.h"
#include "setup/SetupFile.h"
#include "messages/ErrorReport.h"
#include "platform/profile/FileSystem.h"
#include "platform/profile/ProfileFile.h"
#include "platform/profile/WriterLock.h"
#include "printers/Printers.h"

#include <algorithm>
#include <optional>

namespace kevo::tools {

namespace {

using setup::PaperBin;
using setup::SetupLine;
using setup::TrayRepairLine;

// The keys a repair writes, each with the value it takes from a line: the
// driver and bins always, the printer and port when they change.
struct RepairedKey {
    const char* key;
    std::string (*value)(const SetupLine&);
    bool always;
};
constexpr RepairedKey kRepairedKeys[] = {
    {"Device", [](const SetupLine& line) { return line.printer; }, false},
    {"Port", [](const SetupLine& line) { return line.port; }, false},
    {"Driver", [](const SetupLine& line) { return line.driver; }, true},
    {"PaperSourceName1", [](const SetupLine& line) { return line.firstPage.name; }, true},
    {"PaperSource1", [](const SetupLine& line) { return line.firstPage.number; }, true},
    {"PaperSourceName2", [](const SetupLine& line) { return line.otherPages.name; }, true},
    {"PaperSource2", [](const SetupLine& line) { return line.otherPages.number; }, true},
};

bool Writes(const RepairedKey& key, const TrayRepairLine& line) {
    return key.always || key.value(line.before) != key.value(line.after);
}

// A mapping file read by its parser; what names it in a failure.
template <typename Parse>
auto ReadMappings(const std::string& path, const std::string& what, Parse parse) {
    std::string text;
    if (const int error = platform::SystemFileSystem().ReadFile(
            path, platform::ProfileFile::kMaxFileSize, text);
        error != 0)
        throw messages::KevoError(what + " cannot be read: " + path + ": " +
                                  platform::ReadErrorText(error));
    try {
        return parse(text);
    } catch (const std::exception& error) {
        throw messages::KevoError(what + " " + path + ": " + error.what());
    }
}

// Whether the file still holds a line as the check read it: another
// program may have changed it since, and its change is not overwritten.
bool StillAsRead(platform::ProfileFile& file, const SetupLine& line) {
    const std::string section = std::to_string(line.line);
    const std::string read[] = {line.printer,          line.port,
                                line.driver,           line.firstPage.name,
                                line.firstPage.number, line.otherPages.name,
                                line.otherPages.number};
    for (std::size_t key = 1; key < setup::kSetupKeys.size(); ++key) {
        if (file.ReadString(section, setup::kSetupKeys[key]) != read[key - 1])
            return false;
    }
    return true;
}

// How often the repair writes again when the file keeps changing under it.
constexpr int kWriteAttempts = 5;

// Writes the repaired lines' keys into the file as it is now: all of them or,
// when the file refuses a value or the write, none. Our other writers wait
// while it writes (WriterLock); a line that another program changed since
// the check read it keeps that program's values, and its number is
// returned.
std::vector<int> WriteRepairs(const std::vector<TrayRepairLine>& lines, const std::string& path) {
    if (!setup::SetupFileMarkWarning(path).empty())
        throw messages::KevoError("the setup file begins with a byte-order mark that Windows "
                                  "programs do not understand; it is not written: " + path);
    const platform::WriterLock lock(path);
    for (int attempt = 1;; ++attempt) {
        platform::ProfileFile file(path);
        std::vector<int> changed;
        std::vector<const TrayRepairLine*> writing;
        for (const TrayRepairLine& line : lines) {
            if (StillAsRead(file, line.before))
                writing.push_back(&line);
            else
                changed.push_back(line.before.line);
        }
        for (const TrayRepairLine* line : writing) {
            for (const RepairedKey& key : kRepairedKeys) {
                if (const auto bad = Writes(key, *line) ? file.CannotHold(key.value(line->after))
                                                        : std::nullopt)
                    throw messages::KevoError(
                        "line " + std::to_string(line->after.line) +
                        ": the setup file's encoding (" + file.EncodingName() +
                        ") has no place for " + platform::DescribeCharacter(bad->character) +
                        "; nothing was written");
            }
        }
        for (const TrayRepairLine* line : writing) {
            const std::string section = std::to_string(line->after.line);
            for (const RepairedKey& key : kRepairedKeys) {
                if (Writes(key, *line))
                    file.WriteString(section, key.key,
                                     setup::StoredValue(key.value(line->after)));
            }
        }
        try {
            file.Flush();
        } catch (const platform::ProfileChangedError&) {
            if (attempt < kWriteAttempts)
                continue;
            throw messages::KevoError("the setup file could not be written: another program "
                                      "keeps changing it");
        } catch (const std::exception& error) {
            throw messages::KevoError(std::string("the setup file could not be written: ") +
                                      error.what());
        }
        return changed;
    }
}

std::string BinText(const PaperBin& bin) {
    return QuotedText(bin.name) + " " + EscapedText(bin.number);
}

std::string Change(const std::string& before, const std::string& after) {
    return before == after ? before : before + " -> " + after;
}

} // namespace

RepairResult RunRepair(const std::vector<std::string>& files, workspace::Workspace& workspace,
                       const std::string& mapFile, const std::string& printerMapFile,
                       bool dryRun) {
    RepairResult result;
    result.dryRun = dryRun;
    result.check = RunCheck(files, workspace);
    if (result.check.outcome == CheckResult::Outcome::Failed) {
        result.failure = result.check.failure;
        return result;
    }
    try {
        const std::vector<setup::BinMapping> mappings =
            mapFile.empty() ? std::vector<setup::BinMapping>{}
                            : ReadMappings(mapFile, "the mapping file", setup::ParseBinMappings);
        const std::vector<setup::PrinterMapping> printerMappings =
            printerMapFile.empty()
                ? std::vector<setup::PrinterMapping>{}
                : ReadMappings(printerMapFile, "the printer mapping file",
                               setup::ParsePrinterMappings);
        result.plan = setup::PlanTrayRepair(
            result.check.lines, workspace.Printers().AllPrinters(), mappings, printerMappings);
        std::vector<TrayRepairLine> repaired;
        for (const TrayRepairLine& line : result.plan.lines) {
            if (line.repaired)
                repaired.push_back(line);
        }
        result.linesInErrorAfter =
            static_cast<int>(result.check.lines.size() - repaired.size());
        if (!dryRun && !repaired.empty()) {
            const std::vector<int> changed = WriteRepairs(repaired, result.check.setupFile);
            for (TrayRepairLine& line : result.plan.lines) {
                if (line.repaired &&
                    std::find(changed.begin(), changed.end(), line.before.line) != changed.end()) {
                    line.repaired = false;
                    line.after = line.before;
                    line.reason = "changed by another program while it was repaired";
                }
            }
            result.written = changed.size() < repaired.size();
            // The count after the repair is the check's own on the file as
            // written: a repaired line whose bin the printer does not list
            // (the automatic bin, which keeps its number everywhere)
            // is still in error there.
            const CheckResult after = RunCheck(files, workspace);
            if (after.outcome == CheckResult::Outcome::Failed)
                throw messages::KevoError("the check after the repair failed: " + after.failure);
            result.linesInErrorAfter = static_cast<int>(after.lines.size());
        }
    } catch (const std::exception& error) {
        result.failure = error.what();
    }
    return result;
}

int RepairExitStatus(const RepairResult& result) {
    if (!result.failure.empty())
        return 2;
    return result.linesInErrorAfter == 0 ? 0 : 1;
}

std::string RepairReportText(const RepairResult& result) {
    if (!result.failure.empty())
        return {};
    std::string repaired;
    std::string left;
    int repairedCount = 0;
    int leftCount = 0;
    for (const TrayRepairLine& line : result.plan.lines) {
        const std::string head = std::to_string(line.before.line) + " " +
                                 QuotedText(line.before.name) + " on " +
                                 QuotedText(line.before.printer) + ": ";
        if (line.repaired) {
            ++repairedCount;
            repaired += head;
            if (!line.foundBy.empty())
                repaired += "printer " + Change(QuotedText(line.before.printer),
                                                QuotedText(line.after.printer)) +
                            " (" + line.foundBy + "); ";
            if (line.before.port != line.after.port)
                repaired += "port " + Change(QuotedText(line.before.port),
                                             QuotedText(line.after.port)) + "; ";
            repaired += "driver " +
                        Change(QuotedText(line.before.driver), QuotedText(line.after.driver)) +
                        "; first page " +
                        Change(BinText(line.before.firstPage), BinText(line.after.firstPage)) +
                        "; other pages " +
                        Change(BinText(line.before.otherPages), BinText(line.after.otherPages)) +
                        "\n";
        } else {
            ++leftCount;
            left += head + EscapedText(line.reason) + "\n";
        }
    }
    const char* verb = result.dryRun ? "To repair" : "Repaired";
    return std::string(verb) + ": " + std::to_string(repairedCount) + "\n" + repaired +
           "Left: " + std::to_string(leftCount) + "\n" + left + "Errors after the repair: " +
           std::to_string(result.linesInErrorAfter) + " (" +
           std::to_string(result.check.namesFileLines) + " lines in the names file)\n";
}

std::string RepairReportJson(const RepairResult& result) {
    JsonWriter json;
    json.BeginObject();
    json.Key("program");
    json.String("kevoconf-check");
    json.Key("version");
    json.String(ToolVersion());
    json.TextMember("namesFile", result.check.namesFile);
    json.TextMember("setupFile", result.check.setupFile);
    json.Key("dryRun");
    json.Bool(result.dryRun);
    json.Key("written");
    json.Bool(result.written);
    json.Key("exitStatus");
    json.Integer(RepairExitStatus(result));
    if (result.failure.empty()) {
        json.Key("failure");
        json.Null();
    } else {
        json.TextMember("failure", result.failure);
    }
    const auto bin = [&json](const char* key, const PaperBin& value) {
        json.Key(key);
        json.BeginObject(true);
        json.TextMember("name", value.name);
        json.TextMember("number", value.number);
        json.EndObject();
    };
    const auto lineHead = [&json](const SetupLine& line) {
        json.Key("line");
        json.Integer(line.line);
        json.TextMember("name", line.name);
        json.TextMember("printer", line.printer);
    };
    json.Key("repaired");
    json.BeginArray();
    for (const TrayRepairLine& line : result.plan.lines) {
        if (!line.repaired)
            continue;
        json.BeginObject();
        lineHead(line.before);
        json.TextMember("errors", line.before.errors);
        json.Key("foundBy");
        if (line.foundBy.empty())
            json.Null();
        else
            json.String(line.foundBy);
        for (const auto& [key, value] : {std::pair{"before", &line.before},
                                         std::pair{"after", &line.after}}) {
            json.Key(key);
            json.BeginObject();
            json.TextMember("printer", value->printer);
            json.TextMember("port", value->port);
            json.TextMember("driver", value->driver);
            bin("firstPage", value->firstPage);
            bin("otherPages", value->otherPages);
            json.EndObject();
        }
        json.EndObject();
    }
    json.EndArray();
    json.Key("left");
    json.BeginArray();
    for (const TrayRepairLine& line : result.plan.lines) {
        if (line.repaired)
            continue;
        json.BeginObject();
        lineHead(line.before);
        json.TextMember("errors", line.before.errors);
        json.TextMember("reason", line.reason);
        json.EndObject();
    }
    json.EndArray();
    json.Key("errorCountAfter");
    if (result.failure.empty())
        json.Integer(result.linesInErrorAfter);
    else
        json.Null();
    json.EndObject();
    return json.Text();
}

} // namespace kevo::tools
