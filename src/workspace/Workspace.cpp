// SPDX-License-Identifier: Apache-2.0
#include "workspace/Workspace.h"

#include "platform/PrintingServiceFactory.h"

#include <utility>

namespace kevo::workspace {

Workspace::Workspace(std::unique_ptr<platform::PrintingService> service, setup::PathContext paths)
    : service_(std::move(service)), printers_(*service_), paths_(std::move(paths)) {}

printers::PrintersOpened Workspace::OpenPrinters(messages::Prompter& prompter) {
    return printers::OpenPrinters(prompter, [this] { printers_.Load(printers_.FindDefault()); });
}

Workspace ThisMachine(bool withSamples) {
    return Workspace(platform::MakePrintingService(), setup::ThisMachinePaths(withSamples));
}

} // namespace kevo::workspace
