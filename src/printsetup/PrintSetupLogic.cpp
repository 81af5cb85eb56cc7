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
    // Two bins may carry the same name: their numbers tell them apart, and
    // an unchecked box would move source 2 onto source 1's bin.
    useSecondTray_ = catalogue_.cboTray1().shownText != catalogue_.cboTray2().shownText ||
                     catalogue_.cboTray1Num().shownText != catalogue_.cboTray2Num().shownText;
    chkUseSecondTrayClick();
}

void PrintSetupLogic::SelectPickedPrinter() {
    // The user asks anew: a printer that failed before is asked again, and
    // one whose bins cannot be asked is a failure, never "Default"/"7".
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

} // namespace kevo::printsetup
