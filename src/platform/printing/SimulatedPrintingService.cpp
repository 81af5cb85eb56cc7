// SPDX-License-Identifier: Apache-2.0
#include "platform/printing/SimulatedPrintingService.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <thread>
#include <utility>

namespace kevo::platform {

namespace {

// A driver's own answer: the number of its bins.
int NaturalAnswer(std::size_t size) {
    return static_cast<int>(
        std::min<std::size_t>(size, static_cast<std::size_t>(std::numeric_limits<int>::max())));
}

} // namespace

SimulatedPrintingService::SimulatedPrintingService(SimulatedPrinters printers)
    : printers_(std::move(printers)) {}

SimulatedPrintingService SimulatedPrintingService::FromText(std::string_view text,
                                                            std::string_view source) {
    return SimulatedPrintingService(ParseSimulatedPrinters(text, source));
}

std::vector<PrinterEntry> SimulatedPrintingService::EnumPrinters() {
    std::vector<PrinterEntry> entries;
    for (const SimulatedPrinter& printer : printers_.printers) {
        if (printer.ports.empty())
            entries.push_back({printer.name, std::string()});
        for (const std::string& port : printer.ports)
            entries.push_back({printer.name, port});
    }
    return entries;
}

DefaultPrinterAnswer SimulatedPrintingService::DefaultPrinter() {
    return printers_.defaultPrinter;
}

std::string SimulatedPrintingService::ProfileWindowsDevice() {
    return printers_.windowsDevice;
}

std::string SimulatedPrintingService::ProfileDevicesValue(const std::string& printer) {
    for (const SimulatedPrinter& candidate : printers_.printers) {
        if (candidate.name == printer && candidate.devicesValue)
            return *candidate.devicesValue;
    }
    return std::string();
}

const SimulatedPrinter* SimulatedPrintingService::FindForBins(const std::string& device,
                                                              const std::string& port) const {
    const SimulatedPrinter* byName = nullptr;
    for (const SimulatedPrinter& candidate : printers_.printers) {
        if (candidate.name != device)
            continue;
        if (std::find(candidate.ports.begin(), candidate.ports.end(), port) !=
            candidate.ports.end())
            return &candidate;
        if (byName == nullptr)
            byName = &candidate;
    }
    return byName;
}

int SimulatedPrintingService::BinNameCount(const std::string& device, const std::string& port) {
    const SimulatedPrinter* printer = FindForBins(device, port);
    if (printer == nullptr)
        return -1;
    if (printer->delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(printer->delayMs));
    return printer->binNameCountAnswer.value_or(NaturalAnswer(printer->binNames.size()));
}

int SimulatedPrintingService::BinNames(const std::string& device, const std::string& port,
                                       std::vector<BinNameField>& out) {
    const SimulatedPrinter* printer = FindForBins(device, port);
    if (printer == nullptr)
        return -1;
    const int answer = printer->binNameDataAnswer.value_or(NaturalAnswer(printer->binNames.size()));
    if (answer < 0)
        return answer;
    out.assign(printer->binNames.size(), BinNameField{});
    for (std::size_t i = 0; i < printer->binNames.size(); ++i) {
        const std::string& name = printer->binNames[i];
        std::copy_n(name.begin(), std::min(name.size(), kBinNameFieldLength), out[i].begin());
    }
    return answer;
}

int SimulatedPrintingService::BinNumberCount(const std::string& device, const std::string& port) {
    const SimulatedPrinter* printer = FindForBins(device, port);
    if (printer == nullptr)
        return -1;
    return printer->binNumberCountAnswer.value_or(NaturalAnswer(printer->binNumbers.size()));
}

int SimulatedPrintingService::BinNumbers(const std::string& device, const std::string& port,
                                         std::vector<std::uint16_t>& out) {
    const SimulatedPrinter* printer = FindForBins(device, port);
    if (printer == nullptr)
        return -1;
    const int answer =
        printer->binNumberDataAnswer.value_or(NaturalAnswer(printer->binNumbers.size()));
    if (answer < 0)
        return answer;
    out = printer->binNumbers;
    return answer;
}

} // namespace kevo::platform
