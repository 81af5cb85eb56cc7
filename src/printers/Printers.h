// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "messages/ErrorReport.h"
#include "platform/printing/PrintingService.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kevo::printers {

// The texts of the printers' failures, as the user sees them.
inline constexpr const char* kNoDefaultPrinter = "There is no default printer currently selected";
inline constexpr const char* kDevCapError = "DevCap Error";
// A failure of the printing service: its code and its own text, which may be
// empty, on a line of their own.
inline constexpr const char* kSystemErrorLead = "System Error.  Code: ";
inline std::string SystemErrorText(int code, const std::string& text) {
    return kSystemErrorLead + std::to_string(code) + ".\r\n" + text;
}

// The service names no default printer, or none that it lists. Unlike the
// other failures of the start-up's look at the printers, the program goes
// on after it with an empty printer list.
class NoDefaultPrinter : public messages::KevoError {
public:
    NoDefaultPrinter() : messages::KevoError(kNoDefaultPrinter) {}
};

// The lookup rule of every search in the printer and bin lists (printer
// names, bin names, bin numbers): the whole entry is compared with the whole
// text, ignoring letter case, and the position of the first match from the
// top is given, or -1 when no entry matches. A text that is only the
// beginning of an entry does not match it.
//
// - Letter case is ignored as Windows' ordinal comparison ignores it: each
//   character after simple Unicode upper-case mapping, the same in every
//   locale, so "É" finds "é" ("BÜRO" finds "Büro").
// - An empty text matches an empty entry. Printer names and bin numbers are
//   never empty; only a bin whose name is blank after trimming gives an
//   empty entry, and the print setup dialog stores that empty name for a
//   line when the user picks the bin, so the check must find it again.
//   Without an empty entry an empty text is never found.
int FindInList(const std::vector<std::string>& items, std::string_view text);

// One kind of a printer's bins: names or numbers (decimal text).
struct PrinterBins {
    std::vector<std::string> texts;
    // The count query failed: texts is the stand-in "Default" or "7", which
    // stands for bins that are not known.
    bool unknown = false;

    bool operator==(const PrinterBins&) const = default;
};

// A paper bin as a setup line keeps it and the print setup dialog shows
// it: the driver's name for it and its number, both as texts (the number as
// decimal text, which a hand-edited setup file may spoil).
struct PaperBin {
    std::string name;
    std::string number;

    bool operator==(const PaperBin&) const = default;
};

// A document's later pages come from another bin than its first page: the
// bins differ in name (letter case counts) or in number. Two bins may carry
// the same name; their numbers tell them apart.
inline bool UsesSecondTray(const PaperBin& firstPage, const PaperBin& otherPages) {
    return firstPage != otherPages;
}

// An installed printer as a value: what a setup line is compared with and
// what the print setup dialog shows. Its name as the printer list holds it,
// its port and driver, and its bins.
struct Printer {
    std::string name;
    std::string port;
    std::string driver;
    PrinterBins binNames;
    PrinterBins binNumbers;

    // Bins that could not be asked match nothing, not even the
    // "Default"/"7" that stand in for them.
    bool BinsUnknown() const { return binNames.unknown || binNumbers.unknown; }

    bool operator==(const Printer&) const = default;
};

// The installed printers, as the program sees them: each question goes to
// the printing service, which keeps the answers for the run
// (CachingPrintingService); nothing is kept here, so a Printers is cheap to
// make and may be asked from anywhere. Printers are known by their position
// in the service's list, or by their entry in it.
//
// Failures throw kevo::messages::KevoError with the text the user sees:
// NoDefaultPrinter, "DevCap Error", or "System Error.  Code: %d.\r\n%s".
class Printers {
public:
    // The size of the name, driver and port buffers, terminator included: a
    // text keeps at most one character less.
    static constexpr std::size_t kBufferSize = 256;
    // A driver that claims more bins than there are 16-bit bin numbers is
    // failing; it is not asked for that many fields.
    static constexpr int kMaxBinCount = 65536;

    // The service must outlive the Printers and give the same printer list
    // for as long as positions from it are used.
    explicit Printers(platform::PrintingService& service) : service_(service) {}

    // The printer names in the service's order, cut as the name buffer
    // holds them; a printer listed per port appears once for each port.
    std::vector<std::string> Names() const;

    // The default printer's position: the service's first name, or without
    // one the printer that the [windows] device value names, found in the
    // service's list ignoring letter case. Throws NoDefaultPrinter when there
    // is none, the system error when the service fails.
    int DefaultPosition() const;
    // The same printer as its entry in the service's list, found as Find
    // finds it: the service need not list every printer for it.
    platform::PrinterEntry DefaultPrinter() const;

    // The entry that a name finds in the service's list (the lookup rule on
    // Names()), its name cut as Names() holds it, or nothing. The service is
    // asked for that one printer where it can tell
    // (PrintingService::LookUpPrinter), its list otherwise.
    std::optional<platform::PrinterEntry> Find(std::string_view name) const;

    // The printer at a position without its bins (Bins asks for those): its
    // name and port from the service's list, its driver from its [Devices]
    // value, which gives the port too where the list gives none.
    Printer Details(int position) const;
    // The same for an entry of the list (as Find gives it).
    Printer Details(const platform::PrinterEntry& entry) const;

    // A printer's bin names or numbers. A driver without bins, or whose
    // count query fails, gives the single entry "Default" (names) or "7"
    // (numbers); a failed count (below 0) is unknown bins, or, when
    // failedCountIsError, "DevCap Error". A failing data query, or a count
    // above kMaxBinCount, throws "DevCap Error".
    PrinterBins Bins(const Printer& printer, platform::BinKind kind, bool failedCountIsError) const;

    // The whole printer: Details, then its bin names, then its bin numbers.
    Printer Load(int position, bool failedCountIsError = false) const;
    Printer Load(const platform::PrinterEntry& entry, bool failedCountIsError = false) const;

    // Whether the ports are where the printers are (device URIs):
    // PrintingService::PortsAreDeviceUris.
    bool PortsAreDeviceUris() const { return service_.PortsAreDeviceUris(); }

    // The printers that lines name (the lookup rule) will be asked for soon:
    // the service may fetch their bins ahead, side by side, finding them as
    // Find does. Names of no printer are left out.
    void Prefetch(const std::vector<std::string>& names) const;

    // A new command of the user's begins: the service asks again what
    // failed before (ForgetFailures), or everything but the printer list
    // (ForgetAnswers).
    void ForgetFailures() const { service_.ForgetFailures(); }
    void ForgetAnswers() const { service_.ForgetAnswers(); }

private:
    // The default printer's name as the service tells it.
    std::string DefaultName() const;
    // Find, comparing the names as the service gives them or as the name
    // buffer holds them.
    std::optional<platform::PrinterEntry> Find(std::string_view name, bool cut) const;
    // The bins of both kinds into printer.
    void LoadBins(Printer& printer, bool failedCountIsError) const;

    platform::PrintingService& service_;
};

} // namespace kevo::printers
