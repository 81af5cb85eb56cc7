// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "printers/InstalledPrinters.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kevo::printsetup {

// A drop-down list of the print setup dialog as plain data.
struct CatalogueList {
    std::vector<std::string> items;
    // The selected position, -1 when none is selected.
    int selected = -1;
    // The text the list shows: the selected item's text after a selection,
    // empty after a selection of -1; emptying the items leaves it as it was.
    std::string shownText;
};

// The elements of the print setup dialog that hold the catalogue's state.
enum class CatalogueElement {
    cboPrinters,
    lblPort,
    lblDriver,
    cboTray1,
    cboTray2,
    cboTray1Num,
    cboTray2Num,
};

// Told whenever an element's content changes, so that a dialog can mirror
// the lists in its widgets. Called synchronously, once per change: the items
// emptied, the items filled, a position selected, a caption set.
class CatalogueListener {
public:
    virtual ~CatalogueListener() = default;
    virtual void CatalogueChanged(CatalogueElement element) = 0;
};

// The printer catalogue: the print setup dialog's model of its lists over
// the installed printers, and one printer at a time (the current printer)
// with its port, its driver and its paper bins. The print setup dialog's
// creation builds it, once; line editing selects printers in it, and the
// dialog shows it. The consistency check compares lines with printers of
// its own and tells the catalogue the last one (ShowCheckedPrinter).
//
// Failures throw what Printers throws (NoDefaultPrinter, "DevCap Error", the
// system error). Each leaves the state described at the operation that
// raises it.
class PrinterCatalogue {
public:
    // The catalogue asks printers for everything; they must outlive it.
    // Positions in cboPrinters are positions in the printing service's list.
    // The program's service keeps its first answer for the run
    // (CachingPrintingService), so printers installed or removed later are
    // seen at the next start.
    explicit PrinterCatalogue(printers::InstalledPrinters& printers);

    void SetListener(CatalogueListener* listener) { listener_ = listener; }
    // The wait pointer that selecting a printer shows while it asks the
    // printing service: the printers' (InstalledPrinters::SetWaitPointer),
    // which the check's questions show too.
    void SetWaitPointer(printers::WaitPointer* waitPointer) {
        printers_.SetWaitPointer(waitPointer);
    }

    // Build: works out the default printer (InstalledPrinters::FindDefault),
    // and selects and loads it as cboPrintersChange does. cboPrinters is
    // filled with one entry per printer of the service, in its order, when
    // it is first needed (its items, a position in it, the dialog showing
    // it), once: a print server may hold thousands of printers, and a check
    // needs only those that its lines name. The default printer is then the
    // selected one, unless another was selected meanwhile. Without a default
    // printer it throws NoDefaultPrinter and leaves cboPrinters empty, as
    // the run's printers are.
    void FormCreate();

    // The position of a printer name in cboPrinters (lookup rule), or -1.
    int FindPrinter(std::string_view name) const;

    // Whether cboPrinters has been filled (or was left empty for good).
    bool PrinterListTaken() const { return printers_.ListTaken(); }
    // Fills cboPrinters now if it is still to be filled, with the printer
    // selected by name (if any) selected and current there.
    void TakeList() const;

    // The printer that the consistency check compared its last line with
    // becomes the selected and current printer, as if selected by name: its
    // port, driver and bin lists are shown from the value, all four lists at
    // their first entry, without asking the printing service. Without a
    // value (asking for it failed part-way) only the selection follows, and
    // the lists belong to no printer (BinListsComplete).
    //
    // The selection outlives what made it: the print setup dialog opens on
    // it for a line whose printer is not installed (CurrentPrinterPosition).
    // So what the user sees there is the printer that the check, or the
    // edit before, looked at last.
    void ShowCheckedPrinter(const printers::CheckedPrinter& checked);

    // The position selected in cboPrinters, or -1.
    int SelectedPosition() const { return cboPrinters().selected; }

    // Selects a position in cboPrinters without running cboPrintersChange; a
    // position outside the list selects none (-1).
    void SetSelectedPosition(int position);

    // The printing service's index of the current printer: the position last
    // made current by cboPrintersChange, or the default printer's position
    // when none has been made current yet or the selection was -1. Working
    // out the default printer can throw.
    int CurrentPrinterPosition();

    // Makes the printer selected in cboPrinters current (the default printer
    // when none is selected), loads its device, driver and port (with the
    // [Devices] value as the fallback for an empty driver or port), sets
    // lblPort and lblDriver, and reloads the bin lists, all four then at
    // their first entry. The wait pointer is shown meanwhile and reset in
    // every case.
    void cboPrintersChange();

    // Reload cboTray1 and cboTray2 (bin names), or cboTray1Num and
    // cboTray2Num (bin numbers), for the current device and port. A driver
    // without bins, or whose count query fails, gives the single
    // stand-in bin (Printers::Bins); a failed count (-1) is remembered
    // (BinsUnknown) and, while FailedCountIsError is set, throws "DevCap
    // Error" like a failing data query instead (Printers::Bins). A failure
    // leaves the two lists without entries.
    void LoadTrayNames();
    void LoadTrayNumbers();

    // True when the current printer's bins could not be asked (a count
    // query answered -1): its stand-in bin lists stand in for bins that
    // are not known, so nothing can be found to match them.
    bool BinsUnknown() const { return binsUnknown_; }
    // False after a selection that failed part-way ("DevCap Error"): the
    // lists then belong to no printer, and the next check must select the
    // printer again even when its position is still selected.
    bool BinListsComplete() const { return binListsComplete_; }

    // Editing must never offer the stand-in bin for a printer that could not
    // be asked, or OK would replace a line's real bins with them: while set,
    // a failed count query is the failure "DevCap Error".
    void SetFailedCountIsError(bool on) { failedCountIsError_ = on; }

    // A new command of the user's begins: the printing service asks again
    // what failed before.
    void ForgetFailures() { printers_.ForgetFailures(); }

    // Lookups in cboTray1 (bin names) and cboTray1Num (bin numbers as
    // decimal text); cboTray2 and cboTray2Num hold the same entries.
    int FindBinName(std::string_view name) const;
    int FindBinNumber(std::string_view number) const;

    // The lookup rule on any of the five lists.
    int Find(CatalogueElement list, std::string_view text) const;

    // Selects a position in one of the five lists without running any
    // handler; a position outside the list selects none (-1).
    void SetListPosition(CatalogueElement list, int position);

    // The user typed text into one of the five lists: the list's position
    // becomes that of the entry the text names (the lookup rule), or -1, and
    // the typed text stays shown as typed. No handler runs.
    void TypeText(CatalogueElement list, std::string text);

    const CatalogueList& List(CatalogueElement list) const;
    const CatalogueList& cboPrinters() const {
        TakeList();
        return cboPrinters_;
    }
    const CatalogueList& cboTray1() const { return cboTray1_; }
    const CatalogueList& cboTray2() const { return cboTray2_; }
    const CatalogueList& cboTray1Num() const { return cboTray1Num_; }
    const CatalogueList& cboTray2Num() const { return cboTray2Num_; }

    // The current printer's port and driver as the other parts read them.
    const std::string& lblPort() const { return lblPort_; }
    const std::string& lblDriver() const { return lblDriver_; }

    // The three buffers of the current printer.
    const std::string& DeviceBuffer() const { return current_.name; }
    const std::string& DriverBuffer() const { return current_.driver; }
    const std::string& PortBuffer() const { return current_.port; }

private:
    CatalogueList& MutableList(CatalogueElement list);
    // Makes a printer current from its details (Printers::Details): its
    // buffers and captions, then the bin lists asked for it.
    void Load(const printers::Printer& printer);
    // Shows a printer's name, port and driver.
    void ShowDetails(const printers::Printer& printer);
    // Fills the two lists of one kind of bin with bins, at their first entry.
    void ShowBins(const printers::PrinterBins& bins, CatalogueElement first,
                  CatalogueElement second);
    void ClearItems(CatalogueElement list);
    // Reloads the two lists of one kind of bin field.
    void LoadBins(platform::BinKind kind, CatalogueElement first, CatalogueElement second);
    void AddItems(CatalogueElement first, CatalogueElement second,
                  const std::vector<std::string>& items);
    void Notify(CatalogueElement element) const;

    printers::InstalledPrinters& printers_;
    CatalogueListener* listener_ = nullptr;

    // The position of the current printer in cboPrinters.
    mutable std::optional<int> currentIndex_;
    // Until cboPrinters is filled: the printer selected and current, by its
    // entry in the service's list.
    mutable std::optional<platform::PrinterEntry> selectedByName_;

    mutable CatalogueList cboPrinters_;
    CatalogueList cboTray1_;
    CatalogueList cboTray2_;
    CatalogueList cboTray1Num_;
    CatalogueList cboTray2Num_;
    std::string lblPort_;
    std::string lblDriver_;
    // The current printer's name, port and driver (its bins are the lists).
    printers::Printer current_;
    bool binsUnknown_ = false;
    bool binListsComplete_ = true;
    bool failedCountIsError_ = false;
};

// Makes a failed bin count a failure for as long as it lives (editing).
class FailedCountIsError {
public:
    explicit FailedCountIsError(PrinterCatalogue& catalogue) : catalogue_(catalogue) {
        catalogue_.SetFailedCountIsError(true);
    }
    ~FailedCountIsError() { catalogue_.SetFailedCountIsError(false); }
    FailedCountIsError(const FailedCountIsError&) = delete;
    FailedCountIsError& operator=(const FailedCountIsError&) = delete;

private:
    PrinterCatalogue& catalogue_;
};

} // namespace kevo::printsetup
