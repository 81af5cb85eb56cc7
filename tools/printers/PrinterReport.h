// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "platform/printing/PrintingService.h"

#include <optional>
#include <string>
#include <vector>

namespace kevo::tools {

// One row of a printer's bins: the bin number list and the bin name list
// side by side. The two lists may differ in length; the shorter one leaves
// its side empty.
struct ListedBin {
    std::optional<std::string> number;
    std::optional<std::string> name;
};

struct ListedPrinter {
    int position = 0;
    std::string name;
    bool isDefault = false;
    std::string port;
    std::string driver;
    std::vector<ListedBin> bins;
    // The message when its bins could not be asked, as the standard error
    // report shows it; empty when they could.
    std::string error;
};

// The printers as the program's catalogue lists them, each with what the
// print setup dialog shows for it.
struct PrinterListing {
    // The message that the program's start-up shows when it builds the
    // catalogue (no default printer, printing service failure, the default
    // printer's bins), as the standard error report shows it; empty when
    // there is none.
    std::string buildError;
    // The default printer's position; -1 when there is none.
    int defaultPosition = -1;
    std::vector<ListedPrinter> printers;
    // Whether any step failed.
    bool failed = false;
};

// Asks service about the printers as the program does at start-up (the
// default printer first), then about each printer in turn.
PrinterListing ListPrinters(platform::PrintingService& service);

struct PrinterReport {
    std::string text;
    // Whether any question failed (the text shows the message).
    bool failed = false;
};

// The listing as text: the default printer, and for each printer its
// position, name, port, driver and bins (number and name), with the
// catalogue's own message where a step fails. Texts are shown in double
// quotes, control characters as \xHH.
std::string PrinterReportText(const PrinterListing& listing);

// ListPrinters and PrinterReportText in one step.
PrinterReport WritePrinterReport(platform::PrintingService& service);

// The listing as one JSON document (the schema is in the manual page,
// kevoconf-printers(1)). simulatedPrintersFile is the file the simulated
// printers come from, or nullptr for the machine's printers.
std::string PrinterReportJson(const PrinterListing& listing, const char* simulatedPrintersFile);

} // namespace kevo::tools
