// SPDX-License-Identifier: Apache-2.0
#include "printers/InstalledPrinters.h"

#include "messages/Prompter.h"

namespace kevo::printers {

FoundPrinter InstalledPrinters::FindDefault() {
    state_ = State::None;
    names_.clear();
    FoundPrinter found{-1, printers_.DefaultPrinter()};
    state_ = State::ByName;
    return found;
}

const std::vector<std::string>& InstalledPrinters::Names() {
    if (state_ == State::ByName) {
        names_ = printers_.Names();
        state_ = State::Listed;
    }
    return names_;
}

std::optional<FoundPrinter> InstalledPrinters::Find(std::string_view name) const {
    switch (state_) {
    case State::None:
        return std::nullopt;
    case State::ByName:
        if (std::optional<platform::PrinterEntry> entry = printers_.Find(name))
            return FoundPrinter{-1, std::move(*entry)};
        return std::nullopt;
    case State::Listed:
        break;
    }
    const int position = FindInList(names_, name);
    if (position < 0)
        return std::nullopt;
    return FoundPrinter{position, {names_[static_cast<std::size_t>(position)], {}}};
}

Printer InstalledPrinters::Load(const FoundPrinter& printer, bool failedCountIsError) const {
    WaitPointerShown wait(waitPointer_);
    if (printer.position >= 0)
        return printers_.Load(printer.position, failedCountIsError);
    return printers_.Load(printer.entry, failedCountIsError);
}

void InstalledPrinters::Prefetch(const std::vector<std::string>& names) const {
    // A run without printers asks for none.
    if (ListTaken() && names_.empty())
        return;
    printers_.Prefetch(names);
}

PrintersOpened OpenPrinters(messages::Prompter& prompter, const std::function<void()>& ask) {
    try {
        ask();
        return PrintersOpened::WithDefault;
    } catch (const NoDefaultPrinter& error) {
        prompter.ShowErrorReport(error.what());
        return PrintersOpened::WithoutDefault;
    } catch (const std::exception& error) {
        prompter.ShowErrorReport(error.what());
        return PrintersOpened::Failed;
    }
}

} // namespace kevo::printers
