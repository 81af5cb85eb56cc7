// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "platform/printing/PrintingService.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kevo::platform {

// One printer of a simulated printing service, as its description file
// states it. SIMULATED.md describes the file.
struct SimulatedPrinter {
    std::string name;
    // The ports the printer is listed under, one list entry per port; with
    // no ports it is listed once, without a port.
    std::vector<std::string> ports;
    // The [Devices] value, "driver,port(s)"; absent when not given.
    std::optional<std::string> devicesValue;
    // Bin names (at most kBinNameFieldLength characters each) and bin numbers.
    // The two lists are independent, so they may differ in length.
    std::vector<std::string> binNames;
    std::vector<std::uint16_t> binNumbers;
    // Answers that replace the natural ones (the length of the list for a
    // count, the same for a data query), to simulate failing drivers.
    std::optional<int> binNameCountAnswer;
    std::optional<int> binNameDataAnswer;
    std::optional<int> binNumberCountAnswer;
    std::optional<int> binNumberDataAnswer;
    // How long each count query for bin names takes, in milliseconds: a slow
    // driver or a print server far away.
    int delayMs = 0;
    // The line of the file on which the printer starts.
    int line = 0;
};

// A whole simulated printing service.
struct SimulatedPrinters {
    std::vector<SimulatedPrinter> printers;
    // Without a "default" or "default-fails" line the service answers Ok
    // with no names, so the [windows] device value decides.
    DefaultPrinterAnswer defaultPrinter;
    std::string windowsDevice;
    // "ports device-uris": the ports are device URIs, as a CUPS scheduler's
    // are (PrintingService::PortsAreDeviceUris).
    bool portsAreDeviceUris = false;
};

// A description file that cannot be read or is not well formed. what() says
// where ("printers.txt, line 12: ...") and what is wrong.
class SimulatedFileError : public std::runtime_error {
public:
    enum class Kind { Unreadable, Invalid };
    SimulatedFileError(Kind kind, const std::string& what)
        : std::runtime_error(what), kind_(kind) {}
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// The largest description file the loader accepts.
inline constexpr std::size_t kMaxSimulatedFileSize = 16 * 1024 * 1024;

// Parses a description held in text. source names it in error messages.
// Throws SimulatedFileError on the first fault.
SimulatedPrinters ParseSimulatedPrinters(std::string_view text, std::string_view source);

// Reads and parses the description file at path. Throws SimulatedFileError
// when the file cannot be read, is too large or is not well formed.
SimulatedPrinters LoadSimulatedPrinters(const std::string& path);

} // namespace kevo::platform
