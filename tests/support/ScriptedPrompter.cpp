// SPDX-License-Identifier: Apache-2.0
#include "ScriptedPrompter.h"

#include "messages/ErrorReport.h"

namespace kevo::test {

messages::MessageAnswer ScriptedPrompter::ShowMessage(const std::string& text, messages::MessageType type,
                                                  messages::MessageButtons buttons) {
    if (terminating_ != nullptr && *terminating_) {
        closedAtOnce_.push_back(text);
        return messages::kClosedAtTheEnd;
    }
    messages::MessageAnswer answer = messages::EscapeAnswer(buttons);
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    messages_.push_back({text, type, buttons, answer});
    shown_.push_back("message: " + text);
    return answer;
}

void ScriptedPrompter::ShowErrorReport(const std::string& errorText) {
    errorReports_.push_back(messages::StandardErrorText(errorText));
    shown_.push_back("report: " + errorReports_.back());
}

std::vector<std::string> ScriptedPrompter::Seen() const {
    std::vector<std::string> texts;
    for (const Message& message : messages_)
        texts.push_back(message.text);
    return texts;
}

} // namespace kevo::test
