// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "check/HeadlessCheck.h"
#include "platform/cups/CupsMapping.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kevo::tools {

// The first named line whose name is `name`, letter case ignored as in every
// look-up of the program (platform::SameTextIgnoringCase); nullptr when there
// is none.
const SetupLine* FindNamedLine(const std::vector<SetupLine>& lines, std::string_view name);

// Whether the line takes the pages after the first from a second tray: as
// the print setup dialog checks its "Use Additional Paper Tray" box, when
// the two sources differ in name (letter case counts) or in number.
bool UsesSecondTray(const SetupLine& line);

// Pages of every document that come from one bin.
struct PagePlan {
    std::string pages;   // "1-" all pages; "1" the first and "2-" the others
    std::string bin;     // the bin number, as the line holds it
    std::string binName; // the bin name, as the line holds it
    // What the job asks of the printer for these pages; nothing when it is
    // not known (simulated printers).
    std::optional<std::vector<platform::JobOption>> options;
};

struct PrintPlan {
    SetupLine line;
    std::vector<PagePlan> pages;
    // The options of the one job; nothing for simulated printers.
    std::optional<std::vector<platform::JobOption>> jobOptions;
    // What is wrong but printed past (--force).
    std::vector<std::string> warnings;
    // Why the line cannot be printed as it says; empty when it can.
    std::string problem;
};

// How the line prints on a queue with these paper sources (nothing for
// simulated printers, whose bins are known by number and name only). A bin
// that is not one of the queue's is a problem; with force it is left to
// the printer instead, with a warning.
PrintPlan MakePrintPlan(const SetupLine& line, const std::optional<platform::QueueSources>& sources,
                        bool force);

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
