// SPDX-License-Identifier: Apache-2.0
// kevoconf-printers: prints the printer catalogue as KevoConf sees it, so that
// an administrator can see why a printer or a paper bin is reported missing.

#include "printers/PrinterReport.h"
#include "common/TextOutput.h"
#include "common/ToolVersion.h"

#include "platform/PrintingServiceFactory.h"
#include "platform/text/TextCoding.h"
#include "workspace/Workspace.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

namespace {

std::string Usage() {
    return std::string(
               "Usage: kevoconf-printers [--json]\n"
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
               "When the environment variable ") +
           kevo::platform::kSimulatedPrintersVariable +
           " names a file, the\n"
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
            kevo::tools::WriteOutput(Usage());
            return 0;
        }
        if (argument == "--version") {
            kevo::tools::WriteOutput(kevo::tools::VersionLine("kevoconf-printers"));
            return 0;
        }
        if (argument == "--json") {
            json = true;
            continue;
        }
        const std::string quoted = "\"" + std::string(argument) + "\"";
        kevo::tools::WriteError(kevo::tools::WrongCommandLineText(
            "kevoconf-printers", argument.starts_with('-') ? "unknown option " + quoted
                                                           : "unexpected argument " + quoted));
        return 2;
    }

    const char* simulated = std::getenv(kevo::platform::kSimulatedPrintersVariable);
    if (simulated != nullptr && *simulated == '\0')
        simulated = nullptr;

    if (const std::string problem = kevo::platform::CodePageSettingProblem(); !problem.empty())
        kevo::tools::WriteError("kevoconf-printers: " + problem + "\n");

    kevo::workspace::Workspace workspace = kevo::workspace::ThisMachine(false);
    const kevo::tools::PrinterListing listing = kevo::tools::ListPrinters(workspace.Service());
    if (json) {
        std::cout << kevo::tools::PrinterReportJson(listing, simulated); // UTF-8 in every locale
    } else {
        std::string text;
        if (simulated != nullptr)
            text = "Simulated printers: " + std::string(simulated) + "\n";
        kevo::tools::WriteOutput(text + kevo::tools::PrinterReportText(listing));
    }
    std::cout.flush();
    if (!std::cout)
        return 1;
    return listing.failed ? 1 : 0;
}
