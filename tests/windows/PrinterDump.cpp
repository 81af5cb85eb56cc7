// SPDX-License-Identifier: Apache-2.0
#include "PrinterDump.h"

#include <algorithm>
#include <sstream>

namespace kevo::testing {

namespace {

std::optional<std::string> Unhex(const std::string& hex) {
    if (hex.size() % 2 != 0)
        return std::nullopt;
    auto value = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = value(hex[i]);
        const int low = value(hex[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

std::optional<int> Number(const std::string& text) {
    try {
        std::size_t used = 0;
        const int value = std::stoi(text, &used);
        if (used == text.size())
            return value;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

DumpedPrinter* FindPrinter(PrinterDump& dump, const std::string& name) {
    for (DumpedPrinter& p : dump.printers) {
        if (p.name == name)
            return &p;
    }
    return nullptr;
}

} // namespace

std::string HexOf(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char c : bytes) {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 15];
    }
    return hex;
}

PrinterDump DumpService(platform::PrintingService& service) {
    PrinterDump dump;
    dump.defaultPrinter = service.DefaultPrinter();
    dump.windowsDevice = service.ProfileWindowsDevice();
    for (const platform::PrinterEntry& entry : service.EnumPrinters()) {
        DumpedPrinter printer;
        printer.name = entry.name;
        printer.port = entry.port;
        printer.devices = service.ProfileDevicesValue(entry.name);
        // The bins are asked for with the port the program shows: the
        // entry's, else the [Devices] value's.
        const std::string port = entry.port.empty() ? printer.devices.port : entry.port;
        printer.nameCount = service.BinNameCount(entry.name, port);
        if (printer.nameCount > 0) {
            std::vector<platform::BinNameField> fields(static_cast<std::size_t>(printer.nameCount));
            printer.nameAnswer = service.BinNames(entry.name, port, fields);
            if (*printer.nameAnswer > 0) {
                for (const platform::BinNameField& field : fields) {
                    const auto end = std::find(field.begin(), field.end(), '\0');
                    printer.nameFields.emplace_back(field.begin(), end);
                }
            }
        }
        printer.numberCount = service.BinNumberCount(entry.name, port);
        if (printer.numberCount > 0) {
            std::vector<std::uint16_t> numbers(static_cast<std::size_t>(printer.numberCount));
            printer.numberAnswer = service.BinNumbers(entry.name, port, numbers);
            if (*printer.numberAnswer > 0)
                printer.numbers.assign(numbers.begin(), numbers.end());
        }
        dump.printers.push_back(std::move(printer));
    }
    return dump;
}

std::string WriteDump(const PrinterDump& dump) {
    std::ostringstream out;
    const platform::DefaultPrinterAnswer& d = dump.defaultPrinter;
    switch (d.status) {
    case platform::DefaultPrinterAnswer::Status::Ok:
        out << "default\tok\t" << HexOf(d.names.empty() ? std::string() : d.names.front())
            << "\t\n";
        break;
    case platform::DefaultPrinterAnswer::Status::InvalidName:
        out << "default\tinvalid-name\t\t\n";
        break;
    case platform::DefaultPrinterAnswer::Status::SystemError:
        out << "default\terror\t" << d.errorCode << '\t' << HexOf(d.errorText) << '\n';
        break;
    }
    const platform::WindowsDevice& device = dump.windowsDevice;
    out << "windows-device\t" << HexOf(device.printer) << '\t' << HexOf(device.driver) << '\t'
        << HexOf(device.port) << '\n';
    for (const DumpedPrinter& p : dump.printers) {
        out << "printer\t" << HexOf(p.name) << '\t' << HexOf(p.port) << '\t'
            << HexOf(p.devices.driver) << '\t' << HexOf(p.devices.port) << '\n';
        out << "bin-names\t" << HexOf(p.name) << '\t' << p.nameCount << '\t'
            << (p.nameAnswer ? std::to_string(*p.nameAnswer) : "-");
        for (const std::string& field : p.nameFields)
            out << '\t' << HexOf(field);
        out << '\n';
        out << "bin-numbers\t" << HexOf(p.name) << '\t' << p.numberCount << '\t'
            << (p.numberAnswer ? std::to_string(*p.numberAnswer) : "-");
        for (const unsigned number : p.numbers)
            out << '\t' << number;
        out << '\n';
    }
    return out.str();
}

std::optional<PrinterDump> ReadDump(const std::string& text) {
    PrinterDump dump;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty())
            continue;
        const std::vector<std::string> f = Fields(line);
        if (f[0] == "default" && f.size() == 4) {
            if (f[1] == "ok") {
                const auto name = Unhex(f[2]);
                if (!name)
                    return std::nullopt;
                if (!name->empty())
                    dump.defaultPrinter.names.push_back(*name);
            } else if (f[1] == "invalid-name") {
                dump.defaultPrinter.status = platform::DefaultPrinterAnswer::Status::InvalidName;
            } else if (f[1] == "error") {
                const auto code = Number(f[2]);
                const auto errorText = Unhex(f[3]);
                if (!code || !errorText)
                    return std::nullopt;
                dump.defaultPrinter.status = platform::DefaultPrinterAnswer::Status::SystemError;
                dump.defaultPrinter.errorCode = *code;
                dump.defaultPrinter.errorText = *errorText;
            } else {
                return std::nullopt;
            }
        } else if (f[0] == "windows-device" && f.size() == 4) {
            const auto printer = Unhex(f[1]);
            const auto driver = Unhex(f[2]);
            const auto port = Unhex(f[3]);
            if (!printer || !driver || !port)
                return std::nullopt;
            dump.windowsDevice = {*printer, *driver, *port};
        } else if (f[0] == "printer" && f.size() == 5) {
            const auto name = Unhex(f[1]);
            const auto port = Unhex(f[2]);
            const auto driver = Unhex(f[3]);
            const auto devicesPort = Unhex(f[4]);
            if (!name || !port || !driver || !devicesPort)
                return std::nullopt;
            dump.printers.push_back(
                {*name, *port, {*driver, *devicesPort}, 0, std::nullopt, {}, 0, std::nullopt, {}});
        } else if ((f[0] == "bin-names" || f[0] == "bin-numbers") && f.size() >= 4) {
            const auto name = Unhex(f[1]);
            const auto count = Number(f[2]);
            DumpedPrinter* printer = name ? FindPrinter(dump, *name) : nullptr;
            if (printer == nullptr || !count)
                return std::nullopt;
            std::optional<int> answer;
            if (f[3] != "-") {
                answer = Number(f[3]);
                if (!answer)
                    return std::nullopt;
            }
            const bool names = f[0] == "bin-names";
            (names ? printer->nameCount : printer->numberCount) = *count;
            (names ? printer->nameAnswer : printer->numberAnswer) = answer;
            for (std::size_t i = 4; i < f.size(); ++i) {
                if (names) {
                    const auto field = Unhex(f[i]);
                    if (!field)
                        return std::nullopt;
                    printer->nameFields.push_back(*field);
                } else {
                    const auto number = Number(f[i]);
                    if (!number)
                        return std::nullopt;
                    printer->numbers.push_back(static_cast<unsigned>(*number));
                }
            }
        } else {
            return std::nullopt;
        }
    }
    return dump;
}

std::string EffectiveDefault(const PrinterDump& dump) {
    if (dump.defaultPrinter.status != platform::DefaultPrinterAnswer::Status::Ok)
        return {};
    if (!dump.defaultPrinter.names.empty())
        return dump.defaultPrinter.names.front();
    return dump.windowsDevice.printer;
}

std::string ShownBinName(const std::string& field) {
    auto trimmed = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    std::size_t begin = 0;
    std::size_t end = field.size();
    while (begin < end && trimmed(field[begin]))
        ++begin;
    while (end > begin && trimmed(field[end - 1]))
        --end;
    return field.substr(begin, end - begin);
}

} // namespace kevo::testing
