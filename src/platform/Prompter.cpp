#include "platform/Prompter.h"

#include "platform/ErrorReport.h"

namespace kevo::platform {

MessageAnswer ScriptedPrompter::ShowMessage(const std::string& text, MessageType type,
                                            MessageButtons buttons) {
    MessageAnswer answer = EscapeAnswer(buttons);
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    messages_.push_back({text, type, buttons, answer});
    return answer;
}

void ScriptedPrompter::ShowErrorReport(const std::string& errorText) {
    errorReports_.push_back(StandardErrorText(errorText));
}

} // namespace kevo::platform
