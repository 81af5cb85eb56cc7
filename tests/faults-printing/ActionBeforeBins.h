// SPDX-License-Identifier: Apache-2.0
#pragma once

// A printing service that runs a fault in the middle of the program's
// questions, and the time an action takes, for the printing-fault tests
// (the program itself: tests/support/WindowlessProgram.h).

#include "platform/printing/PrintingService.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kevo::faults {

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
    platform::WindowsDevice ProfileWindowsDevice() override;
    platform::DevicesValue ProfileDevicesValue(const std::string& printer) override;
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
