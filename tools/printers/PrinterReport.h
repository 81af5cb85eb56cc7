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
    // The catalogue's message when selecting the printer failed, as the
    // standard error report shows it; empty when it worked.
    std::string error;
};

// The printer catalogue as the program builds it at start-up, with every
// printer selected once in turn.
struct PrinterListing {
    // The message of a catalogue that could not be built (no default
    // printer, printing service failure), as the standard error report
    // shows it; empty when it was built.
    std::string buildError;
    // The default printer's position; -1 when there is none.
    int defaultPosition = -1;
    std::vector<ListedPrinter> printers;
    // Whether any step failed.
    bool failed = false;
};

// Builds the printer catalogue over service, as the program does at start-up,
// then selects each printer in turn and records what the catalogue holds.
PrinterListing ListPrinters(platform::PrintingService& service);

struct PrinterReport {
    std::string text;
    // Whether any step of the catalogue failed (the text shows the message).
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
