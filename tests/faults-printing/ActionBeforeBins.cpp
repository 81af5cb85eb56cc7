// SPDX-License-Identifier: Apache-2.0
#include "ActionBeforeBins.h"

#include <utility>

namespace kevo::faults {

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

platform::WindowsDevice ActionBeforeBins::ProfileWindowsDevice() {
    return inner_->ProfileWindowsDevice();
}

platform::DevicesValue ActionBeforeBins::ProfileDevicesValue(const std::string& printer) {
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
