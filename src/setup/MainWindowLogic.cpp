// SPDX-License-Identifier: Apache-2.0
#include "setup/MainWindowLogic.h"

#include "messages/ErrorReport.h"
#include "messages/Prompter.h"
#include "setup/ConsistencyCheck.h"
#include "setup/Messages.h"
#include "setup/NamesFile.h"
#include "setup/SetupFile.h"
#include "setup/SetupLine.h"
#include "platform/CommandLine.h"
#include "platform/SystemPaths.h"
#include "platform/profile/ProfileFile.h"
#include "platform/text/TextCoding.h"
#include "printsetup/PrintSetupLogic.h"

#include <cctype>
#include <memory>

namespace kevo::setup {

using messages::MessageButton;
using messages::MessageType;

namespace {

std::string ClearNamedLineWarning(const std::string& name) {
    return "You are about to clear a printer with a valid name. (" + name + ")\r\n" +
           "Clear the details for this printer?";
}

std::string MissingSetupFileQuestion(const std::string& path) {
    return "Printer configuration file does not exist.\r\n" + path + "\r\n\r\n" +
           "Configure all the printer details now?";
}

// A line as the print setup dialog takes it, and the edit that its answer
// makes of the line (AcceptedEdit).
printsetup::DialogLine DialogLineOf(const SetupLine& line) {
    return {line.line,   line.name,      line.printer,   line.port,
            line.driver, line.firstPage, line.otherPages};
}

SetupLine EditOf(const printsetup::DialogLine& edited) {
    SetupLine edit;
    edit.printer = edited.printer;
    edit.port = edited.port;
    edit.driver = edited.driver;
    edit.firstPage = edited.firstPage;
    edit.otherPages = edited.otherPages;
    return edit;
}

} // namespace

MainWindowLogic::MainWindowLogic(printers::InstalledPrinters& printers,
                                 messages::Prompter& prompter, MainWindowUi& ui)
    : printers_(printers), prompter_(prompter), ui_(ui) {}

void MainWindowLogic::SetPrintSetupDialog(printsetup::PrintSetupDialog* dialog) {
    printSetup_ = dialog;
    if (printSetup_ != nullptr && checkedForDialog_) {
        printSetup_->PrinterChecked(*checkedForDialog_);
        checkedForDialog_.reset();
    }
}

void MainWindowLogic::CompareWithPrinters(ConfigTable& table) {
    std::optional<printers::CheckedPrinter> last;
    const auto tell = [&] {
        if (!last)
            return;
        if (printSetup_ != nullptr)
            printSetup_->PrinterChecked(*last);
        else
            checkedForDialog_ = std::move(last);
    };
    try {
        setup::CompareWithInstalledPrinters(table, printers_, last);
    } catch (...) {
        tell();
        throw;
    }
    tell();
}

// Runs one handler; an error that escapes it ends it and is shown in the
// standard error report. What the handler did before the error stays done.
template <typename Step> void MainWindowLogic::Guarded(Step step) {
    try {
        step();
    } catch (const std::exception& error) {
        prompter_.ShowErrorReport(error.what());
    }
}

void MainWindowLogic::FormCreate(const std::vector<std::string>& arguments,
                                 const PathContext& context) {
    Guarded([&] {
        ui_.SetWaitCursor(true);
        context_ = context;
        windowsDir_ = context.setupFileFolder;
        const auto mode = platform::ParseRunMode(arguments);
        if (mode) {
            runMode_ = *mode;
        } else {
            ui_.BringSplashToFront();
            prompter_.ShowMessage(kInvalidModeMessage, MessageType::Error, MessageButton::OK);
            runMode_ = -1;
            ui_.RequestTermination();
        }
        const ResolvedPaths paths = ResolvePaths(arguments, context);
        namesFileName_ = paths.namesFileName;
        setupFileName_ = paths.setupFileName;
        table_.LayOut();
        SetModified(false);
        LoadPrinterNames();
        ReadIniData();
        startupWarnings_.clear();
        for (std::string warning : {platform::CodePageSettingProblem(), UnreadableWarning(),
                                    SetupFileMarkWarning(setupFileName_), VirtualStoreWarning()}) {
            if (!warning.empty())
                startupWarnings_.push_back(std::move(warning));
        }
        if (runMode_ == 0) {
            for (const std::string& warning : startupWarnings_) {
                ui_.BringSplashToFront();
                prompter_.ShowMessage(warning, MessageType::Warning, MessageButton::OK);
            }
        }
    });
}

void MainWindowLogic::LoadPrinterNames() {
    NamesFileResult result = ReadNamesFile(namesFileName_);
    using Outcome = NamesFileResult::Outcome;
    // A names file that could not be read ends the run like a missing one:
    // a table without its names must never be saved over the setup file.
    if (result.outcome != Outcome::ReadError)
        FillNameColumns(table_, result.names);
    namesRead_ = result.outcome == Outcome::Loaded || result.outcome == Outcome::TooMany;
    if (result.outcome == Outcome::Loaded)
        return;
    std::string message = NamesFileMessage(result.outcome, namesFileName_, result.errorText);
    // A person who starts the editor for the first time learns where to
    // begin; a host that starts a check gets the message as it always was.
    if (result.outcome == Outcome::Missing && runMode_ == 0) {
        if (const std::string hint = SamplesHint(); !hint.empty())
            message += "\r\n" + hint;
    }
    ui_.BringSplashToFront();
    prompter_.ShowMessage(message, MessageType::Error, MessageButton::OK);
    if (!namesRead_) {
        runMode_ = -1;
        ui_.RequestTermination();
    }
}

bool MainWindowLogic::ReadIniData() {
    setupReadProblem_.clear();
    const SetupLoad load = setup::LoadSetupFile(table_, setupFileName_, &base_, &setupReadProblem_);
    lastSeen_ = base_;
    if (load != SetupLoad::FileMissing)
        return true;
    ui_.BringSplashToFront();
    const auto answer =
        prompter_.ShowMessage(MissingSetupFileQuestion(setupFileName_), MessageType::Error,
                              MessageButton::Yes | MessageButton::No);
    if (answer == MessageButton::Yes)
        EditAllPrinters();
    return false;
}

bool MainWindowLogic::WriteIniData() {
    if (!namesRead_)
        throw messages::KevoError("The printer names were not read; the setup file " + setupFileName_ +
                              " is left as it is");
    // The user's configuration folder is made the first time a setup file
    // is written there.
    if (!windowsDir_.empty() && setupFileName_.rfind(windowsDir_ + "/", 0) == 0)
        platform::EnsureDirectory(windowsDir_);
    // Start-up in run modes 1 and 2 asks nothing: the table, read moments
    // before, wins.
    const bool quiet = runMode_ == 1 || runMode_ == 2;
    SaveReport report;
    try {
        report = setup::SaveSetupFile(
            table_, setupFileName_, base_,
            [&](const std::vector<SetupConflict>& conflicts) -> std::optional<ConflictChoice> {
                if (quiet && !startupDone_)
                    return ConflictChoice::KeepMine;
                return ui_.AskConflicts(conflicts);
            });
    } catch (const platform::ProfileWriteError& error) {
        const std::string advice = AdministratorOnlyAdvice(error, windowsDir_, context_.style);
        if (advice.empty())
            throw;
        // The save's own reason, when it gave one, comes first.
        throw platform::ProfileWriteError(
            error.Path(), error.SystemError(),
            error.Advice().empty() ? advice : error.Advice() + "\r\n" + advice);
    }
    if (report.cancelled)
        return false;
    lastSeen_ = base_;
    if (!report.linesFromDisk.empty()) {
        RecheckLines(report.linesFromDisk, base_);
        ShowErrorCount();
        ui_.RepaintGrid();
        ui_.ShowNotice("Saved together with another program's changes to the setup file: " +
                       LineList(report.linesFromDisk) + " took its values.");
    }
    if (report.writtenAnew)
        ui_.ShowNotice("Another program had deleted the setup file; it was written anew: " +
                       setupFileName_);
    return true;
}

void MainWindowLogic::RecheckLines(const std::vector<int>& lines, const SetupSnapshot& stored) {
    if (lines.empty())
        return;
    // The check works on a whole table: the lines are checked in a table of
    // their own, and only their Errors cells come back.
    // On the heap: clang 14 crashes compiling a table on the stack in C++20.
    const auto scratch = std::make_unique<ConfigTable>();
    std::array<std::string, 100> storedNames{};
    for (const int line : lines) {
        scratch->SetLine(table_.Line(line));
        storedNames[static_cast<std::size_t>(line)] =
            stored.lines[static_cast<std::size_t>(line)].values[0];
    }
    CompareStoredNames(*scratch, storedNames);
    setup::MarkMissingPrinters(*scratch, printers_);
    CompareWithPrinters(*scratch);
    for (const int line : lines)
        table_.SetCell(ColErrors, line, scratch->Cell(ColErrors, line));
}

void MainWindowLogic::TakeOtherProgramsChanges(const SetupSnapshot& disk) {
    if (disk == lastSeen_)
        return;
    lastSeen_ = disk;
    if (base_.exists && !disk.exists) {
        ui_.ShowNotice("The setup file was deleted by another program; Save Details writes it "
                       "anew: " + setupFileName_);
        return;
    }
    std::vector<int> reloaded;
    std::vector<int> kept;
    for (int line = kFirstLine; line <= kLastLine; ++line) {
        const auto at = static_cast<std::size_t>(line);
        if (disk.lines[at] == base_.lines[at])
            continue;
        if (table_.IsChanged(line)) {
            kept.push_back(line);
            continue;
        }
        const StoredLine& stored = disk.lines[at];
        for (int column = ColPrinter; column <= ColTray2No; ++column)
            table_.SetCell(column, line, stored.values[static_cast<std::size_t>(column - ColName)]);
        base_.lines[at] = stored;
        reloaded.push_back(line);
    }
    base_.exists = base_.exists || disk.exists;
    if (reloaded.empty() && kept.empty())
        return;
    Guarded([&] { RecheckLines(reloaded, disk); });
    ShowErrorCount();
    ui_.RepaintGrid();
    std::string notice = "The setup file was changed by another program: ";
    if (!reloaded.empty())
        notice += LineList(reloaded) + " reloaded.";
    if (!kept.empty()) {
        std::string keptText = LineList(kept) + (kept.size() == 1 ? " keeps" : " keep") +
                               " your unsaved changes; Save Details merges them.";
        if (!reloaded.empty())
            keptText[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(keptText[0])));
        notice += (reloaded.empty() ? "" : " ") + keptText;
    }
    ui_.ShowNotice(notice);
}

std::string MainWindowLogic::SamplesHint() const {
    const std::string& samples = context_.samplesFolder;
    if (samples.empty() || !context_.directoryExists || !context_.directoryExists(samples))
        return {};
    const std::string folder = FolderOf(namesFileName_, context_.style);
    const std::size_t separator = context_.style == PathStyle::Windows
                                      ? namesFileName_.find_last_of("\\/")
                                      : namesFileName_.rfind('/');
    const std::string name =
        separator == std::string::npos ? namesFileName_ : namesFileName_.substr(separator + 1);
    return "Sample files are in " + samples + "; put the names file " + name + " in " + folder +
           ".";
}

std::string MainWindowLogic::UnreadableWarning() const {
    if (setupReadProblem_.empty())
        return {};
    return UnreadableSetupFileWarning(setupFileName_, setupReadProblem_);
}

std::string MainWindowLogic::VirtualStoreWarning() const {
    if (context_.style != PathStyle::Windows || !context_.fileExists)
        return {};
    const std::string copy = VirtualStorePath(setupFileName_, windowsDir_, context_.localAppData);
    if (copy.empty() || !context_.fileExists(copy))
        return {};
    return "Windows keeps a copy of the setup file for you:\r\n" + copy +
           "\r\nA 32-bit host program without a manifest reads that copy instead of\r\n" +
           setupFileName_ + "\r\nKevoConf goes on with " + setupFileName_ + ".";
}

void MainWindowLogic::CheckPrinterNames() {
    setup::MarkMissingPrinters(table_, printers_);
}

void MainWindowLogic::CheckTrays() {
    CompareWithPrinters(table_);
    ui_.RepaintGrid();
}

void MainWindowLogic::StartUp(const std::vector<std::string>& arguments,
                              const PathContext& context,
                              const std::function<bool()>& checkWanted) {
    FormCreate(arguments, context);
    const bool wanted = !checkWanted || checkWanted();
    if (wanted && !ui_.TerminationRequested())
        StartupCheck();
    RunModeDecision();
}

void MainWindowLogic::StartupCheck() {
    try {
        // The printers that the check will select are known now: the
        // printing service may fetch their bins ahead, side by side.
        printers_.Prefetch(NamedPrinters());
        CheckPrinterNames();
        CheckTrays();
    } catch (const std::exception& error) {
        // The lines after the failing one were not checked, so the run must
        // not pass as free of errors.
        startupCheckFailed_ = true;
        ui_.BringSplashToFront();
        prompter_.ShowErrorReport(error.what());
    }
    ShowErrorCount();
}

void MainWindowLogic::RunModeDecision() {
    struct Done {
        bool& done;
        ~Done() { done = true; }
    } done{startupDone_};
    if ((runMode_ == 1 || runMode_ == 2) && table_.Modified()) {
        try {
            WriteIniData();
        } catch (const std::exception& error) {
            startupSaveFailed_ = true;
            ui_.BringSplashToFront();
            prompter_.ShowErrorReport(error.what());
        }
    }
    const bool errorsFound =
        !table_.Panel(kPanelErrors).empty() || startupCheckFailed_ || startupSaveFailed_;
    if (runMode_ == 1) {
        if (!errorsFound) {
            ui_.RequestTermination();
            return;
        }
        ui_.BringSplashToFront();
        const auto answer = prompter_.ShowMessage(kErrorsFixQuestion, MessageType::Error,
                                                  MessageButton::OK | MessageButton::Ignore);
        if (answer == MessageButton::Ignore)
            ui_.RequestTermination();
    } else if (runMode_ == 2) {
        if (errorsFound) {
            ui_.BringSplashToFront();
            prompter_.ShowMessage(kErrorsReport, MessageType::Error, MessageButton::OK);
        }
        ui_.RequestTermination();
    }
}

void MainWindowLogic::FullRecheck(bool askAgain) {
    ui_.DisableWindows();
    ui_.ShowSplash();
    struct Restore {
        MainWindowLogic& form;
        ~Restore() {
            // Also after a printer's failure the count shows what the
            // Errors cells now hold, and the windows come back, so the user
            // can go on once the error has been shown.
            form.ShowErrorCount();
            form.ui_.RepaintGrid();
            form.ui_.EnableWindows();
            form.ui_.HideSplash();
        }
    } restore{*this};
    if (askAgain)
        printers_.ForgetAnswers();
    else
        printers_.ForgetFailures();
    CompareStoredNames(table_, ReadStoredNames(setupFileName_));
    printers_.Prefetch(NamedPrinters());
    CheckPrinterNames();
    CheckTrays();
}

std::vector<std::string> MainWindowLogic::NamedPrinters() const {
    std::vector<std::string> printers;
    for (int line = kFirstLine; line <= kLastLine; ++line) {
        if (table_.IsNamedLine(line))
            printers.push_back(table_.Cell(ColPrinter, line));
    }
    return printers;
}

void MainWindowLogic::btnRecheckClick() {
    Guarded([&] { FullRecheck(); });
}

void MainWindowLogic::btnSaveIniClick() {
    Guarded([&] {
        // The lines that the save takes from the file are checked against
        // the printers as they are now, as the recheck after it is.
        printers_.ForgetAnswers();
        if (WriteIniData())
            FullRecheck(false);
    });
}

void MainWindowLogic::mnuFileReloadDetailsClick() {
    Guarded([&] {
        const auto answer = prompter_.ShowMessage(kReloadQuestion, MessageType::Warning,
                                                  MessageButton::OK | MessageButton::Cancel);
        if (answer == MessageButton::Cancel)
            return;
        // Edits stay marked as unsaved unless the file replaced them.
        if (ReadIniData())
            SetModified(false);
        if (const std::string warning = UnreadableWarning(); !warning.empty())
            prompter_.ShowMessage(warning, MessageType::Warning, MessageButton::OK);
        FullRecheck();
    });
}

TrayRepairPlan MainWindowLogic::PlanTrayRepair() {
    printers_.ForgetAnswers();
    std::vector<SetupLine> lines;
    for (int line = kFirstLine; line <= kLastLine; ++line)
        lines.push_back(table_.Line(line));
    return setup::PlanTrayRepair(lines, printers_.AllPrinters(), {});
}

void MainWindowLogic::ApplyTrayRepair(const TrayRepairPlan& plan) {
    for (const TrayRepairLine& entry : plan.lines) {
        if (!entry.repaired)
            continue;
        table_.SetLine(AcceptedEdit(table_.Line(entry.after.line), entry.after));
        SetModified(true);
    }
    // The plan asked the printers moments before, in the same command.
    FullRecheck(false);
}

bool MainWindowLogic::FormCloseQuery() {
    if (!table_.Modified())
        return true;
    const auto answer =
        prompter_.ShowMessage(kSaveQuestion, MessageType::Warning,
                              MessageButton::Yes | MessageButton::No | MessageButton::Cancel);
    if (answer == MessageButton::No)
        return true;
    if (answer != MessageButton::Yes)
        return false;
    bool saved = false;
    Guarded([&] { saved = WriteIniData(); });
    return saved;
}

int MainWindowLogic::EditPrinterLine(int line) {
    if (!table_.IsNamedLine(line)) {
        prompter_.ShowMessage(kUnnamedLineWarning, MessageType::Warning, MessageButton::OK);
        if (table_.HasErrors(line) &&
            prompter_.ShowMessage(kClearUnnamedQuestion, MessageType::Confirmation,
                                  MessageButton::Yes | MessageButton::No) == MessageButton::Yes)
            ClearLines();
        ShowErrorCount();
        return 0;
    }
    if (printSetup_ == nullptr)
        return -1;
    const std::optional<printsetup::DialogLine> edited =
        printSetup_->Edit(DialogLineOf(table_.Line(line)));
    if (!edited) {
        ShowErrorCount();
        return -1;
    }
    table_.SetLine(AcceptedEdit(table_.Line(line), EditOf(*edited)));
    SetModified(true);
    ui_.RepaintGrid();
    ShowErrorCount();
    return 0;
}

void MainWindowLogic::EditAllPrinters() {
    for (int line = kFirstLine; line <= kLastLine; ++line) {
        if (table_.IsNamedLine(line) && EditPrinterLine(line) == -1)
            return;
        SetModified(true);
    }
}

void MainWindowLogic::ClearLines() {
    const auto [top, bottom] = ui_.SelectedLines();
    for (int line = std::max(top, kFirstLine); line <= std::min(bottom, kLastLine); ++line) {
        if (table_.IsNamedLine(line) &&
            prompter_.ShowMessage(ClearNamedLineWarning(table_.Cell(ColName, line)),
                                  MessageType::Warning,
                                  MessageButton::Yes | MessageButton::Cancel) != MessageButton::Yes)
            continue;
        SetupLine cleared;
        table_.SetLine(AcceptedEdit(table_.Line(line), cleared));
        SetModified(true);
    }
    ShowErrorCount();
    ui_.RepaintGrid();
}

void MainWindowLogic::StringGrid1DblClick() {
    Guarded([&] {
        printers_.ForgetAnswers();
        EditPrinterLine(ui_.CurrentLine());
    });
}

void MainWindowLogic::mnuEditAllClick() {
    Guarded([&] {
        printers_.ForgetAnswers();
        EditAllPrinters();
    });
}

void MainWindowLogic::RunCommand(const std::function<void()>& command) {
    Guarded([&] { command(); });
}

void MainWindowLogic::btnClearLineClick() {
    Guarded([&] { ClearLines(); });
}

} // namespace kevo::setup
