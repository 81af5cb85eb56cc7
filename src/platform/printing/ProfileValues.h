// SPDX-License-Identifier: Apache-2.0
#pragma once

// The profile's printer values as texts, the way Windows keeps them: the
// [Devices] value of a printer reads "driver,port(s)", the [windows]
// "device" value "name,driver,port". The services that read such texts (the
// spooler's, the simulated one) turn them into their parts here, by one rule.

#include "platform/printing/PrintingService.h"
#include "platform/text/TextCoding.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace kevo::platform {

// The buffers the values are read into, terminator included: a value keeps
// at most one character less, and ends at its first NUL.
inline constexpr std::size_t kDevicesValueBufferSize = 255;
inline constexpr std::size_t kWindowsDeviceBufferSize = 1023;

// A [Devices] value's parts: the driver is the text before the first comma
// and the port everything after it; a value without a comma stands for
// both.
inline DevicesValue SplitDevicesValue(std::string_view value) {
    const std::size_t comma = value.find(',');
    if (comma == std::string_view::npos)
        return {std::string(value), std::string(value)};
    return {std::string(value.substr(0, comma)), std::string(value.substr(comma + 1))};
}

// A text as a buffer of bufferSize characters holds it.
inline std::string ProfileTextInBuffer(std::string_view text, std::size_t bufferSize) {
    return CutToCharacters(text.substr(0, text.find('\0')), bufferSize - 1);
}

// A printer's [Devices] value as the program reads it.
inline DevicesValue ReadDevicesValue(std::string_view value) {
    return SplitDevicesValue(ProfileTextInBuffer(value, kDevicesValueBufferSize));
}

// The [windows] "device" value as the program reads it: the printer is the
// text before the first comma, leading blanks skipped; the rest after that
// comma gives the driver and the port as a [Devices] value does.
inline WindowsDevice ReadWindowsDevice(std::string_view value) {
    const std::string text = ProfileTextInBuffer(value, kWindowsDeviceBufferSize);
    const std::size_t start = std::min(text.find_first_not_of(' '), text.size());
    const std::size_t comma = text.find(',', start);
    if (comma == std::string::npos)
        return {text.substr(start), {}, {}};
    DevicesValue rest = SplitDevicesValue(std::string_view(text).substr(comma + 1));
    return {text.substr(start, comma - start), std::move(rest.driver), std::move(rest.port)};
}

} // namespace kevo::platform
