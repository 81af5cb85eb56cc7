// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "platform/printing/PrintingService.h"
#include "printers/InstalledPrinters.h"
#include "setup/PathResolution.h"

#include <memory>

namespace kevo::messages {
class Prompter;
}

namespace kevo::workspace {

// What one run of the program, or of one of its commands, works with: the
// printing service, the installed printers as the run sees them, and the
// folders where the program's files are looked for. Made once, at start-up;
// everything else is given these.
class Workspace {
public:
    Workspace(std::unique_ptr<platform::PrintingService> service, setup::PathContext paths);

    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    platform::PrintingService& Service() { return *service_; }
    printers::InstalledPrinters& Printers() { return printers_; }
    const setup::PathContext& Paths() const { return paths_; }

    // Start-up's question for the default printer where there is no print
    // setup dialog to ask it: the default printer with its details and bins,
    // as the dialog's creation asks, under the same rule
    // (printers::OpenPrinters).
    printers::PrintersOpened OpenPrinters(messages::Prompter& prompter);

private:
    std::unique_ptr<platform::PrintingService> service_;
    printers::InstalledPrinters printers_;
    setup::PathContext paths_;
};

// The workspace of a run on this machine: the printing service the program
// uses (platform::MakePrintingService: the machine's printers, or the
// simulated ones that KEVOCONF_SIMULATED_PRINTERS names) and this machine's
// folders (setup::ThisMachinePaths; withSamples for the program itself).
Workspace ThisMachine(bool withSamples);

} // namespace kevo::workspace
