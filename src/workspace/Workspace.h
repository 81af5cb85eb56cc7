// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "platform/printing/PrintingService.h"
#include "printers/InstalledPrinters.h"
#include "setup/PathResolution.h"

#include <functional>
#include <memory>
#include <thread>

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

// A workspace made on a thread of its own, which then asks its printing
// service for the default printer: the printers are read and the scheduler
// answers while start-up shows its splash window and makes its windows, and
// the service keeps the answer for start-up's own question. Get() waits for
// the thread; a workspace that the thread could not make (no thread to be
// had, or a failure there) is made by Get().
class MadeMeanwhile {
public:
    using Maker = std::function<std::unique_ptr<Workspace>()>;

    explicit MadeMeanwhile(Maker make);
    ~MadeMeanwhile();

    MadeMeanwhile(const MadeMeanwhile&) = delete;
    MadeMeanwhile& operator=(const MadeMeanwhile&) = delete;

    Workspace& Get();

private:
    Maker make_;
    std::unique_ptr<Workspace> workspace_;
    std::thread making_;
};

// The workspace of a run on this machine: the printing service the program
// uses (platform::MakePrintingService: the machine's printers, or the
// simulated ones that KEVOCONF_SIMULATED_PRINTERS names) and this machine's
// folders (setup::ThisMachinePaths; withSamples for the program itself).
Workspace ThisMachine(bool withSamples);
std::unique_ptr<Workspace> MakeThisMachine(bool withSamples);

} // namespace kevo::workspace
