#pragma once

#include "platform/Prompter.h"

namespace kevo::platform {

// The program's prompter: standard message dialogs on the screen. While the
// program is terminating every message closes at once with Cancel.
class QtPrompter : public Prompter {
public:
    MessageAnswer ShowMessage(const std::string& text, MessageType type,
                              MessageButtons buttons) override;
    void ShowErrorReport(const std::string& errorText) override;
};

} // namespace kevo::platform
