// SPDX-License-Identifier: Apache-2.0
#pragma once

// The program's window-free logic put together as the program puts it
// together (tests/support/WindowlessProgram.h), for the fault and
// hostile-input tests, which give it a scratch folder of their own, on the
// main window tests' printers (MainWindowLogicFixture.h).

#include "MainWindowLogicFixture.h"
#include "ScratchFolder.h"
#include "WindowlessProgram.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kevo::faults {

namespace fs = std::filesystem;

using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;

// The program's logic on a printing service described by a simulated
// printers text (see src/platform/printing/SIMULATED.md), its print setup
// dialog created and scripted.
class Program : public test::WindowlessProgram {
public:
    explicit Program(const std::string& printers)
        : WindowlessProgram(test::SimulatedPrinters(printers)) {
        CreatePrintSetup();
    }

    // Start-up as the program runs it; windowsDir stands in for the Windows
    // directory (the configuration folder).
    void StartUp(const std::vector<std::string>& arguments, const std::string& windowsDir) {
        WindowlessProgram::StartUp(arguments, test::TestPaths(windowsDir + "/bin", windowsDir));
    }

    const std::vector<std::string>& ErrorReports() const { return prompter.ErrorReports(); }
};

} // namespace kevo::faults
