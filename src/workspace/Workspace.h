// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "platform/printing/PrintingService.h"
#include "printers/InstalledPrinters.h"
#include "setup/PathResolution.h"

#include <functional>
#include <memory>
#include <thread>

namespace kevo::messages {
class Prompter;
}

namespace kevo::workspace {

// What one run of the program, or of one of its commands, works with: the
// printing service, the installed printers as the run sees them, and the
// folders where the program's files are looked for. Made once, at start-up;
// everything else is given these.
class Workspace {
public:
    Workspace(std::unique_ptr<platform::PrintingService> service, setup::PathContext paths);

    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    platform::PrintingService& Service() { return *service_; }
    printers::InstalledPrinters& Printers() { return printers_; }
    const setup::PathContext& Paths() const { return paths_; }

    // Start-up's question for the default printer where there is no print
    // setup dialog to ask it: the default printer with its details and bins,
    // as the dialog's creation asks, under the same rule
    // (printers::OpenPrinters).
    printers::PrintersOpened OpenPrinters(messages::Prompter& prompter);

private:
    std::unique_ptr<platform::PrintingService> service_;
    printers::InstalledPrinters printers_;
    setup::PathContext paths_;
};

// A printing service made on a thread of its own, which then asks it for
// the default printer: the printers are read and the scheduler answers
// while start-up shows its splash window and makes its windows, and the
// service keeps the answer for start-up's own question. Every question
// waits for the thread first; a service that the thread could not make (no
// thread to be had, or a failure there) is made by the first question.
class ServiceMadeMeanwhile final : public platform::PrintingService {
public:
    using Maker = std::function<std::unique_ptr<platform::PrintingService>()>;

    explicit ServiceMadeMeanwhile(Maker make);
    ~ServiceMadeMeanwhile() override;

    ServiceMadeMeanwhile(const ServiceMadeMeanwhile&) = delete;
    ServiceMadeMeanwhile& operator=(const ServiceMadeMeanwhile&) = delete;

    std::vector<platform::PrinterEntry> EnumPrinters() override;
    platform::PrinterLookup LookUpPrinter(const std::string& name) override;
    platform::DefaultPrinterAnswer DefaultPrinter() override;
    platform::WindowsDevice ProfileWindowsDevice() override;
    platform::DevicesValue ProfileDevicesValue(const std::string& printer) override;
    int BinCount(platform::BinKind kind, const std::string& device,
                 const std::string& port) override;
    int BinData(const std::string& device, const std::string& port,
                platform::BinFields& out) override;
    std::optional<platform::QueueSources> PaperSources(const std::string& printer) override;
    std::optional<std::vector<std::string>> DocumentFormats(const std::string& printer) override;
    bool PortsAreDeviceUris() override;
    void Prefetch(const std::vector<std::string>& printers) override;
    void ForgetFailures() override;
    void ForgetAnswers() override;

private:
    platform::PrintingService& Made();

    Maker make_;
    std::unique_ptr<platform::PrintingService> service_;
    std::thread making_;
};

// The workspace of a run on this machine: the printing service the program
// uses (platform::MakePrintingService: the machine's printers, or the
// simulated ones that KEVOCONF_SIMULATED_PRINTERS names) and this machine's
// folders (setup::ThisMachinePaths; withSamples for the program itself).
Workspace ThisMachine(bool withSamples);
// The same with the printing service made meanwhile (ServiceMadeMeanwhile).
Workspace ThisMachineMeanwhile(bool withSamples);

} // namespace kevo::workspace
