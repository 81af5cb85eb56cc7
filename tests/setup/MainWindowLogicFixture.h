// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "ScratchFolder.h"
#include "ScriptedPrompter.h"
#include "SetupSection.h"
#include "setup/MainWindowLogic.h"
#include "setup/Messages.h"
#include "setup/WindowlessUi.h"
#include "platform/printing/SimulatedPrintingService.h"
#include "printsetup/PrintSetupLogic.h"
#include "printsetup/PrinterCatalogue.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kevo::mainwindow::fixture {

namespace fs = std::filesystem;
using messages::MessageButton;
using messages::MessageType;
using test::SetupSection;

// Once termination has been requested, every message closes at once with
// Cancel, unseen by the user; the others are answered from the script.
class TerminatingPrompter : public messages::Prompter {
public:
    explicit TerminatingPrompter(const WindowlessUi& ui) : ui_(ui) {}
    MessageButton ShowMessage(const std::string& text, MessageType type,
                              messages::MessageButtons buttons) override {
        if (ui_.terminationRequested) {
            closedAtOnce.push_back(text);
            return MessageButton::Cancel;
        }
        return script.ShowMessage(text, type, buttons);
    }
    void ShowErrorReport(const std::string& errorText) override {
        script.ShowErrorReport(errorText);
    }

    std::vector<std::string> Seen() const {
        std::vector<std::string> texts;
        for (const auto& shown : script.Messages())
            texts.push_back(shown.text);
        return texts;
    }

    test::ScriptedPrompter script;
    std::vector<std::string> closedAtOnce;

private:
    const WindowlessUi& ui_;
};

// The print setup dialog without a window: each showing is answered by the
// next scripted step, which may pick printers and bins as a user would and
// says OK (true) or Cancel (false). Without a step left it answers Cancel.
class FakePrintSetupDialog : public printsetup::PrintSetupDialog {
public:
    explicit FakePrintSetupDialog(printsetup::PrinterCatalogue& catalogue) : form_(catalogue) {}
    printsetup::PrintSetupLogic& Logic() override { return form_; }
    bool ShowModal() override {
        form_.FormShow();
        captions.push_back(form_.Caption());
        if (steps.empty())
            return false;
        auto step = std::move(steps.front());
        steps.erase(steps.begin());
        return step(form_);
    }
    std::vector<std::function<bool(printsetup::PrintSetupLogic&)>> steps;
    std::vector<std::string> captions;

private:
    printsetup::PrintSetupLogic form_;
};

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

class MainWindowLogicTest : public ::testing::Test {
protected:
    explicit MainWindowLogicTest(const char* printers = kPrinters)
        : service_(platform::SimulatedPrintingService::FromText(printers)), catalogue_(service_),
          prompter_(ui_), dialog_(catalogue_), form_(catalogue_, prompter_, ui_) {}

    void SetUp() override {
        // The grid's focus cell and selection on line 1, as the window has
        // them after creation.
        ui_.currentLine = 1;
        ui_.selection = {1, 1};
        catalogue_.FormCreate();
        form_.SetPrintSetupDialog(&dialog_);
    }

    std::string Path(const std::string& name) const { return folder_ / name; }
    void Write(const std::string& name, const std::string& text) const {
        folder_.Write(name, text);
    }
    std::string Read(const std::string& name) const { return test::ReadBytes(folder_ / name); }

    // Start-up as the program runs it: creation, the check unless
    // terminating, the run-mode decision.
    void StartUp(std::vector<std::string> arguments) {
        PathContext context;
        context.style = PathStyle::Posix;
        context.executableDirectory = folder_ / "bin/";
        context.setupFileFolder = folder_ / "config";
        context.fileExists = [](const std::string& path) { return fs::is_regular_file(path); };
        context.samplesFolder = folder_ / "samples";
        context.directoryExists = [](const std::string& path) { return fs::is_directory(path); };
        if (adjustContext_)
            adjustContext_(context);
        form_.StartUp(arguments, context);
    }
    std::vector<std::string> Args(const std::string& mode) {
        return {mode, Path("names.txt"), Path("setup.ini")};
    }
    const std::string& Errors(int line) { return form_.Table().Cell(ColErrors, line); }

    WindowlessUi ui_;
    platform::SimulatedPrintingService service_;
    printsetup::PrinterCatalogue catalogue_;
    TerminatingPrompter prompter_;
    FakePrintSetupDialog dialog_;
    MainWindowLogic form_;
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

} // namespace kevo::mainwindow::fixture
