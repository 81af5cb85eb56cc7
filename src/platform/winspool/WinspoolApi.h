// SPDX-License-Identifier: Apache-2.0
#pragma once

// The Windows printing calls that the printing service makes, behind a small
// interface: the real one calls winspool and the profile functions
// (MakeSystemWinspoolApi, Windows only); tests put a scripted one in its
// place to reach answers that no real system gives on demand (a failing
// enumeration, ERROR_INVALID_NAME, a driver that changes between calls).
//
// This header needs no Windows header, so the service's logic builds and is
// tested on every platform. (Its calls are not named after the Windows
// functions, which windows.h turns into macros.) The real calls are the
// wide-character ones; texts here are UTF-8.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kevo::platform::winspool {

// The Windows values the logic needs (checked against the SDK's in the
// Windows build).
inline constexpr std::uint32_t kPrinterEnumDefault = 0x00000001;     // PRINTER_ENUM_DEFAULT
inline constexpr std::uint32_t kPrinterEnumLocal = 0x00000002;       // PRINTER_ENUM_LOCAL
inline constexpr std::uint32_t kPrinterEnumConnections = 0x00000004; // PRINTER_ENUM_CONNECTIONS
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;       // ERROR_INSUFFICIENT_BUFFER
inline constexpr std::uint32_t kErrorInvalidName = 123;              // ERROR_INVALID_NAME
inline constexpr std::uint16_t kDcBins = 6;                          // DC_BINS
inline constexpr std::uint16_t kDcBinNames = 12;                     // DC_BINNAMES
inline constexpr std::uint32_t kPlatformWin32Nt = 2;                 // VER_PLATFORM_WIN32_NT

// One printer as EnumPrinters describes it: PRINTER_INFO_4 gives the name
// only, PRINTER_INFO_5 the name and the comma-separated port list.
struct PrinterRecord {
    std::string printerName;
    std::string portName;

    bool operator==(const PrinterRecord&) const = default;
};

// The outcome of one EnumPrintersW call.
struct EnumPrintersCall {
    bool ok = false;
    std::uint32_t error = 0;  // GetLastError() when the call failed
    std::uint32_t needed = 0; // the bytes the data needs (pcbNeeded)
    std::vector<PrinterRecord> records;
};

// A bin name as DC_BINNAMES gives it: 24 UTF-16 code units (WCHAR),
// terminated early by a NUL only when the name is shorter.
inline constexpr std::size_t kDriverBinNameUnits = 24;
using DriverBinNameField = std::array<char16_t, kDriverBinNameUnits>;
static_assert(sizeof(DriverBinNameField) == 2 * kDriverBinNameUnits,
              "bin name fields lie next to each other in the driver's buffer");

class WinspoolApi {
public:
    virtual ~WinspoolApi() = default;

    // EnumPrintersW(flags, NULL, level, buffer, bufferSize, ...) with a
    // buffer of bufferSize bytes (none when 0); the records are decoded from
    // the buffer when the call succeeds.
    virtual EnumPrintersCall Enumerate(std::uint32_t flags, std::uint32_t level,
                                       std::uint32_t bufferSize) = 0;

    // GetProfileStringW(section, key, "", ...): the whole value of the user
    // profile's key, empty when it does not exist.
    virtual std::string ProfileString(const std::string& section, const std::string& key) = 0;

    // DeviceCapabilitiesW(device, port, capability, output, NULL). output is
    // null for the count query; otherwise it has room for `room` entries of
    // the capability's size (DriverBinNameField for DC_BINNAMES, 16 bits for
    // DC_BINS), and a driver that answers more than room has written past
    // it: callers size the room from a count taken just before.
    virtual int Capability(const std::string& device, const std::string& port,
                           std::uint16_t capability, void* output, std::size_t room) = 0;

    // dwPlatformId of GetVersionExW: 2 on the NT family.
    virtual std::uint32_t PlatformId() = 0;

    // The system's own text for an error code (FormatMessageW), without the
    // line break it ends with; empty when the system has none.
    virtual std::string SystemMessage(std::uint32_t error) = 0;
};

// The real calls (Windows only).
std::unique_ptr<WinspoolApi> MakeSystemWinspoolApi();

} // namespace kevo::platform::winspool
