// SPDX-License-Identifier: Apache-2.0
// The printer catalogue fed with random printing-service answers: either a
// simulated printers description made of the fuzzer's bytes, or a service
// whose every answer (printers, default printer, profile values, bin counts
// and data, fields of any size) comes from the bytes. The catalogue is
// built, every printer is selected in turn (and the default through a
// selection of -1), and random texts are looked up in every list.
//
// What must hold:
// - failures are only the program's own errors, with the texts the user is
//   meant to see: "There is no default printer currently selected",
//   "DevCap Error", or "System Error.  Code: N." and a line of text;
// - the printer list is the service's list, in its order, each name as a
//   256-character buffer keeps it: up to its first NUL, at most 255
//   characters, never cut inside a character;
// - after a selection the two bin name lists are equal, the two number
//   lists are equal, all four stand at their first entry, names are at most
//   24 bytes with nothing up to the blank at either end, numbers are
//   decimal 0 to 65535 without leading zeros; a driver without bins gives
//   "Default" and "7"; a count above 0 gives that many entries;
// - port and driver hold at most 255 characters (a buffer of 256) and no
//   NUL;
// - a lookup finds the first entry that equals the text ignoring ASCII
//   letter case, or -1 when there is none.

#include "FuzzInput.h"

#include "messages/ErrorReport.h"
#include "platform/printing/ProfileValues.h"
#include "platform/printing/SimulatedPrinters.h"
#include "platform/printing/SimulatedPrintingService.h"
#include "platform/text/TextCoding.h"
#include "printsetup/PrinterCatalogue.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using kevo::fuzz::Broken;
using kevo::fuzz::Check;
using kevo::fuzz::FuzzInput;
using kevo::platform::BinFields;
using kevo::platform::BinKind;
using kevo::platform::BinNameField;
using kevo::platform::DefaultPrinterAnswer;
using kevo::platform::KindOf;
using kevo::platform::PrinterEntry;
using kevo::printsetup::CatalogueElement;
using kevo::printsetup::CatalogueList;
using kevo::printsetup::PrinterCatalogue;

// A printing service that answers from the fuzzer's bytes, the same way
// every time it is asked.
class FuzzedService : public kevo::platform::PrintingService {
public:
    struct Printer {
        PrinterEntry entry;
        std::string devicesValue;
        int nameCount = 0;
        int nameData = 0;
        std::vector<BinNameField> names;
        int numberCount = 0;
        int numberData = 0;
        std::vector<std::uint16_t> numbers;
    };

    explicit FuzzedService(FuzzInput& in) {
        const int count = in.Byte() % 10;
        for (int i = 0; i < count; ++i) {
            Printer printer;
            // A name of an earlier printer now and then: duplicates and
            // names that differ in letter case only.
            if (!printers_.empty() && in.Byte() < 40) {
                printer.entry.name = printers_[in.Byte() % printers_.size()].entry.name;
                if (!printer.entry.name.empty() && in.Byte() & 1)
                    printer.entry.name[0] = static_cast<char>(printer.entry.name[0] ^ 0x20);
            } else {
                printer.entry.name = in.Text();
            }
            if (in.Byte() & 1)
                printer.entry.port = in.Text();
            printer.devicesValue = in.Text();
            printer.nameCount = in.Answer();
            printer.nameData = in.Answer();
            const int nameFields = in.Byte() % 40;
            for (int f = 0; f < nameFields; ++f) {
                BinNameField field{};
                const std::string bytes = in.Bytes(field.size());
                std::copy(bytes.begin(), bytes.end(), field.begin());
                printer.names.push_back(field);
            }
            printer.numberCount = in.Answer();
            printer.numberData = in.Answer();
            const int numberFields = in.Byte() % 40;
            for (int f = 0; f < numberFields; ++f)
                printer.numbers.push_back(in.Word());
            printers_.push_back(std::move(printer));
        }
        switch (in.Byte() % 4) {
        case 0:
        case 1: {
            const int names = in.Byte() % 3;
            for (int i = 0; i < names; ++i) {
                if (!printers_.empty() && in.Byte() & 1)
                    default_.names.push_back(printers_[in.Byte() % printers_.size()].entry.name);
                else
                    default_.names.push_back(in.Text());
            }
            break;
        }
        case 2:
            default_.status = DefaultPrinterAnswer::Status::InvalidName;
            break;
        default:
            default_.status = DefaultPrinterAnswer::Status::SystemError;
            default_.errorCode = in.Answer();
            default_.errorText = in.Text();
            break;
        }
        windowsDevice_ = in.Text();
    }

    std::vector<PrinterEntry> EnumPrinters() override {
        std::vector<PrinterEntry> entries;
        for (const Printer& printer : printers_)
            entries.push_back(printer.entry);
        return entries;
    }
    DefaultPrinterAnswer DefaultPrinter() override { return default_; }
    // The profile's texts, read as the spooler's service reads them.
    kevo::platform::WindowsDevice ProfileWindowsDevice() override {
        return kevo::platform::ReadWindowsDevice(windowsDevice_);
    }
    kevo::platform::DevicesValue ProfileDevicesValue(const std::string& printer) override {
        const Printer* found = Find(printer, "");
        return kevo::platform::ReadDevicesValue(found != nullptr ? found->devicesValue
                                                                 : std::string());
    }
    int BinCount(BinKind kind, const std::string& device, const std::string& port) override {
        const Printer* found = Find(device, port);
        if (found == nullptr)
            return -1;
        return kind == BinKind::Names ? found->nameCount : found->numberCount;
    }
    // Whatever size the caller asked for.
    int BinData(const std::string& device, const std::string& port, BinFields& out) override {
        const Printer* found = Find(device, port);
        if (found == nullptr)
            return -1;
        if (KindOf(out) == BinKind::Names) {
            out = found->names;
            return found->nameData;
        }
        out = found->numbers;
        return found->numberData;
    }

private:
    const Printer* Find(const std::string& device, const std::string& port) const {
        const Printer* byName = nullptr;
        for (const Printer& printer : printers_) {
            if (printer.entry.name != device)
                continue;
            if (port.empty() || printer.entry.port == port)
                return &printer;
            if (byName == nullptr)
                byName = &printer;
        }
        return byName;
    }

    std::vector<Printer> printers_;
    DefaultPrinterAnswer default_;
    std::string windowsDevice_;
};

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto fold = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (fold(a[i]) != fold(b[i]))
            return false;
    }
    return true;
}

void CheckErrorText(const std::string& text) {
    if (text == "There is no default printer currently selected" || text == "DevCap Error")
        return;
    const std::string prefix = "System Error.  Code: ";
    Check(text.rfind(prefix, 0) == 0, "an error with an unexpected text: " + text);
    std::size_t pos = prefix.size();
    if (pos < text.size() && text[pos] == '-')
        ++pos;
    const std::size_t digits = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
        ++pos;
    Check(pos > digits && text.compare(pos, 3, ".\r\n") == 0,
          "a system error without its code: " + text);
}

std::size_t Characters(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t offset = 0; offset < text.size(); ++count)
        kevo::platform::NextCharacter(text, offset);
    return count;
}

// Whether kept is what a buffer of 256 characters keeps of text: all of it
// up to the first NUL, or the first 255 characters of that.
bool KeptInBuffer(const std::string& text, const std::string& kept) {
    const std::string upToNul = text.substr(0, text.find('\0'));
    if (kept == upToNul)
        return true;
    return upToNul.rfind(kept, 0) == 0 && Characters(kept) == 255 &&
           Characters(upToNul.substr(kept.size())) == Characters(upToNul) - 255;
}

void CheckLookup(const CatalogueList& list, const std::string& text, int found) {
    int expected = -1;
    for (std::size_t i = 0; i < list.items.size(); ++i) {
        if (SameIgnoringCase(list.items[i], text)) {
            expected = static_cast<int>(i);
            break;
        }
    }
    Check(found == expected, "a lookup did not give the first entry that matches");
}

bool IsDecimalBinNumber(const std::string& text) {
    if (text.empty() || text.size() > 5 || (text.size() > 1 && text[0] == '0'))
        return false;
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    return std::stoul(text) <= 65535;
}

// The bin lists right after a printer was selected.
void CheckBins(PrinterCatalogue& catalogue, kevo::platform::PrintingService& service) {
    Check(catalogue.cboTray1().items == catalogue.cboTray2().items,
          "the two bin name lists differ");
    Check(catalogue.cboTray1Num().items == catalogue.cboTray2Num().items,
          "the two bin number lists differ");
    for (const CatalogueList* list : {&catalogue.cboTray1(), &catalogue.cboTray2(),
                                      &catalogue.cboTray1Num(), &catalogue.cboTray2Num()}) {
        Check(!list->items.empty() && list->selected == 0 && list->shownText == list->items[0],
              "a bin list does not stand at its first entry");
    }
    for (const std::string& name : catalogue.cboTray1().items) {
        Check(name.size() <= kevo::platform::kBinNameFieldBytes, "a bin name is too long");
        Check(name.find('\0') == std::string::npos, "a bin name holds a NUL");
        Check(name.empty() || (static_cast<unsigned char>(name.front()) > ' ' &&
                               static_cast<unsigned char>(name.back()) > ' '),
              "a bin name is not trimmed");
    }
    for (const std::string& number : catalogue.cboTray1Num().items)
        Check(IsDecimalBinNumber(number), "a bin number is not decimal 0 to 65535: " + number);

    const std::string& device = catalogue.DeviceBuffer();
    const std::string& port = catalogue.PortBuffer();
    const int nameCount = service.BinNameCount(device, port);
    const auto& names = catalogue.cboTray1().items;
    if (nameCount <= 0)
        Check(names == std::vector<std::string>{"Default"}, "no bins, but not \"Default\"");
    else
        Check(names.size() == static_cast<std::size_t>(nameCount), "not as many names as bins");
    const int numberCount = service.BinNumberCount(device, port);
    const auto& numbers = catalogue.cboTray1Num().items;
    if (numberCount <= 0)
        Check(numbers == std::vector<std::string>{"7"}, "no bins, but not \"7\"");
    else
        Check(numbers.size() == static_cast<std::size_t>(numberCount),
              "not as many numbers as bins");
}

void CheckLabels(const PrinterCatalogue& catalogue) {
    for (const std::string* text : {&catalogue.lblPort(), &catalogue.lblDriver()}) {
        Check(Characters(*text) <= 255, "a port or driver longer than its buffer");
        Check(text->find('\0') == std::string::npos, "a port or driver holds a NUL");
    }
}

void Exercise(kevo::platform::PrintingService& service, FuzzInput& in) {
    const std::vector<PrinterEntry> entries = service.EnumPrinters();
    kevo::printers::InstalledPrinters installed(service);
    PrinterCatalogue catalogue(installed);
    bool built = true;
    try {
        catalogue.FormCreate();
    } catch (const kevo::messages::KevoError& error) {
        CheckErrorText(error.what());
        built = false;
    }
    const auto& printers = catalogue.cboPrinters().items;
    Check(printers.empty() || printers.size() == entries.size(),
          "the printer list is not the service's");
    for (std::size_t i = 0; i < printers.size(); ++i)
        Check(KeptInBuffer(entries[i].name, printers[i]), "a printer name differs");
    if (built) {
        CheckBins(catalogue, service);
        CheckLabels(catalogue);
    }

    const int count = static_cast<int>(std::min<std::size_t>(printers.size(), 24));
    for (int position = -1; position <= count; ++position) {
        catalogue.SetSelectedPosition(position);
        const int selected = catalogue.SelectedPosition();
        Check(selected ==
                  (position >= 0 && position < static_cast<int>(printers.size()) ? position : -1),
              "a selection outside the list was kept");
        try {
            catalogue.cboPrintersChange();
        } catch (const kevo::messages::KevoError& error) {
            CheckErrorText(error.what());
            continue;
        }
        CheckBins(catalogue, service);
        CheckLabels(catalogue);
        if (selected >= 0) {
            const int found = catalogue.FindPrinter(printers[static_cast<std::size_t>(selected)]);
            Check(found >= 0 && found <= selected, "a listed printer is not found");
        }
    }

    for (int lookup = 0; lookup < 8 && !in.Empty(); ++lookup) {
        std::string text = in.Text();
        const auto pick = [&](const std::vector<std::string>& items) {
            if (!items.empty() && (in.Byte() & 1)) {
                text = items[in.Byte() % items.size()];
                for (char& c : text) {
                    if (c >= 'a' && c <= 'z' && (in.Byte() & 1))
                        c = static_cast<char>(c - 'a' + 'A');
                }
            }
        };
        pick(printers);
        CheckLookup(catalogue.cboPrinters(), text, catalogue.FindPrinter(text));
        CheckLookup(catalogue.cboTray1(), text, catalogue.FindBinName(text));
        CheckLookup(catalogue.cboTray1Num(), text, catalogue.FindBinNumber(text));
        for (const CatalogueElement list :
             {CatalogueElement::cboTray2, CatalogueElement::cboTray2Num}) {
            CheckLookup(catalogue.List(list), text, catalogue.Find(list, text));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    if (in.Byte() & 1) {
        // A simulated printers description: the first two bytes give its
        // length, the rest drives the lookups.
        const std::string text = in.Bytes(in.Word());
        kevo::platform::SimulatedPrinters printers;
        try {
            printers = kevo::platform::ParseSimulatedPrinters(text, "fuzz");
        } catch (const kevo::platform::SimulatedFileError&) {
            return 0;
        }
        kevo::platform::SimulatedPrintingService service(std::move(printers));
        Exercise(service, in);
    } else {
        FuzzedService service(in);
        Exercise(service, in);
    }
    return 0;
}
