// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "messages/Prompter.h"

namespace kevo::ui {

// The program's prompter: standard message dialogs on the screen. While the
// program is terminating every message closes at once with Cancel.
class QtPrompter : public messages::Prompter {
public:
    messages::MessageAnswer ShowMessage(const std::string& text, messages::MessageType type,
                                    messages::MessageButtons buttons) override;
    void ShowErrorReport(const std::string& errorText) override;
};

} // namespace kevo::ui
