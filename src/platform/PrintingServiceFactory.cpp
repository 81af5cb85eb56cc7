// SPDX-License-Identifier: Apache-2.0
#include "platform/PrintingServiceFactory.h"

#include "platform/printing/CachingPrintingService.h"
#include "platform/printing/SimulatedPrintingService.h"

#if KEVO_WITH_CUPS
#include "platform/cups/CupsPrintingService.h"
#endif
#if KEVO_WITH_WINSPOOL
#include "platform/winspool/WinspoolPrintingService.h"
#endif

#include <cstdlib>
#include <string>
#include <utility>

namespace kevo::platform {

namespace {

// A service without printers whose default-printer query reports why the
// printers could not be had.
std::unique_ptr<PrintingService> MakeFailedService(int code, const std::string& text) {
    SimulatedPrinters none;
    none.defaultPrinter.status = DefaultPrinterAnswer::Status::SystemError;
    none.defaultPrinter.errorCode = code;
    none.defaultPrinter.errorText = text;
    return std::make_unique<SimulatedPrintingService>(std::move(none));
}

std::unique_ptr<PrintingService> MakeUncachedService(const char* simulatedPrintersFile) {
    if (simulatedPrintersFile != nullptr && *simulatedPrintersFile != '\0') {
        const std::string path = simulatedPrintersFile;
        const std::string what = "The simulated printers file (" +
                                 std::string(kSimulatedPrintersVariable) + ") cannot be used: ";
        SimulatedPrinters printers;
        try {
            printers = LoadSimulatedPrinters(path);
        } catch (const SimulatedFileError& error) {
            const bool unreadable = error.kind() == SimulatedFileError::Kind::Unreadable;
            return MakeFailedService(unreadable ? kSimulatedFileUnreadable : kSimulatedFileInvalid,
                                     what + error.what());
        }
        return std::make_unique<SimulatedPrintingService>(std::move(printers));
    }
#if KEVO_WITH_CUPS
    return MakeCupsPrintingService();
#elif KEVO_WITH_WINSPOOL
    return winspool::MakeWinspoolPrintingService();
#else
    return std::make_unique<SimulatedPrintingService>(SimulatedPrinters());
#endif
}

} // namespace

std::unique_ptr<PrintingService> MakePrintingService() {
    return MakePrintingService(std::getenv(kSimulatedPrintersVariable));
}

std::unique_ptr<PrintingService> MakePrintingService(const char* simulatedPrintersFile) {
    return std::make_unique<CachingPrintingService>(MakeUncachedService(simulatedPrintersFile));
}

} // namespace kevo::platform
