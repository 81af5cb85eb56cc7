// SPDX-License-Identifier: Apache-2.0
#include "InProcessProgram.h"

#include "messages/ErrorReport.h"
#include "setup/ConfigTable.h"
#include "platform/PrintingServiceFactory.h"

#include <utility>

namespace kevo::faults {

messages::MessageAnswer RecordingPrompter::ShowMessage(const std::string& text, messages::MessageType type,
                                                   messages::MessageButtons buttons) {
    // A message opened after the termination request closes at once, unseen.
    if (ui_.terminationRequested)
        return messages::MessageButton::Cancel;
    shown_.push_back("message: " + text);
    return script_.ShowMessage(text, type, buttons);
}

void RecordingPrompter::ShowErrorReport(const std::string& errorText) {
    shown_.push_back("report: " + messages::StandardErrorText(errorText));
    script_.ShowErrorReport(errorText);
}

InProcessProgram::InProcessProgram(std::unique_ptr<platform::PrintingService> service)
    : service_(service ? std::move(service) : platform::MakePrintingService(nullptr)),
      catalogue_(*service_), prompter_(ui_),
      form_(std::make_unique<mainwindow::MainWindowLogic>(catalogue_, prompter_, ui_)) {
    ui_.currentLine = 1;
    ui_.selection = {1, 1};
}

InProcessProgram::~InProcessProgram() = default;

void InProcessProgram::StartUp(const std::string& mode, const ProgramFiles& files) {
    // The print setup dialog's creation: a catalogue failure is shown in the
    // standard error report and start-up goes on.
    try {
        catalogue_.FormCreate();
    } catch (const std::exception& error) {
        prompter_.ShowErrorReport(error.what());
    }

    mainwindow::PathContext context;
    context.style = mainwindow::PathStyle::Posix;
    context.executableDirectory = (files.configFolder / "bin").string() + "/";
    context.setupFileFolder = files.configFolder.string();
    context.fileExists = [](const std::string& path) {
        return std::filesystem::is_regular_file(path);
    };
    form_->StartUp({mode, files.names.string(), files.setup.string()}, context);
}

const std::string& InProcessProgram::Errors(int line) const {
    return form_->Table().Cell(mainwindow::ColErrors, line);
}

void InProcessProgram::Recheck() {
    form_->btnRecheckClick();
}

void InProcessProgram::Reload() {
    prompter_.AnswerNext(messages::MessageButton::OK);
    form_->mnuFileReloadDetailsClick();
}

ActionBeforeBins::ActionBeforeBins(std::unique_ptr<platform::PrintingService> inner,
                                   std::string printer, std::function<void()> action)
    : inner_(std::move(inner)), printer_(std::move(printer)), action_(std::move(action)) {}

void ActionBeforeBins::Before(const std::string& device) {
    if (action_ && device == printer_) {
        auto action = std::move(action_);
        action_ = nullptr;
        action();
    }
}

std::vector<platform::PrinterEntry> ActionBeforeBins::EnumPrinters() {
    return inner_->EnumPrinters();
}

platform::PrinterLookup ActionBeforeBins::LookUpPrinter(const std::string& name) {
    return inner_->LookUpPrinter(name);
}

platform::DefaultPrinterAnswer ActionBeforeBins::DefaultPrinter() {
    return inner_->DefaultPrinter();
}

std::string ActionBeforeBins::ProfileWindowsDevice() {
    return inner_->ProfileWindowsDevice();
}

std::string ActionBeforeBins::ProfileDevicesValue(const std::string& printer) {
    return inner_->ProfileDevicesValue(printer);
}

int ActionBeforeBins::BinCount(platform::BinKind kind, const std::string& device,
                               const std::string& port) {
    Before(device);
    return inner_->BinCount(kind, device, port);
}

int ActionBeforeBins::BinData(const std::string& device, const std::string& port,
                              platform::BinFields& out) {
    Before(device);
    return inner_->BinData(device, port, out);
}

void ActionBeforeBins::Prefetch(const std::vector<std::string>& printers) {
    for (const std::string& printer : printers)
        Before(printer);
    inner_->Prefetch(printers);
}

std::chrono::milliseconds Timed(const std::function<void()>& action) {
    const auto start = Clock::now();
    action();
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

} // namespace kevo::faults
