// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "platform/printing/PrintingService.h"

#include <map>
#include <string>
#include <tuple>

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
    std::string ProfileWindowsDevice() override {
        return "Device " + std::to_string(++calls["ProfileWindowsDevice"]);
    }
    std::string ProfileDevicesValue(const std::string& printer) override {
        const int n = ++calls["ProfileDevicesValue " + printer];
        return Failing(printer) ? std::string() : printer + "," + std::to_string(n);
    }
    int BinNameCount(const std::string& device, const std::string& port) override {
        const int n = ++calls["BinNameCount " + device + "|" + port];
        return Failing(device) ? -1 : n;
    }
    int BinNames(const std::string& device, const std::string& port,
                 std::vector<BinNameField>& out) override {
        const int n = ++calls["BinNames " + device + "|" + port];
        if (Failing(device))
            return -1;
        out.assign(static_cast<std::size_t>(n), BinNameField{});
        out[0][0] = static_cast<char>('0' + n);
        return n;
    }
    int BinNumberCount(const std::string& device, const std::string& port) override {
        const int n = ++calls["BinNumberCount " + device + "|" + port];
        return Failing(device) ? -1 : n;
    }
    int BinNumbers(const std::string& device, const std::string& port,
                   std::vector<std::uint16_t>& out) override {
        const int n = ++calls["BinNumbers " + device + "|" + port];
        if (Failing(device))
            return -1;
        out.assign(static_cast<std::size_t>(n), static_cast<std::uint16_t>(100 + n));
        return n;
    }
    void ForgetFailures() override { ++calls["ForgetFailures"]; }

    // The number of bin queries (of all four kinds) that reached the service.
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
