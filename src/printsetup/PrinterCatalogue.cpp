// SPDX-License-Identifier: Apache-2.0
#include "printsetup/PrinterCatalogue.h"

#include "core/ErrorReport.h"
#include "platform/text/TextCoding.h"

#include <algorithm>
#include <stdexcept>
#include <variant>

namespace kevo::printsetup {

using core::KevoError;

namespace {

// The single entries of a driver that reports no bins: the automatic bin.
constexpr const char* kDefaultBinName = "Default";
constexpr const char* kDefaultBinNumber = "7";

// A text as a buffer of bufferSize characters (terminator included) holds it:
// up to its first NUL, at most bufferSize - 1 characters.
std::string InBuffer(std::string_view text, std::size_t bufferSize) {
    text = text.substr(0, text.find('\0'));
    return platform::CutToCharacters(text, bufferSize - 1);
}

// A bin name field: up to its first NUL, at most the whole field, trimmed of
// every character from code 0 to the blank at both ends.
std::string BinText(const platform::BinNameField& field) {
    const char* begin = field.data();
    const char* end = std::find(field.begin(), field.end(), '\0');
    auto isTrimmed = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (begin != end && isTrimmed(*begin))
        ++begin;
    while (end != begin && isTrimmed(end[-1]))
        --end;
    return std::string(begin, end);
}

// A bin number field: its decimal text.
std::string BinText(std::uint16_t number) {
    return std::to_string(number);
}

// Shows the wait pointer for its lifetime.
class WaitPointerShown {
public:
    explicit WaitPointerShown(WaitPointer* pointer) : pointer_(pointer) {
        if (pointer_ != nullptr)
            pointer_->ShowWaitPointer();
    }
    ~WaitPointerShown() {
        if (pointer_ != nullptr)
            pointer_->ShowNormalPointer();
    }
    WaitPointerShown(const WaitPointerShown&) = delete;
    WaitPointerShown& operator=(const WaitPointerShown&) = delete;

private:
    WaitPointer* pointer_;
};

} // namespace

int FindInList(const std::vector<std::string>& items, std::string_view text) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (platform::SameTextIgnoringCase(items[i], text))
            return static_cast<int>(i);
    }
    return -1;
}

PrinterCatalogue::PrinterCatalogue(platform::PrintingService& service) : service_(service) {}

CatalogueList& PrinterCatalogue::MutableList(CatalogueElement list) {
    switch (list) {
    case CatalogueElement::cboPrinters:
        return cboPrinters_;
    case CatalogueElement::cboTray1:
        return cboTray1_;
    case CatalogueElement::cboTray2:
        return cboTray2_;
    case CatalogueElement::cboTray1Num:
        return cboTray1Num_;
    case CatalogueElement::cboTray2Num:
        return cboTray2Num_;
    case CatalogueElement::lblPort:
    case CatalogueElement::lblDriver:
        break;
    }
    throw std::invalid_argument("PrinterCatalogue: a caption is not a list");
}

const CatalogueList& PrinterCatalogue::List(CatalogueElement list) const {
    return const_cast<PrinterCatalogue*>(this)->MutableList(list);
}

void PrinterCatalogue::Notify(CatalogueElement element) {
    if (listener_ != nullptr)
        listener_->CatalogueChanged(element);
}

int PrinterCatalogue::WorkOutDefaultPrinter() {
    const platform::DefaultPrinterAnswer answer = service_.DefaultPrinter();
    switch (answer.status) {
    case platform::DefaultPrinterAnswer::Status::Ok:
        break;
    case platform::DefaultPrinterAnswer::Status::InvalidName:
        throw KevoError(kNoDefaultPrinter);
    case platform::DefaultPrinterAnswer::Status::SystemError:
        throw KevoError(SystemErrorText(answer.errorCode, answer.errorText));
    }

    std::string name;
    if (!answer.names.empty()) {
        name = answer.names.front();
    } else {
        // The [windows] device value reads "name,driver,port".
        const std::string value =
            InBuffer(service_.ProfileWindowsDevice(), kWindowsDeviceBufferSize);
        const std::size_t start = std::min(value.find_first_not_of(' '), value.size());
        name = value.substr(start, value.find(',', start) - start);
    }
    if (name.empty())
        throw KevoError(kNoDefaultPrinter);

    const std::vector<platform::PrinterEntry> printers = service_.EnumPrinters();
    for (std::size_t i = 0; i < printers.size(); ++i) {
        if (platform::SameTextIgnoringCase(printers[i].name, name))
            return static_cast<int>(i);
    }
    throw KevoError(kNoDefaultPrinter);
}

int PrinterCatalogue::CurrentPrinterPosition() {
    if (!currentIndex_)
        currentIndex_ = WorkOutDefaultPrinter();
    return *currentIndex_;
}

void PrinterCatalogue::FetchCurrentPrinter() {
    // The enumeration gives a name and, where the service lists printers per
    // port, a port; never a driver.
    const platform::PrinterEntry entry =
        service_.EnumPrinters().at(static_cast<std::size_t>(*currentIndex_));
    device_ = InBuffer(entry.name, kBufferSize);
    driver_.clear();
    port_ = InBuffer(entry.port, kBufferSize);
}

void PrinterCatalogue::FormCreate() {
    const int defaultPosition = CurrentPrinterPosition();

    cboPrinters_.items.clear();
    cboPrinters_.selected = -1;
    Notify(CatalogueElement::cboPrinters);

    // The enumeration gives the names as the device buffer holds them.
    for (const platform::PrinterEntry& entry : service_.EnumPrinters())
        cboPrinters_.items.push_back(InBuffer(entry.name, kBufferSize));
    Notify(CatalogueElement::cboPrinters);

    currentIndex_ = defaultPosition;
    SetSelectedPosition(defaultPosition);
    cboPrintersChange();
}

void PrinterCatalogue::Prefetch(const std::vector<std::string>& names) {
    std::vector<bool> named(cboPrinters_.items.size(), false);
    std::vector<std::string> printers;
    for (const std::string& name : names) {
        const int position = FindPrinter(name);
        if (position < 0 || named[static_cast<std::size_t>(position)])
            continue;
        named[static_cast<std::size_t>(position)] = true;
        printers.push_back(cboPrinters_.items[static_cast<std::size_t>(position)]);
    }
    if (!printers.empty())
        service_.Prefetch(printers);
}

int PrinterCatalogue::FindPrinter(std::string_view name) const {
    return FindInList(cboPrinters_.items, name);
}

void PrinterCatalogue::SetSelectedPosition(int position) {
    SetListPosition(CatalogueElement::cboPrinters, position);
}

void PrinterCatalogue::SetListPosition(CatalogueElement list, int position) {
    CatalogueList& target = MutableList(list);
    if (position < 0 || static_cast<std::size_t>(position) >= target.items.size()) {
        target.selected = -1;
        target.shownText.clear();
    } else {
        target.selected = position;
        target.shownText = target.items[static_cast<std::size_t>(position)];
    }
    Notify(list);
}

void PrinterCatalogue::TypeText(CatalogueElement list, std::string text) {
    CatalogueList& target = MutableList(list);
    target.selected = FindInList(target.items, text);
    target.shownText = std::move(text);
    Notify(list);
}

void PrinterCatalogue::cboPrintersChange() {
    WaitPointerShown wait(waitPointer_);

    const int selected = cboPrinters_.selected;
    if (selected < 0)
        currentIndex_ = WorkOutDefaultPrinter();
    else
        currentIndex_ = selected;
    FetchCurrentPrinter();

    // The [Devices] value reads "driver,port(s)": the driver is the text
    // before the first comma, the port everything after it; a value without
    // a comma stands for both.
    if (driver_.empty()) {
        driver_ = InBuffer(service_.ProfileDevicesValue(device_), kDevicesValueBufferSize);
        driver_ = driver_.substr(0, driver_.find(','));
    }
    if (port_.empty()) {
        port_ = InBuffer(service_.ProfileDevicesValue(device_), kDevicesValueBufferSize);
        const std::size_t comma = port_.find(',');
        if (comma != std::string::npos)
            port_ = port_.substr(comma + 1);
    }

    lblPort_ = port_;
    Notify(CatalogueElement::lblPort);
    lblDriver_ = driver_;
    Notify(CatalogueElement::lblDriver);

    // Complete only once both lists belong to this printer.
    binListsComplete_ = false;
    binsUnknown_ = false;
    LoadTrayNames();
    LoadTrayNumbers();
    binListsComplete_ = true;
}

void PrinterCatalogue::ClearItems(CatalogueElement list) {
    CatalogueList& target = MutableList(list);
    target.items.clear();
    target.selected = -1;
    Notify(list);
}

void PrinterCatalogue::AddItems(CatalogueElement first, CatalogueElement second,
                                const std::vector<std::string>& items) {
    for (CatalogueElement list : {first, second}) {
        CatalogueList& target = MutableList(list);
        target.items.insert(target.items.end(), items.begin(), items.end());
        Notify(list);
    }
    SetListPosition(first, 0);
    SetListPosition(second, 0);
}

void PrinterCatalogue::CountAnswered(int count) {
    if (count >= 0)
        return;
    if (failedCountIsError_)
        throw KevoError(kDevCapError);
    binsUnknown_ = true;
}

void PrinterCatalogue::LoadTrayNames() {
    LoadBins(platform::BinKind::Names, CatalogueElement::cboTray1, CatalogueElement::cboTray2);
}

void PrinterCatalogue::LoadTrayNumbers() {
    LoadBins(platform::BinKind::Numbers, CatalogueElement::cboTray1Num,
             CatalogueElement::cboTray2Num);
}

void PrinterCatalogue::LoadBins(platform::BinKind kind, CatalogueElement first,
                                CatalogueElement second) {
    ClearItems(first);
    ClearItems(second);

    std::vector<std::string> texts;
    const int count = service_.BinCount(kind, device_, port_);
    CountAnswered(count);
    if (count <= 0) {
        texts.push_back(kind == platform::BinKind::Names ? kDefaultBinName : kDefaultBinNumber);
    } else {
        if (count > kMaxBinCount)
            throw KevoError(kDevCapError);
        const auto fieldCount = static_cast<std::size_t>(count);
        platform::BinFields fields = platform::EmptyBinFields(kind, fieldCount);
        if (service_.BinData(device_, port_, fields) == -1)
            throw KevoError(kDevCapError);
        // As many fields as the count gave; fields the service did not fill
        // are empty (names) or 0 (numbers).
        std::visit(
            [&texts, fieldCount](auto& filled) {
                filled.resize(fieldCount);
                for (const auto& field : filled)
                    texts.push_back(BinText(field));
            },
            fields);
    }
    AddItems(first, second, texts);
}

int PrinterCatalogue::FindBinName(std::string_view name) const {
    return FindInList(cboTray1_.items, name);
}

int PrinterCatalogue::FindBinNumber(std::string_view number) const {
    return FindInList(cboTray1Num_.items, number);
}

int PrinterCatalogue::Find(CatalogueElement list, std::string_view text) const {
    return FindInList(List(list).items, text);
}

} // namespace kevo::printsetup
