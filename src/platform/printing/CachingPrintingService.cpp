// SPDX-License-Identifier: Apache-2.0
#include "platform/printing/CachingPrintingService.h"

namespace kevo::platform {

CachingPrintingService::CachingPrintingService(std::unique_ptr<PrintingService> inner)
    : inner_(std::move(inner)) {}

std::vector<PrinterEntry> CachingPrintingService::EnumPrinters() {
    if (!printers_)
        printers_ = inner_->EnumPrinters();
    return *printers_;
}

DefaultPrinterAnswer CachingPrintingService::DefaultPrinter() {
    if (!defaultPrinter_)
        defaultPrinter_ = inner_->DefaultPrinter();
    return *defaultPrinter_;
}

std::string CachingPrintingService::ProfileWindowsDevice() {
    if (!windowsDevice_)
        windowsDevice_ = inner_->ProfileWindowsDevice();
    return *windowsDevice_;
}

std::string CachingPrintingService::ProfileDevicesValue(const std::string& printer) {
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

void CachingPrintingService::Prefetch(const std::vector<std::string>& printers) {
    // Printers whose bins are kept here already are not fetched again.
    std::vector<std::string> wanted;
    for (const std::string& printer : printers) {
        auto kept = bins_.lower_bound({printer, std::string(), BinKind::Names});
        bool asked = false;
        for (; kept != bins_.end() && std::get<0>(kept->first) == printer; ++kept)
            asked = asked || kept->second.count.has_value();
        if (!asked)
            wanted.push_back(printer);
    }
    if (!wanted.empty())
        inner_->Prefetch(wanted);
}

void CachingPrintingService::ForgetFailures() {
    if (defaultPrinter_ && defaultPrinter_->status != DefaultPrinterAnswer::Status::Ok)
        defaultPrinter_.reset();
    if (windowsDevice_ && windowsDevice_->empty())
        windowsDevice_.reset();
    std::erase_if(devicesValues_, [](const auto& entry) { return entry.second.empty(); });
    for (auto& [key, answers] : bins_) {
        if (answers.count && *answers.count < 0)
            answers.count.reset();
        if (answers.data && answers.data->first < 0)
            answers.data.reset();
    }
    inner_->ForgetFailures();
}

} // namespace kevo::platform
