// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "platform/printing/PrintingService.h"
#include "platform/printing/SimulatedPrinters.h"

namespace kevo::platform {

// A printing service that answers from a description (SIMULATED.md) instead
// of the machine's printers: the demo runs on it, and the catalogue's tests
// build one from a literal text. It answers every query the same way each
// time it is asked.
class SimulatedPrintingService : public PrintingService {
public:
    explicit SimulatedPrintingService(SimulatedPrinters printers);

    // A service built from a description text (see ParseSimulatedPrinters).
    static SimulatedPrintingService FromText(std::string_view text,
                                             std::string_view source = "simulated printers");

    std::vector<PrinterEntry> EnumPrinters() override;
    DefaultPrinterAnswer DefaultPrinter() override;
    // The description's texts, read as the program reads the profile's
    // (ProfileValues.h).
    WindowsDevice ProfileWindowsDevice() override;
    DevicesValue ProfileDevicesValue(const std::string& printer) override;

    // The bins of a device and port are those of the first printer of that
    // name listed under that port, else of the first printer of that name.
    // An unknown device fails every query (-1). A data query fills out with
    // all of the printer's fields, whatever its size was, and leaves it
    // untouched when it answers less than 0.
    int BinCount(BinKind kind, const std::string& device, const std::string& port) override;
    int BinData(const std::string& device, const std::string& port, BinFields& out) override;

    // As the description's "ports" line says.
    bool PortsAreDeviceUris() override { return printers_.portsAreDeviceUris; }
    // The formats that every printer of a CUPS scheduler takes, converted by
    // its filters: PDF, PostScript and plain text; nothing for an unknown
    // printer. (No job can be sent to a simulated printer: a dry run shows
    // what would be.)
    std::optional<std::vector<std::string>> DocumentFormats(const std::string& printer) override;

private:
    const SimulatedPrinter* FindForBins(const std::string& device, const std::string& port) const;

    SimulatedPrinters printers_;
};

} // namespace kevo::platform
