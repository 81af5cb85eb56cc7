// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "platform/printing/PrintingService.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace kevo::platform {

// Wraps a printing service so that every question reaches it at most once
// per command of the user's. It is the one place that keeps answers: the
// catalogue asks it whenever it needs the printer list, and the services
// below keep no more than one printer's bins. Asking a driver for its bins
// is slow (a PPD fetch on CUPS), so the consistency check, which selects
// printers line after line, must not repeat it: per device and port the
// count and data answers of each kind of bin field are kept, failures
// included, and the default printer and the profile values are taken once.
// ForgetAnswers, at the start of a command, drops them all, so that a
// recheck sees a driver changed while the program runs; ForgetFailures
// drops only the failures (and the empty profile values, which a failed
// look-up gives too). The printer list (unless it came back empty) and the
// printers found by name are taken once per run (the list is taken only
// when something needs all of it: a check asks for the printers its lines
// name). Not for use from several threads at once.
class CachingPrintingService : public PrintingService {
public:
    explicit CachingPrintingService(std::unique_ptr<PrintingService> inner);

    std::vector<PrinterEntry> EnumPrinters() override;
    // Kept per name as asked, until the list is taken: from then on the
    // list answers (Unknown here), so that a check and the print setup
    // dialog see the same printers.
    PrinterLookup LookUpPrinter(const std::string& name) override;
    DefaultPrinterAnswer DefaultPrinter() override;
    WindowsDevice ProfileWindowsDevice() override;
    DevicesValue ProfileDevicesValue(const std::string& printer) override;
    int BinCount(BinKind kind, const std::string& device, const std::string& port) override;
    int BinData(const std::string& device, const std::string& port, BinFields& out) override;
    // Passed on for the printers whose bins are not kept here yet, by the
    // names that the list or a look-up gave: the answers it fetches are
    // asked for here as usual.
    void Prefetch(const std::vector<std::string>& printers) override;
    void ForgetFailures() override;
    void ForgetAnswers() override;
    bool PortsAreDeviceUris() override { return inner_->PortsAreDeviceUris(); }
    // Passed on: asked once per printer by the commands that print; the
    // CUPS service keeps the paper sources of the bins it fetched.
    std::optional<QueueSources> PaperSources(const std::string& printer) override {
        return inner_->PaperSources(printer);
    }
    std::optional<std::vector<std::string>> DocumentFormats(const std::string& printer) override {
        return inner_->DocumentFormats(printer);
    }

    // The wrapped service.
    PrintingService& Inner() { return *inner_; }

private:
    // The count and data answers for one kind of field of one device and port.
    struct BinAnswers {
        std::optional<int> count;
        std::optional<std::pair<int, BinFields>> data;
    };
    using BinKey = std::tuple<std::string, std::string, BinKind>;

    std::unique_ptr<PrintingService> inner_;
    std::optional<std::vector<PrinterEntry>> printers_;
    std::map<std::string, PrinterLookup> lookups_;
    std::optional<DefaultPrinterAnswer> defaultPrinter_;
    std::optional<WindowsDevice> windowsDevice_;
    std::map<std::string, DevicesValue> devicesValues_;
    std::map<BinKey, BinAnswers> bins_;
};

} // namespace kevo::platform
