// SPDX-License-Identifier: Apache-2.0
#include "check/HeadlessCheck.h"

#include "common/PrintRule.h"
#include "common/TextQuoting.h"
#include "setup/ConfigTable.h"
#include "setup/MainWindowLogic.h"
#include "setup/SetupFile.h"
#include "setup/SetupLine.h"
#include "setup/WindowlessUi.h"
#include "messages/ErrorReport.h"
#include "platform/text/TextCoding.h"
#include "printers/InstalledPrinters.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

namespace kevo::tools {

namespace {

// A bare file name is looked for in fixed folders, never in the current one,
// which a user of a shell may not expect: when it is not found there but a
// file of that name is here, say so.
void AddHint(const std::string& given, const std::string& resolved,
             const setup::PathContext& context, std::vector<std::string>& hints) {
    const char separator = setup::PathSeparator(context.style);
    if (given.empty() || given.find(separator) != std::string::npos ||
        context.fileExists(resolved) || !context.fileExists(given))
        return;
    hints.push_back("\"" + given + "\" was looked for as " + resolved +
                    ", which does not exist; a file of that name is in the current folder: "
                    "give \"." +
                    separator + given + "\" to use it");
}

} // namespace

int ExitStatus(const CheckResult& result) {
    switch (result.outcome) {
    case CheckResult::Outcome::Clean:
        return 0;
    case CheckResult::Outcome::Errors:
        return 1;
    case CheckResult::Outcome::Failed:
        break;
    }
    return 2;
}

CheckResult RunCheck(const std::vector<std::string>& files, workspace::Workspace& workspace) {
    CheckResult result;
    QuietPrompter prompter;
    setup::WindowlessUi ui;
    ui.onTermination = [&prompter] { prompter.EndMessages(); };

    // What the print setup dialog's creation asks. Without a default
    // printer the check goes on, as the program does, with no printers.
    if (workspace.OpenPrinters(prompter) == printers::PrintersOpened::Failed)
        result.failure = "the printers could not be listed";
    const setup::PathContext& context = workspace.Paths();

    // The main window's creation, as "kevoconf 0 [NAMES-FILE [SETUP-FILE]]"
    // would run it. No print setup dialog is given to it, so no line can be
    // edited, and nothing here saves: only the run-mode decision, the
    // commands and the close query write the setup file.
    setup::MainWindowLogic form(workspace.Printers(), prompter, ui);
    std::vector<std::string> arguments{"0"};
    arguments.insert(arguments.end(), files.begin(), files.end());
    const std::size_t reportsBefore = prompter.ErrorReportCount();
    const auto checkWanted = [&] {
        result.namesFile = form.NamesFileName();
        result.setupFile = form.SetupFileName();
        if (!files.empty())
            AddHint(files[0], result.namesFile, context, result.hints);
        if (files.size() > 1)
            AddHint(files[1], result.setupFile, context, result.hints);
        // The warnings the program shows once at start-up (a mark at the
        // start of the setup file that a Windows host does not understand, a
        // KEVOCONF_CODEPAGE it ignores, a per-user copy of the setup file
        // that Windows gives some hosts) change no result: here they are
        // advice, not messages. A setup file that cannot be read is the
        // run's failure, below, and not a hint as well.
        const std::string unreadable =
            form.SetupFileReadProblem().empty()
                ? std::string()
                : setup::UnreadableSetupFileWarning(result.setupFile, form.SetupFileReadProblem());
        for (const std::string& warning : form.StartupWarnings()) {
            if (warning != unreadable)
                result.hints.push_back(warning);
        }
        for (int line = setup::kFirstLine; line <= setup::kLastLine; ++line) {
            if (!form.Table().Cell(setup::ColLineNumber, line).empty())
                ++result.namesFileLines;
        }
        if (result.failure.empty() &&
            (form.RunMode() == -1 || prompter.ErrorReportCount() != reportsBefore))
            result.failure = "the names file could not be loaded";
        if (result.failure.empty()) {
            const std::string problem = setup::SetupFileReadProblem(result.setupFile);
            if (!problem.empty())
                result.failure =
                    "the setup file cannot be read: " + result.setupFile + ": " + problem;
        }
        return result.failure.empty();
    };
    // Run mode 0 decides nothing at start-up.
    form.StartUp(arguments, context, checkWanted);
    if (result.failure.empty() && form.StartupCheckFailed())
        result.failure = "a printer failed while the lines were checked";

    result.notices = prompter.Notices();
    for (const std::string& warning : form.StartupWarnings()) {
        const auto shown =
            std::find_if(result.notices.begin(), result.notices.end(), [&](const Notice& notice) {
                return notice.type == messages::MessageType::Warning && notice.text == warning;
            });
        if (shown != result.notices.end())
            result.notices.erase(shown);
    }
    if (!result.failure.empty()) {
        result.outcome = CheckResult::Outcome::Failed;
        return result;
    }
    for (int number = setup::kFirstLine; number <= setup::kLastLine; ++number) {
        setup::SetupLine line = form.Table().Line(number);
        if (line.HasErrors())
            result.lines.push_back(line);
        if (line.IsNamed())
            result.namedLines.push_back(std::move(line));
    }
    result.outcome =
        result.lines.empty() ? CheckResult::Outcome::Clean : CheckResult::Outcome::Errors;
    return result;
}

void AddUnprintableLines(CheckResult& result, platform::PrintingService& service) {
    if (result.outcome == CheckResult::Outcome::Failed)
        return;
    // Asked once per printer.
    std::map<std::string, std::optional<platform::QueueSources>> sources;
    for (const SetupLine& line : result.namedLines) {
        if (line.HasErrors())
            continue;
        auto known = sources.find(line.printer);
        if (known == sources.end())
            known = sources.emplace(line.printer, service.PaperSources(line.printer)).first;
        if (!known->second)
            continue;
        const PrintPlan plan = MakePrintPlan(line, known->second, false);
        if (plan.problem.empty())
            continue;
        result.unprintable.push_back({line.line, line.name, plan.problem});
        result.hints.push_back("line " + std::to_string(line.line) + " " + QuotedText(line.name) +
                               " is not in error, but kevoconf-print cannot print it as it "
                               "says: " +
                               plan.problem);
    }
}

} // namespace kevo::tools
