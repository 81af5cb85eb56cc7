// SPDX-License-Identifier: Apache-2.0
#pragma once

// KevoConf's start-up and commands run inside this process, without windows:
// the printer catalogue of the print setup dialog and the main window's
// logic over a real printing service, put together in the order in which
// the program itself puts them together. Messages are answered from a
// script and recorded; once termination has been requested, every message
// closes at once with Cancel, as in the program.
//
// Shared by the printing-service fault tests and the benchmark suite.

#include "ScriptedPrompter.h"
#include "setup/MainWindowLogic.h"
#include "setup/WindowlessUi.h"
#include "platform/printing/PrintingService.h"
#include "printsetup/PrinterCatalogue.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kevo::faults {

// Every message and error report in the order shown, each as "message: "
// or "report: " followed by its text (the error report's with its full stop).
class RecordingPrompter : public messages::Prompter {
public:
    explicit RecordingPrompter(const mainwindow::WindowlessUi& ui) : ui_(ui) {}

    messages::MessageAnswer ShowMessage(const std::string& text, messages::MessageType type,
                                    messages::MessageButtons buttons) override;
    void ShowErrorReport(const std::string& errorText) override;

    // The next message is answered with this button.
    void AnswerNext(messages::MessageAnswer answer) { script_.AnswerNext(answer); }

    const std::vector<std::string>& Shown() const { return shown_; }
    const std::vector<std::string>& ErrorReports() const { return script_.ErrorReports(); }
    void Forget() { shown_.clear(); }

private:
    const mainwindow::WindowlessUi& ui_;
    test::ScriptedPrompter script_;
    std::vector<std::string> shown_;
};

// Where the program's files are: the names file and the setup file given on
// the command line, and the folder that stands in for the Windows directory.
struct ProgramFiles {
    std::filesystem::path names;
    std::filesystem::path setup;
    std::filesystem::path configFolder;
};

class InProcessProgram {
public:
    // The program's own printing service (the machine's CUPS scheduler
    // behind the caching decorator) when service is null.
    explicit InProcessProgram(std::unique_ptr<platform::PrintingService> service = nullptr);
    ~InProcessProgram();

    InProcessProgram(const InProcessProgram&) = delete;
    InProcessProgram& operator=(const InProcessProgram&) = delete;

    // Start-up as the program runs it: the print setup dialog's creation
    // builds the catalogue (a failure goes to the standard error report),
    // the main window's creation reads the run mode, the names file and the
    // setup file, then the start-up check unless the program is terminating,
    // then the run-mode decision.
    void StartUp(const std::string& mode, const ProgramFiles& files);

    mainwindow::MainWindowLogic& Logic() { return *form_; }
    printsetup::PrinterCatalogue& Catalogue() { return catalogue_; }
    RecordingPrompter& Prompter() { return prompter_; }
    mainwindow::WindowlessUi& Ui() { return ui_; }
    const std::string& Errors(int line) const;

    // Recheck Printers, and Reload Details answered with OK.
    void Recheck();
    void Reload();

private:
    std::unique_ptr<platform::PrintingService> service_;
    printsetup::PrinterCatalogue catalogue_;
    mainwindow::WindowlessUi ui_;
    RecordingPrompter prompter_;
    std::unique_ptr<mainwindow::MainWindowLogic> form_;
};

// A printing service that passes every question on, and runs an action
// once, just before the first bin query for one printer, or a prefetch that
// names it, reaches the service behind it (for instance: freeze the
// scheduler in the middle of a check).
class ActionBeforeBins : public platform::PrintingService {
public:
    ActionBeforeBins(std::unique_ptr<platform::PrintingService> inner, std::string printer,
                     std::function<void()> action);

    std::vector<platform::PrinterEntry> EnumPrinters() override;
    platform::PrinterLookup LookUpPrinter(const std::string& name) override;
    platform::DefaultPrinterAnswer DefaultPrinter() override;
    std::string ProfileWindowsDevice() override;
    std::string ProfileDevicesValue(const std::string& printer) override;
    int BinCount(platform::BinKind kind, const std::string& device,
                 const std::string& port) override;
    int BinData(const std::string& device, const std::string& port,
                platform::BinFields& out) override;
    void Prefetch(const std::vector<std::string>& printers) override;

    bool Done() const { return !action_; }

private:
    void Before(const std::string& device);

    std::unique_ptr<platform::PrintingService> inner_;
    std::string printer_;
    std::function<void()> action_;
};

using Clock = std::chrono::steady_clock;

// How long an action took.
std::chrono::milliseconds Timed(const std::function<void()>& action);

} // namespace kevo::faults
