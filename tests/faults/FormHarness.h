// SPDX-License-Identifier: Apache-2.0
#pragma once

// The program's window-free logic put together as the program puts it
// together (printer catalogue, main window logic, a scripted user), for the
// fault and hostile-input tests, which give it a scratch folder of their own.

#include "MainWindowLogicFixture.h"
#include "ScratchFolder.h"

#include "setup/ConfigTable.h"
#include "setup/MainWindowLogic.h"
#include "platform/printing/SimulatedPrintingService.h"
#include "printsetup/PrinterCatalogue.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kevo::faults {

namespace fs = std::filesystem;

using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;

// The program's logic on a printing service described by a simulated
// printers text (see src/platform/printing/SIMULATED.md).
class Program {
public:
    explicit Program(const std::string& printers)
        : service(platform::SimulatedPrintingService::FromText(printers)), catalogue(service),
          prompter(ui), dialog(catalogue), form(catalogue, prompter, ui) {
        ui.currentLine = 1;
        ui.selection = {1, 1};
        catalogue.FormCreate();
        form.SetPrintSetupDialog(&dialog);
    }

    // Start-up as the program runs it: creation, the check unless the run is
    // terminating, the run-mode decision. windowsDir stands in for the
    // Windows directory (the configuration folder).
    void StartUp(const std::vector<std::string>& arguments, const std::string& windowsDir) {
        mainwindow::PathContext context;
        context.style = mainwindow::PathStyle::Posix;
        context.executableDirectory = windowsDir + "/bin/";
        context.setupFileFolder = windowsDir;
        context.fileExists = [](const std::string& path) { return fs::is_regular_file(path); };
        form.StartUp(arguments, context);
    }

    mainwindow::ConfigTable& Table() { return form.Table(); }
    const std::vector<std::string>& ErrorReports() const { return prompter.script.ErrorReports(); }

    mainwindow::WindowlessUi ui;
    platform::SimulatedPrintingService service;
    printsetup::PrinterCatalogue catalogue;
    mainwindow::fixture::TerminatingPrompter prompter;
    mainwindow::fixture::FakePrintSetupDialog dialog;
    mainwindow::MainWindowLogic form;
};

} // namespace kevo::faults
