// SPDX-License-Identifier: Apache-2.0
#include "workspace/Workspace.h"

#include "platform/PrintingServiceFactory.h"

#include <system_error>
#include <utility>

namespace kevo::workspace {

Workspace::Workspace(std::unique_ptr<platform::PrintingService> service, setup::PathContext paths)
    : service_(std::move(service)), printers_(*service_), paths_(std::move(paths)) {}

printers::PrintersOpened Workspace::OpenPrinters(messages::Prompter& prompter) {
    return printers::OpenPrinters(prompter, [this] { printers_.Load(printers_.FindDefault()); });
}

ServiceMadeMeanwhile::ServiceMadeMeanwhile(Maker make) : make_(std::move(make)) {
    try {
        making_ = std::thread([this] {
            try {
                service_ = make_();
                service_->DefaultPrinter();
            } catch (...) {
                // Start-up asks again, and meets the failure there.
            }
        });
    } catch (const std::system_error&) {
        // No thread to be had: the first question makes the service.
    }
}

ServiceMadeMeanwhile::~ServiceMadeMeanwhile() {
    if (making_.joinable())
        making_.join();
}

platform::PrintingService& ServiceMadeMeanwhile::Made() {
    if (making_.joinable())
        making_.join();
    if (!service_)
        service_ = make_();
    return *service_;
}

std::vector<platform::PrinterEntry> ServiceMadeMeanwhile::EnumPrinters() {
    return Made().EnumPrinters();
}
platform::PrinterLookup ServiceMadeMeanwhile::LookUpPrinter(const std::string& name) {
    return Made().LookUpPrinter(name);
}
platform::DefaultPrinterAnswer ServiceMadeMeanwhile::DefaultPrinter() {
    return Made().DefaultPrinter();
}
platform::WindowsDevice ServiceMadeMeanwhile::ProfileWindowsDevice() {
    return Made().ProfileWindowsDevice();
}
platform::DevicesValue ServiceMadeMeanwhile::ProfileDevicesValue(const std::string& printer) {
    return Made().ProfileDevicesValue(printer);
}
int ServiceMadeMeanwhile::BinCount(platform::BinKind kind, const std::string& device,
                                   const std::string& port) {
    return Made().BinCount(kind, device, port);
}
int ServiceMadeMeanwhile::BinData(const std::string& device, const std::string& port,
                                  platform::BinFields& out) {
    return Made().BinData(device, port, out);
}
std::optional<platform::QueueSources>
ServiceMadeMeanwhile::PaperSources(const std::string& printer) {
    return Made().PaperSources(printer);
}
std::optional<std::vector<std::string>>
ServiceMadeMeanwhile::DocumentFormats(const std::string& printer) {
    return Made().DocumentFormats(printer);
}
bool ServiceMadeMeanwhile::PortsAreDeviceUris() {
    return Made().PortsAreDeviceUris();
}
void ServiceMadeMeanwhile::Prefetch(const std::vector<std::string>& printers) {
    Made().Prefetch(printers);
}
void ServiceMadeMeanwhile::ForgetFailures() {
    Made().ForgetFailures();
}
void ServiceMadeMeanwhile::ForgetAnswers() {
    Made().ForgetAnswers();
}

Workspace ThisMachine(bool withSamples) {
    return Workspace(platform::MakePrintingService(), setup::ThisMachinePaths(withSamples));
}

Workspace ThisMachineMeanwhile(bool withSamples) {
    return Workspace(
        std::make_unique<ServiceMadeMeanwhile>([] { return platform::MakePrintingService(); }),
        setup::ThisMachinePaths(withSamples));
}

} // namespace kevo::workspace
