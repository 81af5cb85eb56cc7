// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "platform/printing/PrintingService.h"

#include <map>
#include <string>
#include <tuple>
#include <utility>

namespace kevo::platform::testing {

// A printing service that counts how often each question reaches it and
// answers differently each time, so that a repeated answer can only come from
// a cache above it. Devices whose name starts with "fail" fail every bin
// query (-1) and have no profile value; the default printer fails while
// defaultFails is set.
class CountingPrintingService : public PrintingService {
public:
    std::map<std::string, int> calls; // per question and argument
    bool defaultFails = false;

    std::vector<PrinterEntry> EnumPrinters() override {
        const int n = ++calls["EnumPrinters"];
        return {{"Printer " + std::to_string(n), ""}};
    }
    DefaultPrinterAnswer DefaultPrinter() override {
        DefaultPrinterAnswer answer;
        answer.names = {"Default " + std::to_string(++calls["DefaultPrinter"])};
        if (defaultFails)
            answer.status = DefaultPrinterAnswer::Status::SystemError;
        return answer;
    }
    WindowsDevice ProfileWindowsDevice() override {
        return {"Device " + std::to_string(++calls["ProfileWindowsDevice"]), {}, {}};
    }
    DevicesValue ProfileDevicesValue(const std::string& printer) override {
        const int n = ++calls["ProfileDevicesValue " + printer];
        return Failing(printer) ? DevicesValue{} : DevicesValue{printer, std::to_string(n)};
    }
    // Counted under the typed names: "BinNameCount", "BinNames",
    // "BinNumberCount", "BinNumbers".
    int BinCount(BinKind kind, const std::string& device, const std::string& port) override {
        const char* question = kind == BinKind::Names ? "BinNameCount " : "BinNumberCount ";
        const int n = ++calls[question + device + "|" + port];
        return Failing(device) ? -1 : n;
    }
    int BinData(const std::string& device, const std::string& port, BinFields& out) override {
        const bool names = KindOf(out) == BinKind::Names;
        const int n = ++calls[(names ? "BinNames " : "BinNumbers ") + device + "|" + port];
        if (Failing(device))
            return -1;
        if (names) {
            std::vector<BinNameField> fields(static_cast<std::size_t>(n), BinNameField{});
            fields[0][0] = static_cast<char>('0' + n);
            out = std::move(fields);
        } else {
            out = std::vector<std::uint16_t>(static_cast<std::size_t>(n),
                                             static_cast<std::uint16_t>(100 + n));
        }
        return n;
    }
    void ForgetFailures() override { ++calls["ForgetFailures"]; }

    // The number of bin queries (count and data, of both kinds) that reached the service.
    int BinQueries() const {
        int total = 0;
        for (const auto& [question, count] : calls) {
            if (question.rfind("Bin", 0) == 0)
                total += count;
        }
        return total;
    }

private:
    static bool Failing(const std::string& device) { return device.rfind("fail", 0) == 0; }
};

} // namespace kevo::platform::testing
