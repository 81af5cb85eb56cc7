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

int PrinterCatalogue::CurrentPrinterPosition() {
    if (!currentIndex_)
        currentIndex_ = printers_.DefaultPosition();
    return *currentIndex_;
}

void PrinterCatalogue::FormCreate() {
    const int defaultPosition = CurrentPrinterPosition();

    cboPrinters_.items.clear();
    cboPrinters_.selected = -1;
    Notify(CatalogueElement::cboPrinters);

    cboPrinters_.items = printers_.Names();
    Notify(CatalogueElement::cboPrinters);

    currentIndex_ = defaultPosition;
    SetSelectedPosition(defaultPosition);
    cboPrintersChange();
}

void PrinterCatalogue::Prefetch(const std::vector<std::string>& names) {
    // An unbuilt catalogue lists no printer to look the names up in.
    if (!cboPrinters_.items.empty())
        printers_.Prefetch(names);
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
    currentIndex_ = selected < 0 ? printers_.DefaultPosition() : selected;
    current_ = printers_.Details(*currentIndex_);

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
    const PrinterBins bins = printers_.Bins(current_, kind, failedCountIsError_);
    if (bins.unknown)
        binsUnknown_ = true;
    AddItems(first, second, bins.texts);
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
