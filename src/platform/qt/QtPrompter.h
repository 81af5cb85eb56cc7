// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/Prompter.h"

namespace kevo::platform {

// The program's prompter: standard message dialogs on the screen. While the
// program is terminating every message closes at once with Cancel.
class QtPrompter : public core::Prompter {
public:
    core::MessageAnswer ShowMessage(const std::string& text, core::MessageType type,
                                    core::MessageButtons buttons) override;
    void ShowErrorReport(const std::string& errorText) override;
};

} // namespace kevo::platform
