// SPDX-License-Identifier: Apache-2.0
// kevoconf-printers: prints the printer catalogue as KevoConf sees it, so that
// an administrator can see why a printer or a paper bin is reported missing.

#include "PrinterReport.h"
#include "ToolVersion.h"

#include "platform/printing/PrintingServiceFactory.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

namespace {

void PrintUsage(std::ostream& out) {
    out << "Usage: kevoconf-printers [--json]\n"
           "       kevoconf-printers --help | --version\n"
           "\n"
           "Prints the printers as KevoConf sees them: the default printer, and for\n"
           "each printer in list order its position, name, port, driver and paper\n"
           "bins (number and name), with KevoConf's own message where a query fails.\n"
           "\n"
           "  --json     print the same as one JSON document (see kevoconf-printers(1))\n"
           "  --help     print this help and end\n"
           "  --version  print the version and end\n"
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
    bool json = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-h" || argument == "--help") {
            PrintUsage(std::cout);
            return 0;
        }
        if (argument == "--version") {
            std::cout << kevo::tools::VersionLine("kevoconf-printers");
            return 0;
        }
        if (argument == "--json") {
            json = true;
            continue;
        }
        const std::string quoted = "\"" + std::string(argument) + "\"";
        std::cerr << kevo::tools::WrongCommandLineText(
            "kevoconf-printers", argument.starts_with('-') ? "unknown option " + quoted
                                                           : "unexpected argument " + quoted);
        return 2;
    }

    const char* simulated = std::getenv(kevo::platform::kSimulatedPrintersVariable);
    if (simulated != nullptr && *simulated == '\0')
        simulated = nullptr;

    auto service = kevo::platform::MakePrintingService();
    const kevo::tools::PrinterListing listing = kevo::tools::ListPrinters(*service);
    if (json) {
        std::cout << kevo::tools::PrinterReportJson(listing, simulated);
    } else {
        if (simulated != nullptr)
            std::cout << "Simulated printers: " << simulated << "\n";
        std::cout << kevo::tools::PrinterReportText(listing);
    }
    std::cout.flush();
    if (!std::cout)
        return 1;
    return listing.failed ? 1 : 0;
}
