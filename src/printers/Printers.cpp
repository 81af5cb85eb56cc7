// SPDX-License-Identifier: Apache-2.0
#include "printers/Printers.h"

#include "platform/printing/JobOptions.h"
#include "platform/text/TextCoding.h"

#include <algorithm>
#include <variant>

namespace kevo::printers {

using messages::KevoError;

namespace {

// A text as a buffer of bufferSize characters (terminator included) holds it:
// up to its first NUL, at most bufferSize - 1 characters.
std::string InBuffer(std::string_view text, std::size_t bufferSize) {
    text = text.substr(0, text.find('\0'));
    return platform::CutToCharacters(text, bufferSize - 1);
}

// A bin name field: up to its first NUL, at most the whole field, trimmed of
// every character from code 0 to the blank at both ends.
std::string BinText(const platform::BinNameField& field) {
    const char* begin = field.data();
    const char* end = std::find(field.begin(), field.end(), '\0');
    auto isTrimmed = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (begin != end && isTrimmed(*begin))
        ++begin;
    while (end != begin && isTrimmed(end[-1]))
        --end;
    return std::string(begin, end);
}

// A bin number field: its decimal text.
std::string BinText(std::uint16_t number) {
    return std::to_string(number);
}

} // namespace

int FindInList(const std::vector<std::string>& items, std::string_view text) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (platform::SameTextIgnoringCase(items[i], text))
            return static_cast<int>(i);
    }
    return -1;
}

std::vector<std::string> Printers::Names() const {
    std::vector<std::string> names;
    for (const platform::PrinterEntry& entry : service_.EnumPrinters())
        names.push_back(InBuffer(entry.name, kBufferSize));
    return names;
}

std::string Printers::DefaultName() const {
    const platform::DefaultPrinterAnswer answer = service_.DefaultPrinter();
    switch (answer.status) {
    case platform::DefaultPrinterAnswer::Status::Ok:
        break;
    case platform::DefaultPrinterAnswer::Status::InvalidName:
        throw NoDefaultPrinter();
    case platform::DefaultPrinterAnswer::Status::SystemError:
        throw KevoError(SystemErrorText(answer.errorCode, answer.errorText));
    }

    const std::string name =
        !answer.names.empty() ? answer.names.front() : service_.ProfileWindowsDevice().printer;
    if (name.empty())
        throw NoDefaultPrinter();
    return name;
}

int Printers::DefaultPosition() const {
    const std::string name = DefaultName();
    const std::vector<platform::PrinterEntry> printers = service_.EnumPrinters();
    for (std::size_t i = 0; i < printers.size(); ++i) {
        if (platform::SameTextIgnoringCase(printers[i].name, name))
            return static_cast<int>(i);
    }
    throw NoDefaultPrinter();
}

platform::PrinterEntry Printers::DefaultPrinter() const {
    const std::optional<platform::PrinterEntry> found = Find(DefaultName(), false);
    if (!found)
        throw NoDefaultPrinter();
    return *found;
}

std::optional<platform::PrinterEntry> Printers::Find(std::string_view name) const {
    return Find(name, true);
}

std::optional<platform::PrinterEntry> Printers::Find(std::string_view name, bool cut) const {
    // Printer names are never empty: an empty text finds none.
    if (name.empty())
        return std::nullopt;
    // The entry as Names() holds it, so that its name finds it there.
    auto asListed = [](platform::PrinterEntry entry) {
        entry.name = InBuffer(entry.name, kBufferSize);
        return entry;
    };
    platform::PrinterLookup lookup = service_.LookUpPrinter(std::string(name));
    switch (lookup.result) {
    case platform::PrinterLookup::Result::Found:
        return asListed(std::move(lookup.entry));
    case platform::PrinterLookup::Result::Missing:
        return std::nullopt;
    case platform::PrinterLookup::Result::Unknown:
        break;
    }
    for (platform::PrinterEntry& entry : service_.EnumPrinters()) {
        if (platform::SameTextIgnoringCase(cut ? InBuffer(entry.name, kBufferSize) : entry.name,
                                           name))
            return asListed(std::move(entry));
    }
    return std::nullopt;
}

Printer Printers::Details(int position) const {
    return Details(service_.EnumPrinters().at(static_cast<std::size_t>(position)));
}

Printer Printers::Details(const platform::PrinterEntry& entry) const {
    // The enumeration gives a name and, where the service lists printers per
    // port, a port; never a driver.
    Printer printer{
        InBuffer(entry.name, kBufferSize), InBuffer(entry.port, kBufferSize), {}, {}, {}};
    platform::DevicesValue devices = service_.ProfileDevicesValue(printer.name);
    printer.driver = std::move(devices.driver);
    if (printer.port.empty())
        printer.port = std::move(devices.port);
    return printer;
}

PrinterBins Printers::Bins(const Printer& printer, platform::BinKind kind,
                           bool failedCountIsError) const {
    PrinterBins bins;
    const int count = service_.BinCount(kind, printer.name, printer.port);
    if (count < 0) {
        if (failedCountIsError)
            throw KevoError(kDevCapError);
        bins.unknown = true;
    }
    if (count <= 0) {
        bins.texts.push_back(kind == platform::BinKind::Names
                                 ? std::string(platform::kDefaultBinName)
                                 : std::to_string(platform::kDefaultBinNumber));
        return bins;
    }
    if (count > kMaxBinCount)
        throw KevoError(kDevCapError);
    const auto fieldCount = static_cast<std::size_t>(count);
    platform::BinFields fields = platform::EmptyBinFields(kind, fieldCount);
    if (service_.BinData(printer.name, printer.port, fields) == -1)
        throw KevoError(kDevCapError);
    // As many fields as the count gave; fields the service did not fill are
    // empty (names) or 0 (numbers).
    std::visit(
        [&bins, fieldCount](auto& filled) {
            filled.resize(fieldCount);
            for (const auto& field : filled)
                bins.texts.push_back(BinText(field));
        },
        fields);
    return bins;
}

void Printers::LoadBins(Printer& printer, bool failedCountIsError) const {
    printer.binNames = Bins(printer, platform::BinKind::Names, failedCountIsError);
    printer.binNumbers = Bins(printer, platform::BinKind::Numbers, failedCountIsError);
}

Printer Printers::Load(int position, bool failedCountIsError) const {
    Printer printer = Details(position);
    LoadBins(printer, failedCountIsError);
    return printer;
}

Printer Printers::Load(const platform::PrinterEntry& entry, bool failedCountIsError) const {
    Printer printer = Details(entry);
    LoadBins(printer, failedCountIsError);
    return printer;
}

void Printers::Prefetch(const std::vector<std::string>& names) const {
    std::vector<std::string> printers;
    for (const std::string& name : names) {
        if (!name.empty() && std::find(printers.begin(), printers.end(), name) == printers.end())
            printers.push_back(name);
    }
    if (!printers.empty())
        service_.Prefetch(printers);
}

} // namespace kevo::printers
