// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "messages/Prompter.h"

#include <optional>
#include <string>
#include <vector>

namespace kevo::tools {

// What the program would have shown the user, in order.
struct Notice {
    enum class Kind {
        Message,     // a message with one button
        Question,    // a message with several buttons; answer says how it was answered
        ErrorReport, // the standard error report
    };
    Kind kind = Kind::Message;
    messages::MessageType type = messages::MessageType::Error;
    // The program's own text: lines end with CR LF as in its messages. An
    // error report's text is as the standard error report shows it.
    std::string text;
    std::optional<messages::MessageAnswer> answer;
};

// The answer that declines what a message offers: No where it has a No
// button, else the answer of the Esc key (Cancel, else OK).
messages::MessageAnswer DecliningAnswer(messages::MessageButtons buttons);

// A prompter for a run without a user: it never waits, answers every
// message at once with DecliningAnswer (so the missing setup file's
// question "Configure all the printer details now?" is answered No), and
// keeps everything it was shown.
class QuietPrompter : public messages::Prompter {
public:
    messages::MessageAnswer ShowMessage(const std::string& text, messages::MessageType type,
                                    messages::MessageButtons buttons) override;
    void ShowErrorReport(const std::string& errorText) override;

    // The program ends: later messages are neither kept nor shown
    // (messages::kClosedAtTheEnd).
    void EndMessages() { ended_ = true; }

    const std::vector<Notice>& Notices() const { return notices_; }
    std::size_t ErrorReportCount() const;

private:
    std::vector<Notice> notices_;
    bool ended_ = false;
};

} // namespace kevo::tools
