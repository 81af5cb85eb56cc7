// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "platform/printing/PrintingService.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kevo::platform {

// Wraps a printing service so that every question reaches it at most once
// per run, or, when it failed, at most once per command of the user's.
// Printers are not refreshed while the program runs, and asking a driver for
// its bins is slow (a PPD fetch on CUPS), so the consistency check, which
// selects printers line after line, must not repeat it: per device and port
// the count and data answers for bin names and for bin numbers are kept,
// failures included, and the printer list, the default printer and the
// profile values are taken once. ForgetFailures drops the failures (and the
// empty profile values, which a failed look-up gives too), so that the next
// command asks for them again; the printer list stays. Not for use from
// several threads at once.
class CachingPrintingService : public PrintingService {
public:
    explicit CachingPrintingService(std::unique_ptr<PrintingService> inner);

    std::vector<PrinterEntry> EnumPrinters() override;
    DefaultPrinterAnswer DefaultPrinter() override;
    std::string ProfileWindowsDevice() override;
    std::string ProfileDevicesValue(const std::string& printer) override;
    int BinNameCount(const std::string& device, const std::string& port) override;
    int BinNames(const std::string& device, const std::string& port,
                 std::vector<BinNameField>& out) override;
    int BinNumberCount(const std::string& device, const std::string& port) override;
    int BinNumbers(const std::string& device, const std::string& port,
                   std::vector<std::uint16_t>& out) override;
    // Passed on: the answers it fetches are asked for here as usual.
    void Prefetch(const std::vector<std::string>& printers) override;
    void ForgetFailures() override;

    // The wrapped service.
    PrintingService& Inner() { return *inner_; }

private:
    struct NameData {
        int answer = 0;
        std::vector<BinNameField> fields;
    };
    struct NumberData {
        int answer = 0;
        std::vector<std::uint16_t> fields;
    };
    struct BinAnswers {
        std::optional<int> nameCount;
        std::optional<NameData> names;
        std::optional<int> numberCount;
        std::optional<NumberData> numbers;
    };

    BinAnswers& AnswersFor(const std::string& device, const std::string& port);

    std::unique_ptr<PrintingService> inner_;
    std::optional<std::vector<PrinterEntry>> printers_;
    std::optional<DefaultPrinterAnswer> defaultPrinter_;
    std::optional<std::string> windowsDevice_;
    std::map<std::string, std::string> devicesValues_;
    std::map<std::pair<std::string, std::string>, BinAnswers> bins_;
};

} // namespace kevo::platform
