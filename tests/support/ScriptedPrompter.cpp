// SPDX-License-Identifier: Apache-2.0
#include "ScriptedPrompter.h"

#include "core/ErrorReport.h"

namespace kevo::test {

core::MessageAnswer ScriptedPrompter::ShowMessage(const std::string& text, core::MessageType type,
                                                  core::MessageButtons buttons) {
    core::MessageAnswer answer = core::EscapeAnswer(buttons);
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    messages_.push_back({text, type, buttons, answer});
    return answer;
}

void ScriptedPrompter::ShowErrorReport(const std::string& errorText) {
    errorReports_.push_back(core::StandardErrorText(errorText));
}

} // namespace kevo::test
