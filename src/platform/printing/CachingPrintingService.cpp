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

CachingPrintingService::BinAnswers& CachingPrintingService::AnswersFor(const std::string& device,
                                                                       const std::string& port) {
    return bins_[{device, port}];
}

int CachingPrintingService::BinNameCount(const std::string& device, const std::string& port) {
    BinAnswers& answers = AnswersFor(device, port);
    if (!answers.nameCount)
        answers.nameCount = inner_->BinNameCount(device, port);
    return *answers.nameCount;
}

int CachingPrintingService::BinNames(const std::string& device, const std::string& port,
                                     std::vector<BinNameField>& out) {
    BinAnswers& answers = AnswersFor(device, port);
    if (!answers.names) {
        // The wrapped service gets the caller's buffer, as it would without
        // the cache, and what it leaves there is what later callers get.
        NameData data;
        data.fields = out;
        data.answer = inner_->BinNames(device, port, data.fields);
        answers.names = std::move(data);
    }
    out = answers.names->fields;
    return answers.names->answer;
}

int CachingPrintingService::BinNumberCount(const std::string& device, const std::string& port) {
    BinAnswers& answers = AnswersFor(device, port);
    if (!answers.numberCount)
        answers.numberCount = inner_->BinNumberCount(device, port);
    return *answers.numberCount;
}

int CachingPrintingService::BinNumbers(const std::string& device, const std::string& port,
                                       std::vector<std::uint16_t>& out) {
    BinAnswers& answers = AnswersFor(device, port);
    if (!answers.numbers) {
        NumberData data;
        data.fields = out;
        data.answer = inner_->BinNumbers(device, port, data.fields);
        answers.numbers = std::move(data);
    }
    out = answers.numbers->fields;
    return answers.numbers->answer;
}

void CachingPrintingService::Prefetch(const std::vector<std::string>& printers) {
    inner_->Prefetch(printers);
}

void CachingPrintingService::ForgetFailures() {
    if (defaultPrinter_ && defaultPrinter_->status != DefaultPrinterAnswer::Status::Ok)
        defaultPrinter_.reset();
    if (windowsDevice_ && windowsDevice_->empty())
        windowsDevice_.reset();
    std::erase_if(devicesValues_, [](const auto& entry) { return entry.second.empty(); });
    for (auto& [key, answers] : bins_) {
        if (answers.nameCount && *answers.nameCount < 0)
            answers.nameCount.reset();
        if (answers.names && answers.names->answer < 0)
            answers.names.reset();
        if (answers.numberCount && *answers.numberCount < 0)
            answers.numberCount.reset();
        if (answers.numbers && answers.numbers->answer < 0)
            answers.numbers.reset();
    }
    inner_->ForgetFailures();
}

} // namespace kevo::platform
