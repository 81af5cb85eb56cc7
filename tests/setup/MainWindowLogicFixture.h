// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "ScratchFolder.h"
#include "SetupSection.h"
#include "WindowlessProgram.h"
#include "setup/Messages.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kevo::setup::fixture {

namespace fs = std::filesystem;
using messages::MessageButton;
using messages::MessageType;
using test::SetupSection;

inline constexpr const char* kPrinters = R"(default Office Laser
printer Office Laser
devices winspool,Ne00:
bin 1 Upper tray
bin 2 Lower tray
printer Plotter
devices HP Plot,LPT1:
bin 7 Auto
bin 15 Manual
printer Label Writer
devices Dymo,USB001
bin 4 Roll
printer Twin
devices Twin Driver,COM1:
bin 1 Tray
bin 2 Tray
bin 3 Other
printer Broken
devices Broken Driver,COM2:
bin 1 Upper
names-data fail
printer Mute
devices Mute Driver,COM3:
bin 1 Upper
names-count fail
numbers-count fail
)";

// The program's logic on simulated printers, put together as the program
// puts it together (tests/support/WindowlessProgram.h), with the scripted
// print setup dialog and a scratch folder.
class MainWindowLogicTest : public ::testing::Test {
protected:
    explicit MainWindowLogicTest(const char* printers = kPrinters)
        : program_(test::SimulatedPrinters(printers)) {}

    void SetUp() override {
        program_.CreatePrintSetup();
    }

    std::string Path(const std::string& name) const { return folder_ / name; }
    void Write(const std::string& name, const std::string& text) const {
        folder_.Write(name, text);
    }
    std::string Read(const std::string& name) const { return test::ReadBytes(folder_ / name); }

    // Start-up as the program runs it: creation, the check unless
    // terminating, the run-mode decision.
    void StartUp(std::vector<std::string> arguments) {
        PathContext context = test::TestPaths(folder_ / "bin", folder_ / "config");
        context.samplesFolder = folder_ / "samples";
        context.directoryExists = [](const std::string& path) { return fs::is_directory(path); };
        if (adjustContext_)
            adjustContext_(context);
        program_.StartUp(arguments, context);
    }
    std::vector<std::string> Args(const std::string& mode) {
        return {mode, Path("names.txt"), Path("setup.ini")};
    }
    const std::string& Errors(int line) { return program_.Errors(line); }

    test::WindowlessProgram program_;
    WindowlessUi& ui_ = program_.ui;
    printsetup::PrinterCatalogue& catalogue_ = program_.catalogue;
    test::ScriptedPrompter& prompter_ = program_.prompter;
    test::FakePrintSetupDialog& dialog_ = program_.dialog;
    MainWindowLogic& form_ = program_.form;
    test::ScratchFolder folder_{"kevo-form-"};
    // Changes the paths' context before start-up (a Windows one, say).
    std::function<void(PathContext&)> adjustContext_;
};

inline const std::string kGoodSetup =
    SetupSection(1, "Invoices", "Office Laser", "Ne00:", "winspool", "Upper tray", "1",
                 "Lower tray", "2") +
    SetupSection(2, "Orders", "Plotter", "LPT1:", "HP Plot", "Auto", "7", "Auto", "7");
inline const std::string kBadSetup =
    SetupSection(1, "Invoices", "Office Laser", "Ne00:", "winspool", "Upper tray", "1",
                 "Lower tray", "2") +
    SetupSection(2, "Orders", "Gone Printer", "LPT1:", "HP Plot", "Auto", "7", "Auto", "7");

} // namespace kevo::setup::fixture
