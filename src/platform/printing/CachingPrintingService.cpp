// SPDX-License-Identifier: Apache-2.0
#include "platform/printing/CachingPrintingService.h"

#include <algorithm>
#include <set>

namespace kevo::platform {

CachingPrintingService::CachingPrintingService(std::unique_ptr<PrintingService> inner)
    : inner_(std::move(inner)) {}

std::vector<PrinterEntry> CachingPrintingService::EnumPrinters() {
    if (printers_)
        return *printers_;
    // A service that cannot be asked lists nothing: an empty list is asked
    // for again, so that a look-up made while the service failed does not
    // leave the rest of the run without printers.
    std::vector<PrinterEntry> printers = inner_->EnumPrinters();
    if (!printers.empty())
        printers_ = printers;
    return printers;
}

PrinterLookup CachingPrintingService::LookUpPrinter(const std::string& name) {
    if (printers_)
        return {};
    if (auto kept = lookups_.find(name); kept != lookups_.end())
        return kept->second;
    PrinterLookup answer = inner_->LookUpPrinter(name);
    if (answer.result != PrinterLookup::Result::Unknown)
        lookups_.emplace(name, answer);
    return answer;
}

DefaultPrinterAnswer CachingPrintingService::DefaultPrinter() {
    if (!defaultPrinter_)
        defaultPrinter_ = inner_->DefaultPrinter();
    return *defaultPrinter_;
}

WindowsDevice CachingPrintingService::ProfileWindowsDevice() {
    if (!windowsDevice_)
        windowsDevice_ = inner_->ProfileWindowsDevice();
    return *windowsDevice_;
}

DevicesValue CachingPrintingService::ProfileDevicesValue(const std::string& printer) {
    auto found = devicesValues_.find(printer);
    if (found == devicesValues_.end())
        found = devicesValues_.emplace(printer, inner_->ProfileDevicesValue(printer)).first;
    return found->second;
}

int CachingPrintingService::BinCount(BinKind kind, const std::string& device,
                                     const std::string& port) {
    BinAnswers& answers = bins_[{device, port, kind}];
    if (!answers.count)
        answers.count = inner_->BinCount(kind, device, port);
    return *answers.count;
}

int CachingPrintingService::BinData(const std::string& device, const std::string& port,
                                    BinFields& out) {
    BinAnswers& answers = bins_[{device, port, KindOf(out)}];
    if (!answers.data) {
        // The wrapped service gets the caller's buffer, as it would without
        // the cache, and what it leaves there is what later callers get.
        BinFields fields = out;
        const int answer = inner_->BinData(device, port, fields);
        answers.data.emplace(answer, std::move(fields));
    }
    out = answers.data->second;
    return answers.data->first;
}

void CachingPrintingService::Prefetch(const std::vector<std::string>& names) {
    // Each printer once, by the name its entry has where that is known
    // here; printers whose bins are kept here already are not fetched again.
    std::vector<std::string> wanted;
    std::set<std::string> named;
    for (const std::string& name : names) {
        std::string printer = name;
        if (printers_) {
            const auto listed =
                std::find_if(printers_->begin(), printers_->end(), [&name](const auto& entry) {
                    return SameTextIgnoringCase(entry.name, name);
                });
            if (listed == printers_->end())
                continue;
            printer = listed->name;
        } else if (auto kept = lookups_.find(name); kept != lookups_.end()) {
            if (kept->second.result != PrinterLookup::Result::Found)
                continue;
            printer = kept->second.entry.name;
        }
        auto kept = bins_.lower_bound({printer, std::string(), BinKind::Names});
        bool asked = false;
        for (; kept != bins_.end() && std::get<0>(kept->first) == printer; ++kept)
            asked = asked || kept->second.count.has_value();
        if (!asked && named.insert(printer).second)
            wanted.push_back(std::move(printer));
    }
    if (!wanted.empty())
        inner_->Prefetch(wanted);
}

void CachingPrintingService::ForgetFailures() {
    if (defaultPrinter_ && defaultPrinter_->status != DefaultPrinterAnswer::Status::Ok)
        defaultPrinter_.reset();
    if (windowsDevice_ && *windowsDevice_ == WindowsDevice{})
        windowsDevice_.reset();
    std::erase_if(devicesValues_, [](const auto& entry) { return entry.second == DevicesValue{}; });
    for (auto& [key, answers] : bins_) {
        if (answers.count && *answers.count < 0)
            answers.count.reset();
        if (answers.data && answers.data->first < 0)
            answers.data.reset();
    }
    inner_->ForgetFailures();
}

void CachingPrintingService::ForgetAnswers() {
    defaultPrinter_.reset();
    windowsDevice_.reset();
    devicesValues_.clear();
    bins_.clear();
    inner_->ForgetAnswers();
}

} // namespace kevo::platform
