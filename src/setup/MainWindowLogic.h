// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "printers/InstalledPrinters.h"
#include "setup/ConfigTable.h"
#include "setup/PathResolution.h"
#include "setup/SetupMerge.h"
#include "setup/TrayRepair.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kevo::messages {
class Prompter;
}
namespace kevo::printsetup {
class PrintSetupDialog;
} // namespace kevo::printsetup

namespace kevo::setup {

// What the main window's logic needs from the windows around it.
class MainWindowUi {
public:
    virtual ~MainWindowUi() = default;

    // The splash window, shown during start-up and while a full recheck runs.
    virtual void ShowSplash() = 0;
    virtual void HideSplash() = 0;
    // Brings the splash window in front of the host application's window
    // when that is in the foreground; called before every start-up message.
    virtual void BringSplashToFront() = 0;

    // Disables every visible and enabled top-level window of the program but
    // the splash window; EnableWindows enables exactly those again.
    virtual void DisableWindows() = 0;
    virtual void EnableWindows() = 0;

    virtual void RepaintGrid() = 0;

    // The grid's current line (the focus cell's), and the top and bottom
    // lines of its selection.
    virtual int CurrentLine() const = 0;
    virtual std::pair<int, int> SelectedLines() const = 0;
    virtual void SetWaitCursor(bool wait) = 0;

    // Posts a termination request: nothing stops at once, and from the
    // next message processing on every modal window closes with Cancel.
    virtual void RequestTermination() = 0;
    // Whether the run is ending: a request posted so far, the windows'
    // pending events processed first.
    virtual bool TerminationRequested() = 0;

    // Asks what a save does with the values that both the window and another
    // program changed: keep the window's, take the other program's, or
    // nothing (the save is cancelled).
    virtual std::optional<ConflictChoice>
    AskConflicts(const std::vector<SetupConflict>& conflicts) = 0;
    // Tells the user something without interrupting (a bar above the grid).
    virtual void ShowNotice(const std::string& text) = 0;
};

// The logic of the main window: the program-wide values, the configuration
// table, and the window's commands and events, free of any window system.
class MainWindowLogic {
public:
    // printers: the run's printers, which start-up (the print setup
    // dialog's creation) opens; they must outlive the logic.
    MainWindowLogic(printers::InstalledPrinters& printers, messages::Prompter& prompter,
                    MainWindowUi& ui);

    // The print setup dialog through which lines are edited. It learns the
    // printer that each check compared its last line with, also of a check
    // that ran before it was set.
    void SetPrintSetupDialog(printsetup::PrintSetupDialog* dialog);

    ConfigTable& Table() { return table_; }
    const ConfigTable& Table() const { return table_; }

    int RunMode() const { return runMode_; }
    const std::string& NamesFileName() const { return namesFileName_; }
    const std::string& SetupFileName() const { return setupFileName_; }
    // The setup file's default folder (the Windows directory on Windows).
    const std::string& WindowsDir() const { return windowsDir_; }

    // Main window creation: setup file folder, run mode, paths, table layout,
    // modified flag, names file, setup file. An error that escapes a step
    // ends creation and is shown in the standard error report.
    // context.setupFileFolder is the system's; style and executable folder
    // and the file test as PathContext says.
    void FormCreate(const std::vector<std::string>& arguments, const PathContext& context);

    // The program's start-up once the windows exist: FormCreate, the
    // start-up check unless the run is ending, and the run-mode decision.
    // checkWanted, when given, is asked once after FormCreate; false leaves
    // the check out.
    void StartUp(const std::vector<std::string>& arguments, const PathContext& context,
                 const std::function<bool()>& checkWanted = {});

    // The check that start-up runs after creation: CheckPrinterNames,
    // CheckTrays and ShowErrorCount. A printer's failure is shown in the
    // standard error report; the check then counts as having found errors.
    void StartupCheck();

    // The run-mode decision after the start-up check: saves a table that
    // start-up modified (modes 1 and 2), asks or reports, and requests
    // termination where the run ends.
    void RunModeDecision();

    // Loads the names file into the table. Missing, empty or unreadable:
    // message (the path, and the system's text for an unreadable one), run
    // mode -1, termination requested. Too many lines: message, the first 99
    // are kept.
    void LoadPrinterNames();

    // Loads the setup file; a missing file asks whether to configure all
    // printers now. True when the file was there (read, or unreadable and
    // so loaded as empty: SetupFileReadProblem says why).
    bool ReadIniData();
    // Writes the setup file merged with what another program wrote since
    // the window read it (SaveSetupFile); conflicts are asked about, but in
    // the start-up save of run modes 1 and 2, where the table wins. False
    // when the user cancelled at the conflicts: nothing was written.
    // ProfileWriteError when refused. The folder of the setup file is made
    // when missing. Refused (KevoError) when the names file was not read.
    bool WriteIniData();

    // The setup file as it reads now, looked at when it changed on disk or
    // the window was activated: the lines that another program changed and
    // the user has not edited take the file's values and are checked again;
    // edited lines keep the user's values until the save merges them. A
    // notice says which lines; a file that reads as this window last saw
    // it says nothing.
    void TakeOtherProgramsChanges(const SetupSnapshot& disk);

    void SetModified(bool value) { table_.SetModified(value); }
    void ShowErrorCount() { table_.ShowErrorCount(); }
    void CheckPrinterNames();
    void CheckTrays();

    // Line editing. EditPrinterLine edits one line through the print setup
    // dialog (PrintSetupDialog::Edit) and gives -1 when the user cancelled
    // it, 0 otherwise; a printer's failure while the dialog is prepared
    // raises its error with the line unchanged. EditAllPrinters walks every
    // named line and stops at the first Cancel or failure. ClearLines clears
    // the selected lines' printer details, asking before each named one.
    int EditPrinterLine(int line);
    void EditAllPrinters();
    void ClearLines();

    // Commands. Each shows an error that escapes it in the standard error
    // report and leaves done what it did before the error.
    void btnRecheckClick();
    void btnSaveIniClick();
    void mnuFileReloadDetailsClick();
    void StringGrid1DblClick();
    void mnuEditAllClick();
    void btnClearLineClick();
    // The tray repair after a driver change, or of printers that moved
    // (TrayRepair.h), of the table's lines against the printers as they are
    // now, without mapping files: a missing printer is found by its port or
    // its queue name alone.
    // Changes nothing; a printer failing on the way raises its error.
    TrayRepairPlan PlanTrayRepair();
    // Each repaired line of the plan takes its new driver and bins as an
    // accepted edit takes them (Errors emptied, the changed marker, the
    // modified flag), then the full recheck runs as Recheck runs it.
    // Nothing is saved.
    void ApplyTrayRepair(const TrayRepairPlan& plan);
    // The close query: may save, may refuse (false).
    bool FormCloseQuery();

    // Runs a command of the window's own; an error that escapes it is shown
    // in the standard error report.
    void RunCommand(const std::function<void()>& command);

    bool StartupCheckFailed() const { return startupCheckFailed_; }

    // The warnings found at creation, each shown once in run mode 0: a
    // KEVOCONF_CODEPAGE the program ignores, a setup file that is there but
    // cannot be read (also told after Reload Details), what a Windows host
    // will not see in the setup file because of the byte-order mark it
    // begins with, and a per-user copy of a setup file in the Windows
    // directory that Windows gives some host programs instead of the file.
    const std::vector<std::string>& StartupWarnings() const { return startupWarnings_; }

    // Why the setup file, there at the last loading, could not be read;
    // empty when it was read or missing.
    const std::string& SetupFileReadProblem() const { return setupReadProblem_; }

private:
    // The full recheck: stored names, printers, ports, drivers and bins.
    // askAgain: the printers are asked as they are now (a command of its
    // own); else the answers of the command it ends are used.
    void FullRecheck(bool askAgain = true);
    // The printers that the named lines give, for the printing service to
    // fetch ahead.
    std::vector<std::string> NamedPrinters() const;
    // CompareWithInstalledPrinters on a table; the print setup dialog learns
    // the printer it compared the last line with, also when it failed.
    void CompareWithPrinters(ConfigTable& table);
    // Checks the given lines alone, as the full recheck checks them, against
    // the names that the setup file stores for them.
    void RecheckLines(const std::vector<int>& lines, const SetupSnapshot& stored);
    // A line for the missing names file's message: where the sample files
    // are and where the names file goes; empty when there are no samples.
    std::string SamplesHint() const;
    std::string UnreadableWarning() const;
    std::string VirtualStoreWarning() const;
    template <typename Step> void Guarded(Step step);

    printers::InstalledPrinters& printers_;
    messages::Prompter& prompter_;
    MainWindowUi& ui_;
    printsetup::PrintSetupDialog* printSetup_ = nullptr;
    // The printer that a check compared its last line with while no print
    // setup dialog was set, for the dialog set next.
    std::optional<printers::CheckedPrinter> checkedForDialog_;

    ConfigTable table_;
    int runMode_ = 0;
    std::string namesFileName_ = kDefaultNamesFileName;
    std::string setupFileName_ = kDefaultSetupFileName;
    std::string windowsDir_;
    bool namesRead_ = false;
    bool startupCheckFailed_ = false;
    bool startupSaveFailed_ = false;
    bool startupDone_ = false; // the run-mode decision has been made
    std::vector<std::string> startupWarnings_;
    std::string setupReadProblem_;
    PathContext context_;
    // The setup file as this window last read or wrote it, and as it last
    // looked at it for another program's changes.
    SetupSnapshot base_;
    SetupSnapshot lastSeen_;
};

} // namespace kevo::setup
