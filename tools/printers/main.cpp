// kevoconf-printers: prints the printer catalogue as KevoConf sees it, so that
// an administrator can see why a printer or a paper bin is reported missing.

#include "PrinterReport.h"

#include "platform/printing/PrintingServiceFactory.h"

#include <cstdlib>
#include <cstring>
#include <iostream>

namespace {

void PrintUsage(std::ostream& out) {
    out << "Usage: kevoconf-printers\n"
           "\n"
           "Prints the printers as KevoConf sees them: the default printer, and for\n"
           "each printer in list order its position, name, port, driver and paper\n"
           "bins (number and name), with KevoConf's own message where a query fails.\n"
           "\n"
           "When the environment variable "
        << kevo::platform::kSimulatedPrintersVariable
        << " names a file, the\n"
           "simulated printers described there are shown instead of the machine's.\n"
           "\n"
           "Exit status: 0 when every query succeeded, 1 when an error is shown,\n"
           "2 for a wrong command line.\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
            PrintUsage(std::cout);
            return 0;
        }
        PrintUsage(std::cerr);
        return 2;
    }

    const char* simulated = std::getenv(kevo::platform::kSimulatedPrintersVariable);
    if (simulated != nullptr && *simulated != '\0')
        std::cout << "Simulated printers: " << simulated << "\n";

    auto service = kevo::platform::MakePrintingService();
    const kevo::tools::PrinterReport report = kevo::tools::WritePrinterReport(*service);
    std::cout << report.text;
    return report.failed ? 1 : 0;
}
