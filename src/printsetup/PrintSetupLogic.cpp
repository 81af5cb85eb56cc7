// SPDX-License-Identifier: Apache-2.0
#include "printsetup/PrintSetupLogic.h"

namespace kevo::printsetup {

using E = CatalogueElement;

void PrintSetupLogic::cboTray1Change() {
    catalogue_.SetListPosition(E::cboTray1Num, catalogue_.cboTray1().selected);
    chkUseSecondTrayClick();
}

void PrintSetupLogic::cboTray2Change() {
    catalogue_.SetListPosition(E::cboTray2Num, catalogue_.cboTray2().selected);
}

void PrintSetupLogic::chkUseSecondTrayClick() {
    if (useSecondTray_) {
        tray2Enabled_ = true;
    } else {
        catalogue_.SetListPosition(E::cboTray2, catalogue_.cboTray1().selected);
        tray2Enabled_ = false;
    }
    cboTray2Change();
}

void PrintSetupLogic::FormShow() {
    // An unchecked box would move source 2 onto source 1's bin.
    useSecondTray_ = printers::UsesSecondTray(
        {catalogue_.cboTray1().shownText, catalogue_.cboTray1Num().shownText},
        {catalogue_.cboTray2().shownText, catalogue_.cboTray2Num().shownText});
    chkUseSecondTrayClick();
}

void PrintSetupLogic::SelectPickedPrinter() {
    // The user asks anew: a printer that failed before is asked again, and
    // one whose bins cannot be asked is a failure, never the stand-in bin.
    catalogue_.ForgetFailures();
    FailedCountIsError editing(catalogue_);
    catalogue_.cboPrintersChange();
}

void PrintSetupLogic::PickPrinter(int position) {
    catalogue_.SetSelectedPosition(position);
    SelectPickedPrinter();
}

void PrintSetupLogic::PickTray1(int position) {
    catalogue_.SetListPosition(E::cboTray1, position);
    cboTray1Change();
}

void PrintSetupLogic::PickTray2(int position) {
    catalogue_.SetListPosition(E::cboTray2, position);
    cboTray2Change();
}

void PrintSetupLogic::TypePrinter(std::string text) {
    // Typing selects at every key: no error per key for a printer that
    // cannot be asked, but its stand-in bins cannot be accepted either.
    catalogue_.TypeText(E::cboPrinters, std::move(text));
    catalogue_.cboPrintersChange();
}

void PrintSetupLogic::TypeTray1(std::string text) {
    catalogue_.TypeText(E::cboTray1, std::move(text));
    cboTray1Change();
}

void PrintSetupLogic::TypeTray2(std::string text) {
    catalogue_.TypeText(E::cboTray2, std::move(text));
    cboTray2Change();
}

void PrintSetupLogic::ClickUseSecondTray() {
    useSecondTray_ = !useSecondTray_;
    chkUseSecondTrayClick();
}

std::optional<DialogLine> PrintSetupDialog::Edit(const DialogLine& line) {
    PrintSetupLogic& dialog = Logic();
    PrinterCatalogue& catalogue = dialog.Catalogue();

    // The line's printer, or the catalogue's current printer when the
    // line's is not installed.
    catalogue.ForgetFailures();
    const int found = catalogue.FindPrinter(line.printer);
    catalogue.SetSelectedPosition(found >= 0 ? found : catalogue.CurrentPrinterPosition());
    {
        FailedCountIsError editing(catalogue);
        catalogue.cboPrintersChange();
    }

    // The bins are found by their stored numbers only.
    const int tray1 = catalogue.FindBinNumber(line.firstPage.number);
    catalogue.SetListPosition(E::cboTray1, tray1 >= 0 ? tray1 : 0);
    dialog.cboTray1Change();
    const int tray2 = catalogue.Find(E::cboTray2Num, line.otherPages.number);
    catalogue.SetListPosition(E::cboTray2, tray2 >= 0 ? tray2 : 0);
    dialog.cboTray2Change();

    dialog.SetCaption("Printer: " + std::to_string(line.line) + ".  Name: " + line.name);
    if (!ShowModal())
        return std::nullopt;
    DialogLine edited = line;
    edited.printer = catalogue.cboPrinters().shownText;
    edited.port = catalogue.lblPort();
    edited.driver = catalogue.lblDriver();
    edited.firstPage = {catalogue.cboTray1().shownText, catalogue.cboTray1Num().shownText};
    edited.otherPages = {catalogue.cboTray2().shownText, catalogue.cboTray2Num().shownText};
    return edited;
}

void PrintSetupDialog::PrinterChecked(const printers::CheckedPrinter& checked) {
    Logic().Catalogue().ShowCheckedPrinter(checked);
}

} // namespace kevo::printsetup
