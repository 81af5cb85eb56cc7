// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <stdexcept>
#include <string>

namespace kevo::messages {

// An error that ends the command (or window creation) that raised it and is
// shown to the user in the standard error report. what() is the error's own
// text, for example "DevCap Error" or "Unable to write to /home/a/setup.ini".
class KevoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The application's title: the caption of the standard error report.
inline constexpr const char* kApplicationTitle = "Kevo Printer Configurator";

// The text of the standard error report for an error's own text: a full stop
// is appended when the last character comes after "." in character-code
// order (so "DevCap Error" becomes "DevCap Error." while a text that already
// ends in ".", "!" or a blank is shown as it is).
std::string StandardErrorText(const std::string& errorText);

} // namespace kevo::messages
