// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "printsetup/PrinterCatalogue.h"

#include <string>

namespace kevo::printsetup {

// The dialog's caption until the main window names the line it edits.
inline constexpr const char* kPrintSetupCaption = "Print Setup";

// The logic of the print setup dialog beyond the catalogue: the coupling of
// the bin lists with their number lists and of source 2 with source 1
// through the "Use Additional Paper Tray" box, and the caption.
//
// Couplings that hold whenever a handler has run: each number list is at
// the position of its name list; with the box unchecked, source 2 is
// disabled and at the position of source 1.
class PrintSetupLogic {
public:
    explicit PrintSetupLogic(PrinterCatalogue& catalogue) : catalogue_(catalogue) {}

    PrinterCatalogue& Catalogue() { return catalogue_; }
    const PrinterCatalogue& Catalogue() const { return catalogue_; }

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption) { caption_ = std::move(caption); }

    bool UseSecondTray() const { return useSecondTray_; }
    // Sets the box's state without running its click handler.
    void SetUseSecondTray(bool checked) { useSecondTray_ = checked; }
    bool Tray2Enabled() const { return tray2Enabled_; }

    // The user picks or types in a list (or the caller runs the handler).
    void cboTray1Change();
    void cboTray2Change();
    void chkUseSecondTrayClick();
    // Every time the dialog is shown: the box is checked when the two
    // sources show different texts (letter case counts) or different bin
    // numbers.
    void FormShow();

    // The user picked position in a list, or typed text into it: the list
    // follows and the list's change handler runs.
    void PickPrinter(int position);
    void PickTray1(int position);
    void PickTray2(int position);
    void TypePrinter(std::string text);
    void TypeTray1(std::string text);
    void TypeTray2(std::string text);
    // The user clicked the box.
    void ClickUseSecondTray();

private:
    void SelectPickedPrinter();

    PrinterCatalogue& catalogue_;
    std::string caption_ = kPrintSetupCaption;
    bool useSecondTray_ = false;
    bool tray2Enabled_ = true;
};

// What line editing needs of the print setup dialog: its logic, and showing
// it modally.
class PrintSetupDialog {
public:
    virtual ~PrintSetupDialog() = default;
    virtual PrintSetupLogic& Logic() = 0;
    // Shows the dialog modally; true when it closes with OK.
    virtual bool ShowModal() = 0;
};

} // namespace kevo::printsetup
