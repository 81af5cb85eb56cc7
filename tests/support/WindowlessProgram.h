// SPDX-License-Identifier: Apache-2.0
#pragma once

// KevoConf's start-up and commands run inside the test's process, without
// windows: the one place a test puts the program together. A printing
// service, the printer catalogue of the print setup dialog and the main
// window's logic, with the windows and the user stood in for (WindowlessUi,
// a ScriptedPrompter that closes every message at once after the
// termination request, as the program does, and a scripted print setup
// dialog), in the order in which the program puts them together.
//
// Library kevo_test_program (it needs the program's libraries).

#include "ScriptedPrompter.h"
#include "platform/printing/PrintingService.h"
#include "printers/InstalledPrinters.h"
#include "printsetup/PrintSetupLogic.h"
#include "printsetup/PrinterCatalogue.h"
#include "setup/MainWindowLogic.h"
#include "setup/PathResolution.h"
#include "setup/WindowlessUi.h"
#include "workspace/Workspace.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kevo::test {

// The printers of a simulated printers text (src/platform/printing/SIMULATED.md).
std::unique_ptr<platform::PrintingService> SimulatedPrinters(const std::string& text);

// The paths as a test gives them to the program: POSIX style, the
// executable in executableFolder, setupFileFolder standing in for the
// setup file's default folder (the Windows directory), files looked up on
// disk.
setup::PathContext TestPaths(const std::string& executableFolder,
                             const std::string& setupFileFolder);

// Where the program's files are: the names file and the setup file given on
// the command line, and the folder that stands in for the Windows directory
// (the executable in its bin/).
struct ProgramFiles {
    std::filesystem::path names;
    std::filesystem::path setup;
    std::filesystem::path configFolder;
};

// The print setup dialog without a window: each showing is answered by the
// next scripted step, which may pick printers and bins as a user would and
// says OK (true) or Cancel (false). Without a step left it answers Cancel.
class FakePrintSetupDialog : public printsetup::PrintSetupDialog {
public:
    explicit FakePrintSetupDialog(printsetup::PrinterCatalogue& catalogue) : form_(catalogue) {}
    printsetup::PrintSetupLogic& Logic() override { return form_; }
    bool ShowModal() override;

    std::vector<std::function<bool(printsetup::PrintSetupLogic&)>> steps;
    std::vector<std::string> captions;

private:
    printsetup::PrintSetupLogic form_;
};

class WindowlessProgram {
public:
    // On the printing service given; the program's own (the machine's
    // printers behind the caching decorator) when it is null. Lines are
    // edited through the scripted print setup dialog. The grid's focus cell
    // and selection are on line 1, as the window has them after its
    // creation.
    explicit WindowlessProgram(std::unique_ptr<platform::PrintingService> printing = nullptr);
    ~WindowlessProgram();

    WindowlessProgram(const WindowlessProgram&) = delete;
    WindowlessProgram& operator=(const WindowlessProgram&) = delete;

    // The print setup dialog's creation, which builds the catalogue: a
    // failure is shown in the standard error report and start-up goes on.
    void CreatePrintSetup();
    // The main window's start-up: creation (run mode, paths, names file,
    // setup file), the check unless the program is terminating, the
    // run-mode decision.
    void StartUp(const std::vector<std::string>& arguments, const setup::PathContext& context);
    // Start-up as the program runs it: CreatePrintSetup(), then StartUp in
    // the mode given on the files given.
    void StartUp(const std::string& mode, const ProgramFiles& files);

    setup::ConfigTable& Table() { return form.Table(); }
    const std::string& Errors(int line) const;
    // Recheck Printers, and Reload Details answered with OK.
    void Recheck();
    void Reload();

    // The service and the run's printers; the paths are each start-up's.
    workspace::Workspace workspace;
    printsetup::PrinterCatalogue catalogue;
    setup::WindowlessUi ui;
    ScriptedPrompter prompter;
    FakePrintSetupDialog dialog;

private:
    // On the heap: clang 14 crashes compiling a table on the stack in C++20.
    std::unique_ptr<setup::MainWindowLogic> form_;

public:
    setup::MainWindowLogic& form;
};

} // namespace kevo::test
