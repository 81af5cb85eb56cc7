// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "messages/MessageDialog.h"

#include <string>

namespace kevo::messages {

// Once the program's end was requested (run modes 1 and 2 end after their
// decision), a message still shown is closed at once, unseen, with this
// answer, as closing windows answer them; an error report likewise.
inline constexpr MessageButton kClosedAtTheEnd = MessageButton::Cancel;

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
