// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "printsetup/PrinterCatalogue.h"

#include <optional>
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

// A configuration line as the print setup dialog takes and gives it: which
// line it is (its number and name, for the caption), the printer with its
// port and driver, and the bins of the first page and of the pages after it.
struct DialogLine {
    int line = 0;
    std::string name;
    std::string printer;
    std::string port;
    std::string driver;
    // The shown texts of a bin name list and of its number list.
    printers::PaperBin firstPage;
    printers::PaperBin otherPages;
};

// The print setup dialog as the main window uses it: one call edits a line.
// A window (or a stand-in for one) gives the dialog's logic and shows it
// modally; the rest is here.
class PrintSetupDialog {
public:
    virtual ~PrintSetupDialog() = default;

    // Edits a line: the dialog opens on the line's printer, or, when no
    // installed printer has that name, on the catalogue's current printer
    // (the printer that the check, or the edit before, looked at last),
    // with the bins that the line's bin numbers find (else the first ones),
    // the caption naming the line ("Printer: 7.  Name: Invoices"). The
    // printing service asks again what failed before, and a printer whose
    // bins cannot be asked is a failure here ("DevCap Error", raised before
    // the dialog shows), so that OK never stores stand-in bins. Gives the
    // line as the dialog shows it on OK (its number and name as they were),
    // nothing when the dialog closes any other way.
    std::optional<DialogLine> Edit(const DialogLine& line);

    // The printer that the consistency check compared its last line with
    // (PrinterCatalogue::ShowCheckedPrinter).
    void PrinterChecked(const printers::CheckedPrinter& checked);

protected:
    virtual PrintSetupLogic& Logic() = 0;
    // Shows the dialog modally; true when it closes with OK.
    virtual bool ShowModal() = 0;
};

} // namespace kevo::printsetup
