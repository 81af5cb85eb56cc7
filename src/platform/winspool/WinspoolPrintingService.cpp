// SPDX-License-Identifier: Apache-2.0
#include "platform/winspool/WinspoolPrintingService.h"

#include "platform/printing/ProfileValues.h"
#include "platform/text/TextCoding.h"

#include <algorithm>
#include <utility>
#include <variant>

namespace kevo::platform::winspool {

namespace {

// PRINTER_INFO_4 on the NT family, PRINTER_INFO_5 elsewhere and for the
// default printer.
constexpr std::uint32_t kLevelNamesOnly = 4;
constexpr std::uint32_t kLevelWithPorts = 5;

// How often the data call is made again when the data grew between the size
// call and the data call.
constexpr int kEnumerationAttempts = 3;

// Room beyond the count that the data query gives the driver.
constexpr std::size_t kSpareFields = 8;

// There are no more bins than 16-bit bin numbers: a driver that counts more
// is failing, and is not given room for them.
constexpr int kMaxBins = 65536;

// The text of a driver's bin name field, up to its NUL or its end: never
// into the next field. A driver that cut a longer name at the field's end
// may have cut a surrogate pair in half; its first half alone is no
// character and is left out.
std::string TextOfField(const DriverBinNameField& field) {
    std::size_t length =
        static_cast<std::size_t>(std::find(field.begin(), field.end(), u'\0') - field.begin());
    if (length == field.size() && field.back() >= 0xD800 && field.back() <= 0xDBFF)
        --length;
    std::string bytes;
    for (std::size_t i = 0; i < length; ++i) {
        bytes += static_cast<char>(field[i] & 0xFF);
        bytes += static_cast<char>(field[i] >> 8);
    }
    return DecodeUtf16(bytes, false);
}

struct Enumeration {
    bool ok = false;
    std::uint32_t error = 0;
    std::vector<PrinterRecord> records;
};

// The two calls of an enumeration: the size, then the data.
Enumeration RunEnumeration(WinspoolApi& api, std::uint32_t flags, std::uint32_t level) {
    EnumPrintersCall call = api.Enumerate(flags, level, 0);
    for (int attempt = 1;; ++attempt) {
        if (!call.ok && call.error != kErrorInsufficientBuffer)
            return {false, call.error, {}};
        if (call.needed == 0)
            return {true, 0, {}};
        EnumPrintersCall data = api.Enumerate(flags, level, call.needed);
        if (data.ok)
            return {true, 0, std::move(data.records)};
        if (data.error != kErrorInsufficientBuffer || attempt == kEnumerationAttempts)
            return {false, data.error, {}};
        call = std::move(data); // its needed is the size the data has now
    }
}

// The data query of a capability whose entries are Field: the driver gets
// room for the count it gives now or for the caller's fields, whichever is
// larger; out receives as many fields as it answers.
template <typename Field>
int QueryFields(WinspoolApi& api, const std::string& device, const std::string& port,
                std::uint16_t capability, std::vector<Field>& out) {
    const int count = api.Capability(device, port, capability, nullptr, 0);
    if (count > kMaxBins)
        return -1;
    const std::size_t wanted =
        std::max<std::size_t>({out.size(), count > 0 ? static_cast<std::size_t>(count) : 0, 1});
    std::vector<Field> fields(wanted + kSpareFields, Field{});
    const int answer = api.Capability(device, port, capability, fields.data(), fields.size());
    if (answer < 0)
        return -1;
    if (static_cast<std::size_t>(answer) > fields.size())
        return -1; // a driver that wrote past its room cannot be trusted
    fields.resize(static_cast<std::size_t>(answer));
    out = std::move(fields);
    return answer;
}

// DC_BINNAMES for bin names, DC_BINS for bin numbers.
std::uint16_t CapabilityOf(BinKind kind) {
    return kind == BinKind::Names ? kDcBinNames : kDcBins;
}

} // namespace

std::vector<std::string> SplitPortList(const std::string& ports) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = ports.find(',', start);
        const std::size_t end = comma == std::string::npos ? ports.size() : comma;
        std::size_t first = start;
        while (first < end && ports[first] == ' ')
            ++first;
        if (first == end)
            break;
        pieces.push_back(ports.substr(first, end - first));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return pieces;
}

WinspoolPrintingService::WinspoolPrintingService(std::unique_ptr<WinspoolApi> api)
    : api_(std::move(api)) {}

std::vector<PrinterEntry> WinspoolPrintingService::EnumPrinters() {
    std::vector<PrinterEntry> printers;
    if (api_->PlatformId() == kPlatformWin32Nt) {
        const Enumeration found =
            RunEnumeration(*api_, kPrinterEnumLocal | kPrinterEnumConnections, kLevelNamesOnly);
        for (const PrinterRecord& record : found.records)
            printers.push_back({record.printerName, std::string()});
        return printers;
    }
    // Other platforms list each printer once per port.
    const Enumeration found = RunEnumeration(*api_, kPrinterEnumLocal, kLevelWithPorts);
    for (const PrinterRecord& record : found.records) {
        for (std::string& port : SplitPortList(record.portName))
            printers.push_back({record.printerName, std::move(port)});
    }
    return printers;
}

DefaultPrinterAnswer WinspoolPrintingService::DefaultPrinter() {
    const Enumeration found = RunEnumeration(*api_, kPrinterEnumDefault, kLevelWithPorts);
    DefaultPrinterAnswer answer;
    if (!found.ok) {
        if (found.error == kErrorInvalidName) {
            answer.status = DefaultPrinterAnswer::Status::InvalidName;
        } else {
            answer.status = DefaultPrinterAnswer::Status::SystemError;
            answer.errorCode = static_cast<int>(found.error);
            answer.errorText = api_->SystemMessage(found.error);
        }
        return answer;
    }
    for (const PrinterRecord& record : found.records)
        answer.names.push_back(record.printerName);
    return answer;
}

WindowsDevice WinspoolPrintingService::ProfileWindowsDevice() {
    return ReadWindowsDevice(api_->ProfileString("windows", "device"));
}

DevicesValue WinspoolPrintingService::ProfileDevicesValue(const std::string& printer) {
    return ReadDevicesValue(api_->ProfileString("Devices", printer));
}

int WinspoolPrintingService::BinCount(BinKind kind, const std::string& device,
                                      const std::string& port) {
    return api_->Capability(device, port, CapabilityOf(kind), nullptr, 0);
}

int WinspoolPrintingService::BinData(const std::string& device, const std::string& port,
                                     BinFields& out) {
    const std::uint16_t capability = CapabilityOf(KindOf(out));
    if (auto* numbers = std::get_if<std::vector<std::uint16_t>>(&out))
        return QueryFields(*api_, device, port, capability, *numbers);
    auto& names = std::get<std::vector<BinNameField>>(out);
    std::vector<DriverBinNameField> fields(names.size());
    const int answer = QueryFields(*api_, device, port, capability, fields);
    if (answer < 0)
        return answer;
    names.clear();
    for (const DriverBinNameField& field : fields)
        names.push_back(BinNameFieldOf(TextOfField(field)));
    return answer;
}

} // namespace kevo::platform::winspool
