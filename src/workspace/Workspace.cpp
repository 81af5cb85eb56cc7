// SPDX-License-Identifier: Apache-2.0
#include "workspace/Workspace.h"

#include "platform/PrintingServiceFactory.h"

#include <system_error>
#include <utility>

namespace kevo::workspace {

Workspace::Workspace(std::unique_ptr<platform::PrintingService> service, setup::PathContext paths)
    : service_(std::move(service)), printers_(*service_), paths_(std::move(paths)) {}

printers::PrintersOpened Workspace::OpenPrinters(messages::Prompter& prompter) {
    return printers::OpenPrinters(prompter, [this] { printers_.Load(printers_.FindDefault()); });
}

MadeMeanwhile::MadeMeanwhile(Maker make) : make_(std::move(make)) {
    try {
        making_ = std::thread([this] {
            try {
                workspace_ = make_();
                workspace_->Service().DefaultPrinter();
            } catch (...) {
                // Start-up asks again, and meets the failure there.
            }
        });
    } catch (const std::system_error&) {
        // No thread to be had: Get() makes the workspace.
    }
}

MadeMeanwhile::~MadeMeanwhile() {
    if (making_.joinable())
        making_.join();
}

Workspace& MadeMeanwhile::Get() {
    if (making_.joinable())
        making_.join();
    if (!workspace_)
        workspace_ = make_();
    return *workspace_;
}

Workspace ThisMachine(bool withSamples) {
    return Workspace(platform::MakePrintingService(), setup::ThisMachinePaths(withSamples));
}

std::unique_ptr<Workspace> MakeThisMachine(bool withSamples) {
    return std::make_unique<Workspace>(platform::MakePrintingService(),
                                       setup::ThisMachinePaths(withSamples));
}

} // namespace kevo::workspace
