// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "messages/MessageDialog.h"

#include <string>

namespace kevo::messages {

// Everything the program asks or tells the user goes through a prompter:
// the standard message dialogs in the program, a script in tests.
class Prompter {
public:
    virtual ~Prompter() = default;

    // Shows a standard message dialog and returns the answer.
    virtual MessageAnswer ShowMessage(const std::string& text, MessageType type,
                                      MessageButtons buttons) = 0;

    // Shows the standard error report for an error's own text.
    virtual void ShowErrorReport(const std::string& errorText) = 0;
};

} // namespace kevo::messages
