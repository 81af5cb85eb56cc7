// SPDX-License-Identifier: Apache-2.0
#include "platform/printing/SimulatedPrintingService.h"

#include "platform/printing/ProfileValues.h"

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

WindowsDevice SimulatedPrintingService::ProfileWindowsDevice() {
    return ReadWindowsDevice(printers_.windowsDevice);
}

DevicesValue SimulatedPrintingService::ProfileDevicesValue(const std::string& printer) {
    for (const SimulatedPrinter& candidate : printers_.printers) {
        if (candidate.name == printer && candidate.devicesValue)
            return ReadDevicesValue(*candidate.devicesValue);
    }
    return {};
}

std::optional<std::vector<std::string>>
SimulatedPrintingService::DocumentFormats(const std::string& printer) {
    for (const SimulatedPrinter& candidate : printers_.printers) {
        if (candidate.name == printer)
            return std::vector<std::string>{"application/pdf", "application/postscript",
                                            "text/plain"};
    }
    return std::nullopt;
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

int SimulatedPrintingService::BinCount(BinKind kind, const std::string& device,
                                       const std::string& port) {
    const SimulatedPrinter* printer = FindForBins(device, port);
    if (printer == nullptr)
        return -1;
    if (kind == BinKind::Names) {
        if (printer->delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(printer->delayMs));
        return printer->binNameCountAnswer.value_or(NaturalAnswer(printer->binNames.size()));
    }
    return printer->binNumberCountAnswer.value_or(NaturalAnswer(printer->binNumbers.size()));
}

int SimulatedPrintingService::BinData(const std::string& device, const std::string& port,
                                      BinFields& out) {
    const SimulatedPrinter* printer = FindForBins(device, port);
    if (printer == nullptr)
        return -1;
    const bool names = KindOf(out) == BinKind::Names;
    const int answer =
        names ? printer->binNameDataAnswer.value_or(NaturalAnswer(printer->binNames.size()))
              : printer->binNumberDataAnswer.value_or(NaturalAnswer(printer->binNumbers.size()));
    if (answer < 0)
        return answer;
    if (!names) {
        out = printer->binNumbers;
        return answer;
    }
    std::vector<BinNameField> fields(printer->binNames.size(), BinNameField{});
    for (std::size_t i = 0; i < printer->binNames.size(); ++i)
        fields[i] = BinNameFieldOf(printer->binNames[i]);
    out = std::move(fields);
    return answer;
}

} // namespace kevo::platform
