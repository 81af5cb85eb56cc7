// SPDX-License-Identifier: Apache-2.0
#include "WindowlessProgram.h"

#include "platform/PrintingServiceFactory.h"
#include "platform/printing/SimulatedPrintingService.h"
#include "setup/ConfigTable.h"

#include <exception>
#include <utility>

namespace kevo::test {

namespace fs = std::filesystem;

std::unique_ptr<platform::PrintingService> SimulatedPrinters(const std::string& text) {
    return std::make_unique<platform::SimulatedPrintingService>(
        platform::SimulatedPrintingService::FromText(text));
}

setup::PathContext TestPaths(const std::string& executableFolder,
                             const std::string& setupFileFolder) {
    setup::PathContext context;
    context.style = setup::PathStyle::Posix;
    context.executableDirectory = executableFolder + "/";
    context.setupFileFolder = setupFileFolder;
    context.fileExists = [](const std::string& path) { return fs::is_regular_file(path); };
    return context;
}

bool FakePrintSetupDialog::ShowModal() {
    form_.FormShow();
    captions.push_back(form_.Caption());
    if (steps.empty())
        return false;
    auto step = std::move(steps.front());
    steps.erase(steps.begin());
    return step(form_);
}

WindowlessProgram::WindowlessProgram(std::unique_ptr<platform::PrintingService> printing)
    : workspace(printing ? std::move(printing) : platform::MakePrintingService(nullptr), {}),
      catalogue(workspace.Printers()), dialog(catalogue),
      form_(std::make_unique<setup::MainWindowLogic>(workspace.Printers(), prompter, ui)),
      form(*form_) {
    ui.currentLine = 1;
    ui.selection = {1, 1};
    prompter.CloseAtOnceWhen(ui.terminationRequested);
    form.SetPrintSetupDialog(&dialog);
}

WindowlessProgram::~WindowlessProgram() = default;

void WindowlessProgram::CreatePrintSetup() {
    printers::OpenPrinters(prompter, [this] { catalogue.FormCreate(); });
}

void WindowlessProgram::StartUp(const std::vector<std::string>& arguments,
                                const setup::PathContext& context) {
    form.StartUp(arguments, context);
}

void WindowlessProgram::StartUp(const std::string& mode, const ProgramFiles& files) {
    CreatePrintSetup();
    StartUp({mode, files.names.string(), files.setup.string()},
            TestPaths((files.configFolder / "bin").string(), files.configFolder.string()));
}

const std::string& WindowlessProgram::Errors(int line) const {
    return form.Table().Cell(setup::ColErrors, line);
}

void WindowlessProgram::Recheck() {
    form.btnRecheckClick();
}

void WindowlessProgram::Reload() {
    prompter.AnswerNext(messages::MessageButton::OK);
    form.mnuFileReloadDetailsClick();
}

} // namespace kevo::test
