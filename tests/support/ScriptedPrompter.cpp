// SPDX-License-Identifier: Apache-2.0
#include "ScriptedPrompter.h"

#include "messages/ErrorReport.h"

namespace kevo::test {

messages::MessageAnswer ScriptedPrompter::ShowMessage(const std::string& text, messages::MessageType type,
                                                  messages::MessageButtons buttons) {
    messages::MessageAnswer answer = messages::EscapeAnswer(buttons);
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    messages_.push_back({text, type, buttons, answer});
    return answer;
}

void ScriptedPrompter::ShowErrorReport(const std::string& errorText) {
    errorReports_.push_back(messages::StandardErrorText(errorText));
}

} // namespace kevo::test
