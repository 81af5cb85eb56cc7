#pragma once

#include "platform/printing/PrintingService.h"

#include <string>

namespace kevo::tools {

struct PrinterReport {
    std::string text;
    // Whether any step of the catalogue failed (the text shows the message).
    bool failed = false;
};

// Builds the printer catalogue over service, as the program does at start-up,
// then selects each printer in turn and describes what the catalogue holds:
// the default printer, and for each printer its position, name, port, driver
// and bins (number and name), with the catalogue's own message where a step
// fails. Texts are shown in double quotes, control characters as \xHH.
PrinterReport WritePrinterReport(platform::PrintingService& service);

} // namespace kevo::tools
