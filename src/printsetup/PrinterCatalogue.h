// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "printers/Printers.h"

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

// The wait (hourglass) pointer that selecting a printer shows while it asks
// the printing service.
class WaitPointer {
public:
    virtual ~WaitPointer() = default;
    virtual void ShowWaitPointer() = 0;
    virtual void ShowNormalPointer() = 0;
};

// The printer catalogue: the print setup dialog's lists over the installed
// printers (printers::Printers), and one printer at a time (the current printer) with
// its port, its driver and its paper bins. The program's start-up makes it
// and the print setup dialog's creation builds it, once; the consistency
// check and line editing select printers in it, and the dialog shows it.
//
// Failures throw what Printers throws (NoDefaultPrinter, "DevCap Error", the
// system error). Each leaves the state described at the operation that
// raises it.
class PrinterCatalogue {
public:
    // The catalogue asks service for everything; the service must outlive it
    // and give the same printer list for as long as the catalogue is used
    // (positions in cboPrinters are positions in that list). The program's
    // service keeps its first answer for the run (CachingPrintingService),
    // so printers installed or removed later are seen at the next start.
    explicit PrinterCatalogue(platform::PrintingService& service);

    void SetListener(CatalogueListener* listener) { listener_ = listener; }
    void SetWaitPointer(WaitPointer* waitPointer) { waitPointer_ = waitPointer; }

    // Build: works out the default printer, and selects and loads it as
    // cboPrintersChange does. cboPrinters is filled with one entry per
    // printer of the service, in its order, when it is first needed (its
    // items, a position in it, the dialog showing it), once: a print server
    // may hold thousands of printers, and a check needs only those that its
    // lines name (HasPrinter, SelectPrinterNamed). The default printer is
    // then the selected one, unless another was selected meanwhile. Without
    // a default printer it throws NoDefaultPrinter and leaves cboPrinters
    // empty.
    void FormCreate();

    // The position of a printer name in cboPrinters (lookup rule), or -1.
    int FindPrinter(std::string_view name) const;

    // Whether cboPrinters has been filled (or was left empty for good).
    bool PrinterListTaken() const { return listTaken_; }
    // Fills cboPrinters now if it is still to be filled, with the printer
    // selected by name (if any) selected and current there.
    void TakeList() const;

    // The check's way to the printers that lines name. HasPrinter: whether
    // FindPrinter would find the name. SelectPrinterNamed: what
    // SetSelectedPosition(FindPrinter(name)) and cboPrintersChange do, done
    // only when another printer is selected or the last selection failed
    // part-way; false, changing nothing, when no printer has the name.
    // Before cboPrinters is filled both ask the printing service for that
    // one printer (Printers::Find), and fill nothing.
    bool HasPrinter(std::string_view name) const;
    bool SelectPrinterNamed(std::string_view name);

    // The selection outlives what made it: the check selects each line's
    // printer in turn and leaves the last one selected and current, and the
    // print setup dialog opens on it for a line whose printer is not
    // installed (CurrentPrinterPosition). So what the user sees there is the
    // printer the check, or the edit before, selected last.

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
    // without bins, or whose count query fails, gives the single entry
    // "Default" (names) or "7" (numbers); a failed count (-1) is remembered
    // (BinsUnknown) and, while FailedCountIsError is set, throws "DevCap
    // Error" like a failing data query instead (Printers::Bins). A failure
    // leaves the two lists without entries.
    void LoadTrayNames();
    void LoadTrayNumbers();

    // True when the current printer's bins could not be asked (a count
    // query answered -1): its "Default"/"7" lists stand in for bins that
    // are not known, so nothing can be found to match them.
    bool BinsUnknown() const { return binsUnknown_; }
    // False after a selection that failed part-way ("DevCap Error"): the
    // lists then belong to no printer, and the next check must select the
    // printer again even when its position is still selected.
    bool BinListsComplete() const { return binListsComplete_; }

    // Editing must never offer "Default"/"7" for a printer that could not
    // be asked, or OK would replace a line's real bins with them: while set,
    // a failed count query is the failure "DevCap Error".
    void SetFailedCountIsError(bool on) { failedCountIsError_ = on; }

    // A new command of the user's begins: the printing service asks again
    // what failed before.
    void ForgetFailures() { printers_.ForgetFailures(); }
    // A new command of the user's begins that sees the printers as they are
    // now: the printing service asks again for everything but the printer
    // list, and the next check selects its first printer again even when it
    // is the one selected.
    void ForgetAnswers() {
        printers_.ForgetAnswers();
        binListsComplete_ = false;
    }

    // The installed printers the lists are made of, to ask without
    // selecting anything.
    const printers::Printers& InstalledPrinters() const { return printers_; }

    // The printers that a check is about to select, by the names lines
    // give (the lookup rule): the printing service may fetch their bins
    // ahead, side by side. Names of no printer in cboPrinters are left out.
    // Nothing that the catalogue shows changes.
    void Prefetch(const std::vector<std::string>& names);

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
    // Makes a printer current: its buffers, captions and bin lists.
    void Load(const printers::Printer& printer);
    void ClearItems(CatalogueElement list);
    // Reloads the two lists of one kind of bin field.
    void LoadBins(platform::BinKind kind, CatalogueElement first, CatalogueElement second);
    void AddItems(CatalogueElement first, CatalogueElement second,
                  const std::vector<std::string>& items);
    void Notify(CatalogueElement element) const;

    printers::Printers printers_;
    CatalogueListener* listener_ = nullptr;
    WaitPointer* waitPointer_ = nullptr;

    // The position of the current printer in cboPrinters.
    mutable std::optional<int> currentIndex_;
    // Until cboPrinters is filled: the printer selected and current, by its
    // entry in the service's list.
    mutable std::optional<platform::PrinterEntry> selectedByName_;
    // Nothing to fill before FormCreate has found a default printer.
    mutable bool listTaken_ = true;

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
