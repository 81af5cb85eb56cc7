// SPDX-License-Identifier: Apache-2.0
#include "check/QuietPrompter.h"

#include "messages/ErrorReport.h"

#include <algorithm>

namespace kevo::tools {

using messages::MessageAnswer;
using messages::MessageButton;
using messages::MessageButtons;

MessageAnswer DecliningAnswer(MessageButtons buttons) {
    return buttons.Has(MessageButton::No) ? MessageButton::No : messages::EscapeAnswer(buttons);
}

MessageAnswer QuietPrompter::ShowMessage(const std::string& text, messages::MessageType type,
                                         MessageButtons buttons) {
    if (ended_)
        return messages::kClosedAtTheEnd;
    Notice notice;
    notice.type = type;
    notice.text = text;
    const MessageAnswer answer = DecliningAnswer(buttons);
    if (messages::OrderedButtons(buttons).size() > 1) {
        notice.kind = Notice::Kind::Question;
        notice.answer = answer;
    }
    notices_.push_back(std::move(notice));
    return answer;
}

void QuietPrompter::ShowErrorReport(const std::string& errorText) {
    if (ended_)
        return;
    Notice notice;
    notice.kind = Notice::Kind::ErrorReport;
    notice.text = messages::StandardErrorText(errorText);
    notices_.push_back(std::move(notice));
}

std::size_t QuietPrompter::ErrorReportCount() const {
    return static_cast<std::size_t>(
        std::count_if(notices_.begin(), notices_.end(),
                      [](const Notice& n) { return n.kind == Notice::Kind::ErrorReport; }));
}

} // namespace kevo::tools
