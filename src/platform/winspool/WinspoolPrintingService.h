// SPDX-License-Identifier: Apache-2.0
#pragma once

// The printing service on Windows: the printers that winspool enumerates,
// the default printer, the user profile's [windows] and [Devices] values, and
// the paper bins that each printer's driver reports.

#include "platform/printing/PrintingService.h"
#include "platform/winspool/WinspoolApi.h"

#include <memory>

namespace kevo::platform::winspool {

class WinspoolPrintingService final : public PrintingService {
public:
    // The service asks api for everything; it owns it.
    explicit WinspoolPrintingService(std::unique_ptr<WinspoolApi> api);

    // On the NT family (platform id 2): local printers and printer
    // connections at level 4, one entry per printer, names only. Elsewhere:
    // local printers at level 5, one entry per port of each printer (the
    // port list split at commas, leading blanks of each piece skipped,
    // stopping at the first empty piece), each carrying the printer's name
    // and that port. The first call asks for the size, the second fetches
    // the data; nothing installed, or a second call that fails, gives no
    // printers. A second call that finds the data grown since the first
    // (a printer was added meanwhile) is made again with the new size.
    std::vector<PrinterEntry> EnumPrinters() override;

    // PRINTER_ENUM_DEFAULT at level 5. ERROR_INSUFFICIENT_BUFFER is the
    // expected answer of the size query; ERROR_INVALID_NAME means that no
    // default printer is selected; any other failure is a system error with
    // the system's text for its code. A service that reports no printer
    // answers Ok with no names: the caller then falls back to the profile.
    DefaultPrinterAnswer DefaultPrinter() override;

    // [windows] "device" and [Devices] printer from the user profile, read
    // as texts and split (ProfileValues.h).
    WindowsDevice ProfileWindowsDevice() override;
    DevicesValue ProfileDevicesValue(const std::string& printer) override;

    // DeviceCapabilities with DC_BINNAMES and DC_BINS. The data queries ask
    // for the count again first and give the driver room for whichever is
    // larger, that count or the fields the caller offers, so that a driver
    // whose bins changed since the caller's count cannot write past the
    // buffer; out then holds as many fields as the driver answered. A driver
    // that counts more bins than there are 16-bit numbers fails (-1).
    int BinCount(BinKind kind, const std::string& device, const std::string& port) override;
    int BinData(const std::string& device, const std::string& port, BinFields& out) override;

    // Winspool has no list of document formats: the spooler's standard print
    // processor takes plain text (its TEXT datatype, drawn by the driver) and
    // hands anything else to the printer as it is (RAW), as the host's own
    // jobs go. So any printer takes those two; which languages the printer
    // itself speaks no query tells. The paper sources are the driver's bin
    // numbers, sent as the line holds them (no PaperSources).
    std::optional<std::vector<std::string>> DocumentFormats(const std::string&) override {
        return std::vector<std::string>{"text/plain", "application/octet-stream"};
    }

    WinspoolApi& Api() { return *api_; }

private:
    std::unique_ptr<WinspoolApi> api_;
};

// Splits a PRINTER_INFO_5 port list: pieces between commas, leading blanks
// of each skipped, up to the first piece that is empty.
std::vector<std::string> SplitPortList(const std::string& ports);

// The printing service of this Windows system (Windows only).
std::unique_ptr<PrintingService> MakeWinspoolPrintingService();

} // namespace kevo::platform::winspool
