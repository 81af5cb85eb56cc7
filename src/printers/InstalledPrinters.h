// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "printers/Printers.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kevo::messages {
class Prompter;
}

namespace kevo::printers {

// The wait (hourglass) pointer, shown while a printer is asked for.
class WaitPointer {
public:
    virtual ~WaitPointer() = default;
    virtual void ShowWaitPointer() = 0;
    virtual void ShowNormalPointer() = 0;
};

// Shows a wait pointer, if any, for its lifetime.
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

// A printer that a name finds among the installed printers: its position in
// the printer list once the list is taken, its entry in the service's list
// before. Two finds of the same printer are equal.
struct FoundPrinter {
    int position = -1;
    platform::PrinterEntry entry; // the name as the printer list holds it

    bool operator==(const FoundPrinter&) const = default;
};

// The printer that a check compared its last line with. The print setup
// dialog opens on it for a line whose printer is not installed.
struct CheckedPrinter {
    std::string name; // as the printer list holds it
    // Nothing when asking for it failed part-way ("DevCap Error").
    std::optional<Printer> printer;
};

// The installed printers as one run of the program sees them. None until
// start-up has found the default printer (FindDefault), and none for the
// whole run when it found none: the program goes on with an empty printer
// list. Then the printing service's printers, each found by name (the lookup
// rule) and asked for alone, so that a check of a few lines costs a few
// questions on a print server with thousands of queues; once the print
// setup dialog has taken the whole list (Names), found in that list, which
// is taken once.
//
// Failures throw what Printers throws.
class InstalledPrinters {
public:
    // The service must outlive this and give the same printer list for the
    // run.
    explicit InstalledPrinters(platform::PrintingService& service) : printers_(service) {}

    // Every printer of the service, asked without this run's rules (the
    // tray repair, the printers' report).
    const Printers& AllPrinters() const { return printers_; }

    // The pointer shown while a printer's details and bins are asked for
    // (Load, and the print setup dialog's selections); none by default.
    void SetWaitPointer(WaitPointer* pointer) { waitPointer_ = pointer; }
    WaitPointer* ShownWhileAsking() const { return waitPointer_; }

    // Start-up: the default printer (Printers::DefaultPrinter), found by
    // name so that nothing needs the whole list yet. From then on the
    // printers are seen. A failure leaves the run without printers.
    FoundPrinter FindDefault();

    // The printer names in the list's order, taken from the service when
    // first asked (the print setup dialog asks when it first shows its
    // list), once; empty when the run has no printers.
    const std::vector<std::string>& Names();
    // Whether Names would ask nothing.
    bool ListTaken() const { return state_ != State::ByName; }

    // The printer that a name finds, or nothing.
    std::optional<FoundPrinter> Find(std::string_view name) const;
    // The whole printer that Find found (Printers::Load), the wait pointer
    // shown meanwhile.
    Printer Load(const FoundPrinter& printer, bool failedCountIsError = false) const;

    // The printers that lines name will be asked for soon (Printers::Prefetch);
    // nothing when the run has no printers.
    void Prefetch(const std::vector<std::string>& names) const;

    void ForgetFailures() const { printers_.ForgetFailures(); }
    void ForgetAnswers() const { printers_.ForgetAnswers(); }

private:
    enum class State {
        None,   // no default printer found (yet): no printers
        ByName, // each printer asked for by name
        Listed, // the list taken: names_
    };

    Printers printers_;
    WaitPointer* waitPointer_ = nullptr;
    State state_ = State::None;
    std::vector<std::string> names_;
};

// How start-up's question for the default printer went.
enum class PrintersOpened {
    WithDefault,    // found, with its details and bins
    WithoutDefault, // none: the run goes on with no printers
    Failed,         // the printing service failed; reported, the run goes on
};

// Start-up's question for the default printer: ask is the print setup
// dialog's creation (its FormCreate), which also shows it, or,
// where there is no dialog, Load(FindDefault()). A failure is shown in the
// standard error report and the run goes on: without a default printer, as
// one without printers.
PrintersOpened OpenPrinters(messages::Prompter& prompter, const std::function<void()>& ask);

} // namespace kevo::printers
