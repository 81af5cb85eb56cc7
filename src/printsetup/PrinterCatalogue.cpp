// SPDX-License-Identifier: Apache-2.0
#include "printsetup/PrinterCatalogue.h"

#include <stdexcept>

namespace kevo::printsetup {

PrinterCatalogue::PrinterCatalogue(printers::InstalledPrinters& printers) : printers_(printers) {}

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
        currentIndex_ = printers_.AllPrinters().DefaultPosition();
    return *currentIndex_;
}

void PrinterCatalogue::FormCreate() {
    // Found by name, so that nothing needs the whole list yet.
    const printers::FoundPrinter defaultPrinter = printers_.FindDefault();

    cboPrinters_.items.clear();
    cboPrinters_.selected = -1;
    cboPrinters_.shownText.clear();
    Notify(CatalogueElement::cboPrinters);
    currentIndex_.reset();

    printers::WaitPointerShown wait(printers_.ShownWhileAsking());
    selectedByName_ = defaultPrinter.entry;
    Load(printers_.AllPrinters().Details(defaultPrinter.entry));
}

void PrinterCatalogue::TakeList() const {
    if (printers_.ListTaken())
        return;
    cboPrinters_.items = printers_.Names();
    Notify(CatalogueElement::cboPrinters);
    // A printer found by name is the first entry its own name finds; it may
    // have gone from the list since.
    const std::optional<platform::PrinterEntry> selected = std::move(selectedByName_);
    selectedByName_.reset();
    const int position = selected ? printers::FindInList(cboPrinters_.items, selected->name) : -1;
    if (position >= 0)
        currentIndex_ = position;
    cboPrinters_.selected = position;
    cboPrinters_.shownText =
        position >= 0 ? cboPrinters_.items[static_cast<std::size_t>(position)] : std::string();
    Notify(CatalogueElement::cboPrinters);
}

int PrinterCatalogue::FindPrinter(std::string_view name) const {
    return printers::FindInList(cboPrinters().items, name);
}

void PrinterCatalogue::ShowCheckedPrinter(const printers::CheckedPrinter& checked) {
    if (printers_.ListTaken()) {
        // The check found it in the same list, first match from the top.
        const int position = printers::FindInList(cboPrinters_.items, checked.name);
        SetSelectedPosition(position);
        if (position >= 0)
            currentIndex_ = position;
    } else {
        selectedByName_ = platform::PrinterEntry{checked.name, {}};
    }
    if (!checked.printer) {
        binListsComplete_ = false;
        return;
    }
    ShowDetails(*checked.printer);
    binsUnknown_ = checked.printer->BinsUnknown();
    ShowBins(checked.printer->binNames, CatalogueElement::cboTray1, CatalogueElement::cboTray2);
    ShowBins(checked.printer->binNumbers, CatalogueElement::cboTray1Num,
             CatalogueElement::cboTray2Num);
    binListsComplete_ = true;
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
    printers::WaitPointerShown wait(printers_.ShownWhileAsking());

    const int selected = cboPrinters().selected;
    currentIndex_ = selected < 0 ? printers_.AllPrinters().DefaultPosition() : selected;
    Load(printers_.AllPrinters().Details(*currentIndex_));
}

void PrinterCatalogue::ShowDetails(const printers::Printer& printer) {
    current_ = {printer.name, printer.port, printer.driver, {}, {}};

    lblPort_ = current_.port;
    Notify(CatalogueElement::lblPort);
    lblDriver_ = current_.driver;
    Notify(CatalogueElement::lblDriver);
}

void PrinterCatalogue::Load(const printers::Printer& printer) {
    ShowDetails(printer);

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
    const printers::PrinterBins bins =
        printers_.AllPrinters().Bins(current_, kind, failedCountIsError_);
    if (bins.unknown)
        binsUnknown_ = true;
    AddItems(first, second, bins.texts);
}

void PrinterCatalogue::ShowBins(const printers::PrinterBins& bins, CatalogueElement first,
                                CatalogueElement second) {
    ClearItems(first);
    ClearItems(second);
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
