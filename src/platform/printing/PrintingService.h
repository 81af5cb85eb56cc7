// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "platform/printing/JobOptions.h"
#include "platform/text/TextCoding.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace kevo::platform {

// One entry of the printing service's printer list. Services that list a
// printer once per port give one entry per port, each carrying that port;
// services that list printers by name only leave the port empty.
struct PrinterEntry {
    std::string name;
    std::string port;

    bool operator==(const PrinterEntry&) const = default;
};

// The service's answer when asked for one printer by name.
struct PrinterLookup {
    enum class Result {
        Found,   // entry is the first entry of EnumPrinters whose name equals it
        Missing, // no entry's name equals it
        Unknown, // the service cannot tell without its list: look there
    };
    Result result = Result::Unknown;
    PrinterEntry entry;
};

// The service's answer when asked for its default printer.
struct DefaultPrinterAnswer {
    enum class Status {
        Ok,          // names holds what the service reported (possibly nothing)
        InvalidName, // the service says no default printer is selected
        SystemError, // any other failure; errorCode and errorText describe it
    };
    Status status = Status::Ok;
    std::vector<std::string> names;
    int errorCode = 0;
    std::string errorText;
};

// What the system's profile tells of a printer: the driver and the port(s)
// of its [Devices] value. Both are empty when the printer has no value.
struct DevicesValue {
    std::string driver;
    std::string port;

    bool operator==(const DevicesValue&) const = default;
};

// The default printer as the profile's [windows] "device" value names it:
// the printer, its driver and its port. All empty when there is no value.
struct WindowsDevice {
    std::string printer;
    std::string driver;
    std::string port;

    bool operator==(const WindowsDevice&) const = default;
};

// A bin name as the driver reports it: a field of at most 24 characters,
// terminated early by a NUL only when the name is shorter. Texts are UTF-8,
// so the field has room for 24 characters of four bytes each.
inline constexpr std::size_t kBinNameFieldLength = 24; // characters
inline constexpr std::size_t kBinNameFieldBytes = 4 * kBinNameFieldLength;
using BinNameField = std::array<char, kBinNameFieldBytes>;

// A field holding a name cut to kBinNameFieldLength characters, never
// inside one.
inline BinNameField BinNameFieldOf(std::string_view name) {
    const std::string cut = CutToCharacters(name, kBinNameFieldLength);
    BinNameField field{};
    std::copy(cut.begin(), cut.end(), field.begin());
    return field;
}

// What a driver tells of its bins: their names, or their numbers.
enum class BinKind { Names, Numbers };

// The fields that a bin data query fills: names or numbers. Which one the
// variant holds is the query's kind (KindOf).
using BinFields = std::variant<std::vector<BinNameField>, std::vector<std::uint16_t>>;

inline BinKind KindOf(const BinFields& fields) {
    return fields.index() == 0 ? BinKind::Names : BinKind::Numbers;
}

// count fields of the kind, all empty or 0.
inline BinFields EmptyBinFields(BinKind kind, std::size_t count) {
    if (kind == BinKind::Names)
        return std::vector<BinNameField>(count, BinNameField{});
    return std::vector<std::uint16_t>(count, 0);
}

// Everything the printer catalogue needs from the machine's printing
// service. Texts are UTF-8, decoded from what the service gives.
//
// A printer's bins are asked as Windows' DeviceCapabilities asks a driver
// (the winspool service answers exactly what it returns), the same way for
// names and for numbers: a count query (more than 0: that many bins; 0 or
// less: none, or the count could not be had; -1 is the usual failure answer)
// and a data query that fills the fields and answers -1 when it fails.
class PrintingService {
public:
    virtual ~PrintingService() = default;

    // The installed printers in the service's order.
    virtual std::vector<PrinterEntry> EnumPrinters() = 0;

    // The first entry of EnumPrinters whose name equals name ignoring letter
    // case (the catalogue's lookup rule), for a service that can tell
    // without listing every printer: a print server may hold thousands,
    // and a check needs only the few that its lines name. A service that
    // cannot be sure (a name whose case it compares otherwise, a failure)
    // answers Unknown, and the caller looks in EnumPrinters instead.
    virtual PrinterLookup LookUpPrinter(const std::string& /*name*/) { return {}; }

    // The default printer as the service reports it.
    virtual DefaultPrinterAnswer DefaultPrinter() = 0;

    // Profile-style fallback values: the default printer that the [windows]
    // "device" value names, and a printer's driver and port(s) from its
    // [Devices] value. Services that read such values as texts split them
    // by one rule (ProfileValues.h); the others give their own parts.
    virtual WindowsDevice ProfileWindowsDevice() = 0;
    virtual DevicesValue ProfileDevicesValue(const std::string& printer) = 0;

    // The count query of a kind of bin field.
    virtual int BinCount(BinKind kind, const std::string& device, const std::string& port) = 0;
    // The data query: fills out with fields of the kind that out holds. out
    // comes as the caller made it, sized to the count it was given or not.
    virtual int BinData(const std::string& device, const std::string& port, BinFields& out) = 0;

    // The same queries for callers that want one kind typed.
    int BinNameCount(const std::string& device, const std::string& port) {
        return BinCount(BinKind::Names, device, port);
    }
    int BinNumberCount(const std::string& device, const std::string& port) {
        return BinCount(BinKind::Numbers, device, port);
    }
    int BinNames(const std::string& device, const std::string& port,
                 std::vector<BinNameField>& out) {
        return TypedBinData(device, port, out);
    }
    int BinNumbers(const std::string& device, const std::string& port,
                   std::vector<std::uint16_t>& out) {
        return TypedBinData(device, port, out);
    }

    // What print jobs need to know of a printer (names as EnumPrinters gives
    // them), for the commands that print and for the check, which tells the
    // lines they cannot print.
    //
    // How jobs name the printer's paper sources. Nothing when the service
    // sends the line's bin numbers to the driver as they are (winspool, and
    // the simulated printers, which print nothing), and when the sources
    // cannot be read.
    virtual std::optional<QueueSources> PaperSources(const std::string& /*printer*/) {
        return std::nullopt;
    }
    // The document formats (MIME types) that the printer takes, as IPP's
    // document-format-supported lists them; "application/octet-stream"
    // among them: documents of any type are sent to the printer as they are.
    // Nothing when they cannot be asked.
    virtual std::optional<std::vector<std::string>>
    DocumentFormats(const std::string& /*printer*/) {
        return std::nullopt;
    }

    // Whether a printer's port is where the printer is: a device URI
    // (credentials stripped), the same for a queue re-created under another
    // name, so that a printer that moved can be found by the port a setup
    // line stored. A Windows port ("Ne00:", "CUPS:<queue>") is a per-user
    // slot that says nothing of it.
    virtual bool PortsAreDeviceUris() { return false; }

    // The bins of these printers will be asked for soon: a service that can
    // fetch them ahead, side by side, may do so now and keep the answers for
    // the queries, which must then give what they would have given without
    // it. The names are as lines give them, to be found as LookUpPrinter
    // finds them; names of no printer are left out. Returns when it is done.
    // Services that ask nothing slow need not do anything.
    virtual void Prefetch(const std::vector<std::string>& /*printers*/) {}

    // A new command of the user's begins. Whatever failed before (a count or
    // data query that answered -1, a default-printer query that failed, a
    // service given up after it did not answer) is asked again from now on;
    // answers that succeeded may be kept. Within one command a failure stays
    // kept, so that a dead service costs one wait per command, not one per
    // query. Services that keep nothing need not do anything.
    virtual void ForgetFailures() {}

    // A new command of the user's asks the printers as they are now: every
    // answer kept so far is dropped (failures too), but the printer list and
    // what look-ups by name found, which are taken once per run. A driver
    // changed while the program runs is seen by the next recheck. Services
    // that keep no answers but failures forget those.
    virtual void ForgetAnswers() { ForgetFailures(); }

private:
    template <typename Field>
    int TypedBinData(const std::string& device, const std::string& port, std::vector<Field>& out) {
        BinFields fields(std::move(out));
        const int answer = BinData(device, port, fields);
        out = std::get<std::vector<Field>>(std::move(fields));
        return answer;
    }
};

} // namespace kevo::platform
