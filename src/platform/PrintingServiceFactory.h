// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "platform/printing/PrintingService.h"

#include <memory>

namespace kevo::platform {

// The environment variable that names a simulated printers file
// (SIMULATED.md). When it is set and not empty, the program sees the
// printers of that file instead of the machine's.
inline constexpr const char* kSimulatedPrintersVariable = "KEVOCONF_SIMULATED_PRINTERS";

// Error codes of the default-printer answer when the simulated printers file
// cannot be used; the catalogue reports them as "System Error.  Code: %d."
// followed by what is wrong with the file.
inline constexpr int kSimulatedFileUnreadable = 2; // the file cannot be read
inline constexpr int kSimulatedFileInvalid = 13;   // the file is not well formed

// The printing service the program uses, always wrapped in the caching
// decorator:
// - the simulated service read from the file named by
//   KEVOCONF_SIMULATED_PRINTERS when that variable is set and not empty;
//   a file that cannot be read or parsed gives a service without printers
//   whose default-printer query fails with kSimulatedFileUnreadable or
//   kSimulatedFileInvalid and a text naming the file and the fault, so that
//   the fault reaches the standard error report when the catalogue is built
//   (the program never falls back to the machine's printers then);
// - otherwise the CUPS service when the program is built with it, or on
//   Windows the winspool service;
// - otherwise a service without printers and without a default printer.
std::unique_ptr<PrintingService> MakePrintingService();

// The same choice with the simulated printers file given directly (nullptr
// or empty: none).
std::unique_ptr<PrintingService> MakePrintingService(const char* simulatedPrintersFile);

} // namespace kevo::platform
