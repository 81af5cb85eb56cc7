// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "check/HeadlessCheck.h"
#include "common/PrintRule.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kevo::tools {

// One run of kevoconf-print, for its output.
struct PrintReport {
    std::string namesFile;
    std::string setupFile;
    std::string name;
    std::optional<PrintPlan> plan;
    std::vector<std::string> documents;
    bool dryRun = false;
    bool forced = false;
    // "printed", "dry-run", "refused" (exit status 1), "failed" (2), or
    // "unsure" (2: the job may print once the printing service answers).
    std::string result;
    std::string printer; // the queue the job went to
    int jobId = 0;
    std::string failure;
};

int ExitStatus(const PrintReport& report);

// The plan for people: name and line, printer, each page range with its
// bin and options, the job's options, the documents, and how it ended
// ("Dry run: nothing was sent." or "Job: PRINTER-ID"). Nothing without a
// plan.
std::string PrintReportText(const PrintReport& report);

// The same as one JSON document (the schema is in kevoconf-print(1)).
std::string PrintReportJson(const PrintReport& report);

// A line's Errors text as its tokens without commas: "Port, Tray1Name".
std::string ErrorTokensText(const std::string& errors);

// Every named line with its printer, its bins by page range and its errors.
std::string NameListText(const CheckResult& result);
std::string NameListJson(const CheckResult& result);

} // namespace kevo::tools
