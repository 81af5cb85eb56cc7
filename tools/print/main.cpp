// SPDX-License-Identifier: Apache-2.0
// kevoconf-print: prints documents under a logical name as the printer setup
// file gives it, so that a setup made with KevoConf is what host programs and
// scripts print with. The line is found and checked by the program's own
// loading and check code; the job goes to CUPS over the same bounded
// connection as the printer queries.

#include "check/CheckReport.h"
#include "check/HeadlessCheck.h"
#include "common/TextOutput.h"
#include "common/TextQuoting.h"
#include "common/ToolVersion.h"
#include "print/DocumentFormat.h"
#include "print/DocumentSpool.h"
#include "print/PrintCommandLine.h"
#include "print/PrintPlan.h"

#include "platform/cups/CupsJob.h"
#include "platform/cups/CupsPrintingService.h"
#include "platform/printing/CachingPrintingService.h"
#include "platform/PrintingServiceFactory.h"
#include "platform/text/TextCoding.h"

#include <iostream>

namespace {

using namespace kevo;

constexpr const char* kProgram = "kevoconf-print";

void Say(const std::string& message) {
    tools::WriteError(std::string(kProgram) + ": " + message + "\n");
}

// The CUPS service under the caching one; nullptr for simulated printers.
platform::CupsPrintingService* CupsServiceOf(platform::PrintingService& service) {
    auto* caching = dynamic_cast<platform::CachingPrintingService*>(&service);
    return dynamic_cast<platform::CupsPrintingService*>(caching != nullptr ? &caching->Inner()
                                                                           : &service);
}

// Writes the report and gives the exit status.
int Finish(const tools::PrintReport& report, bool json) {
    if (!report.failure.empty())
        Say(report.failure);
    if (json)
        std::cout << tools::PrintReportJson(report); // UTF-8 in every locale
    else
        tools::WriteOutput(tools::PrintReportText(report));
    std::cout.flush();
    if (!std::cout) {
        Say("the result could not be written");
        return 2;
    }
    return tools::ExitStatus(report);
}

int Print(const tools::PrintCommandLine& line) {
    workspace::Workspace workspace = workspace::ThisMachine(false);
    platform::PrintingService& service = workspace.Service();
    const tools::CheckResult check = tools::RunCheck(tools::CheckFileArguments(line), workspace);
    tools::WriteError(tools::NoticesText(check, kProgram));

    tools::PrintReport report;
    report.namesFile = check.namesFile;
    report.setupFile = check.setupFile;
    report.name = line.name;
    report.dryRun = line.dryRun;
    report.forced = line.force;
    for (const std::string& file : line.files.empty() ? std::vector<std::string>{"-"} : line.files)
        report.documents.push_back(tools::DocumentName(file));
    report.result = "failed";
    if (check.outcome == tools::CheckResult::Outcome::Failed) {
        report.failure = "nothing was printed";
        return Finish(report, line.json);
    }
    if (line.list) {
        if (line.json)
            std::cout << tools::NameListJson(check);
        else
            tools::WriteOutput(tools::NameListText(check));
        std::cout.flush();
        return std::cout ? 0 : 2;
    }

    const tools::SetupLine* found = tools::FindNamedLine(check.namedLines, line.name);
    if (found == nullptr) {
        report.result = "refused";
        report.failure = "no line of the names file " + tools::QuotedText(check.namesFile) +
                         " is named " + tools::QuotedText(line.name) + "; nothing was printed";
        return Finish(report, line.json);
    }
    const std::string which =
        "line " + std::to_string(found->line) + " " + tools::QuotedText(found->name);
    if (!found->errors.empty()) {
        const std::string tokens = tools::ErrorTokensText(found->errors);
        if (!line.force) {
            report.result = "refused";
            report.plan = tools::MakePrintPlan(*found, std::nullopt, false);
            report.failure = which + " is in error (" + tokens +
                             "); nothing was printed (--force prints it anyway)";
            return Finish(report, line.json);
        }
        Say(which + " is in error (" + tokens + "); printing it anyway, as --force asks");
    }

    platform::CupsPrintingService* cups = CupsServiceOf(service);
    std::optional<platform::QueueSources> sources;
    if (cups != nullptr) {
        sources = cups->PaperSources(found->printer);
        if (!sources) {
            report.failure = "the paper sources of " + tools::QuotedText(found->printer) +
                             " cannot be read: " + cups->SchedulerConnection().FailureText() +
                             " Nothing was printed.";
            return Finish(report, line.json);
        }
    }
    report.plan = tools::MakePrintPlan(*found, sources, line.force);
    for (const std::string& warning : report.plan->warnings)
        Say(warning);
    if (!report.plan->problem.empty()) {
        report.failure = which + " cannot be printed as it says: " + report.plan->problem +
                         ". Nothing was printed.";
        return Finish(report, line.json);
    }

    // Every document is read before the job is made; a dry run leaves
    // standard input alone.
    tools::DocumentSpool spool;
    std::vector<std::string> spooled; // each document for people, as the spool holds them
    for (const std::string& file :
         line.files.empty() ? std::vector<std::string>{"-"} : line.files) {
        if (line.dryRun && file == "-")
            continue;
        if (!spool.Add(file)) {
            report.failure = spool.Error() + "; nothing was printed";
            return Finish(report, line.json);
        }
        spooled.push_back(file == "-" ? "standard input" : tools::QuotedText(file));
    }
    // Each document goes with the type its first bytes tell, when the
    // printer takes that type: bytes the scheduler would have to guess at
    // may "complete" as a job that prints nothing.
    const std::vector<std::string> formats =
        service.DocumentFormats(found->printer).value_or(tools::CommonDocumentFormats());
    for (std::size_t i = 0; i < spool.Documents().size(); ++i) {
        const tools::FormatChoice choice =
            tools::ChooseFormat(spooled[i], spool.LeadingBytes()[i], formats, found->printer);
        if (!choice.format) {
            report.failure = choice.problem + "; nothing was printed";
            return Finish(report, line.json);
        }
        spool.SetFormat(i, *choice.format);
    }
    if (line.dryRun) {
        report.result = "dry-run";
        return Finish(report, line.json);
    }
    if (cups == nullptr) {
        report.failure = "simulated printers (" +
                         std::string(platform::kSimulatedPrintersVariable) +
                         ") cannot print; --dry-run shows what would be sent";
        return Finish(report, line.json);
    }

    const std::string title = found->name + " (" + report.documents.front() + ")";
    const platform::CupsJobOutcome outcome =
        platform::PrintJob(cups->SchedulerConnection(), found->printer, title,
                           *report.plan->jobOptions, spool.Documents());
    report.printer = found->printer;
    report.jobId = outcome.jobId;
    report.failure = outcome.failure;
    switch (outcome.result) {
    case platform::CupsJobOutcome::Result::Printing:
        report.result = "printed";
        break;
    case platform::CupsJobOutcome::Result::Unsure:
        report.result = "unsure";
        break;
    case platform::CupsJobOutcome::Result::NotPrinted:
        break;
    }
    return Finish(report, line.json);
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    tools::PrintCommandLine line = tools::ParsePrintCommandLine(arguments);
    // The name is text, typed in the locale's encoding; file names stay bytes.
    line.name = platform::FromArgumentText(line.name);
    if (line.help) {
        tools::WriteOutput(tools::PrintUsage());
        return 0;
    }
    if (line.version) {
        tools::WriteOutput(tools::VersionLine(kProgram));
        return 0;
    }
    if (!line.error.empty()) {
        tools::WriteError(tools::WrongCommandLineText(kProgram, line.error));
        return 2;
    }
    return Print(line);
}
