// SPDX-License-Identifier: Apache-2.0
#include "printsetup/PrinterCatalogue.h"

#include <stdexcept>

namespace kevo::printsetup {

namespace {

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

PrinterCatalogue::PrinterCatalogue(platform::PrintingService& service) : printers_(service) {}

CatalogueList& PrinterCatalogue::MutableList(CatalogueElement list) {
    switch (list) {
    case CatalogueElement::cboPrinters:
        TakeList();
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

void PrinterCatalogue::Notify(CatalogueElement element) const {
    if (listener_ != nullptr)
        listener_->CatalogueChanged(element);
}

int PrinterCatalogue::CurrentPrinterPosition() {
    TakeList();
    if (!currentIndex_)
        currentIndex_ = printers_.DefaultPosition();
    return *currentIndex_;
}

void PrinterCatalogue::FormCreate() {
    // Found by name, so that nothing needs the whole list yet.
    const platform::PrinterEntry defaultPrinter = printers_.DefaultPrinter();

    cboPrinters_.items.clear();
    cboPrinters_.selected = -1;
    cboPrinters_.shownText.clear();
    Notify(CatalogueElement::cboPrinters);
    listTaken_ = false;
    currentIndex_.reset();

    WaitPointerShown wait(waitPointer_);
    selectedByName_ = defaultPrinter;
    Load(printers_.Details(defaultPrinter));
}

void PrinterCatalogue::TakeList() const {
    if (listTaken_)
        return;
    listTaken_ = true;
    cboPrinters_.items = printers_.Names();
    Notify(CatalogueElement::cboPrinters);
    // A printer found by name is the first entry its own name finds; it may
    // have gone from the list since.
    const std::optional<platform::PrinterEntry> selected = std::move(selectedByName_);
    selectedByName_.reset();
    const int position =
        selected ? printers::FindInList(cboPrinters_.items, selected->name) : -1;
    if (position >= 0)
        currentIndex_ = position;
    cboPrinters_.selected = position;
    cboPrinters_.shownText =
        position >= 0 ? cboPrinters_.items[static_cast<std::size_t>(position)] : std::string();
    Notify(CatalogueElement::cboPrinters);
}

void PrinterCatalogue::Prefetch(const std::vector<std::string>& names) {
    // An unbuilt catalogue lists no printer to look the names up in.
    if (listTaken_ && cboPrinters_.items.empty())
        return;
    printers_.Prefetch(names);
}

int PrinterCatalogue::FindPrinter(std::string_view name) const {
    return printers::FindInList(cboPrinters().items, name);
}

bool PrinterCatalogue::HasPrinter(std::string_view name) const {
    if (listTaken_)
        return FindPrinter(name) >= 0;
    return printers_.Find(name).has_value();
}

bool PrinterCatalogue::SelectPrinterNamed(std::string_view name) {
    if (listTaken_) {
        const int position = FindPrinter(name);
        if (position < 0)
            return false;
        if (position != cboPrinters_.selected || !binListsComplete_) {
            SetSelectedPosition(position);
            cboPrintersChange();
        }
        return true;
    }
    std::optional<platform::PrinterEntry> printer = printers_.Find(name);
    if (!printer)
        return false;
    const bool selected = selectedByName_ && selectedByName_->name == printer->name &&
                          selectedByName_->port == printer->port;
    if (!selected || !binListsComplete_) {
        WaitPointerShown wait(waitPointer_);
        selectedByName_ = std::move(printer);
        Load(printers_.Details(*selectedByName_));
    }
    return true;
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
    target.selected = printers::FindInList(target.items, text);
    target.shownText = std::move(text);
    Notify(list);
}

void PrinterCatalogue::cboPrintersChange() {
    WaitPointerShown wait(waitPointer_);

    const int selected = cboPrinters().selected;
    currentIndex_ = selected < 0 ? printers_.DefaultPosition() : selected;
    Load(printers_.Details(*currentIndex_));
}

void PrinterCatalogue::Load(const printers::Printer& printer) {
    current_ = printer;

    lblPort_ = current_.port;
    Notify(CatalogueElement::lblPort);
    lblDriver_ = current_.driver;
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
    const printers::PrinterBins bins = printers_.Bins(current_, kind, failedCountIsError_);
    if (bins.unknown)
        binsUnknown_ = true;
    AddItems(first, second, bins.texts);
}

int PrinterCatalogue::FindBinName(std::string_view name) const {
    return printers::FindInList(cboTray1_.items, name);
}

int PrinterCatalogue::FindBinNumber(std::string_view number) const {
    return printers::FindInList(cboTray1Num_.items, number);
}

int PrinterCatalogue::Find(CatalogueElement list, std::string_view text) const {
    return printers::FindInList(List(list).items, text);
}

} // namespace kevo::printsetup
