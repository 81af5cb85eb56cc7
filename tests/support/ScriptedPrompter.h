// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "messages/Prompter.h"

#include <deque>
#include <string>
#include <vector>

namespace kevo::test {

// A prompter that answers from a script and remembers what it was shown. A
// message with no scripted answer left is answered as if Esc were pressed,
// so a test can never wait for a user.
class ScriptedPrompter : public messages::Prompter {
public:
    struct Shown {
        std::string text;
        messages::MessageType type;
        messages::MessageButtons buttons;
        messages::MessageAnswer answer;
    };

    // The next message is answered with this button.
    void AnswerNext(messages::MessageAnswer answer) { answers_.push_back(answer); }

    messages::MessageAnswer ShowMessage(const std::string& text, messages::MessageType type,
                                    messages::MessageButtons buttons) override;
    void ShowErrorReport(const std::string& errorText) override;

    const std::vector<Shown>& Messages() const { return messages_; }
    // The texts of the standard error reports, as shown.
    const std::vector<std::string>& ErrorReports() const { return errorReports_; }
    std::size_t UnusedAnswers() const { return answers_.size(); }

private:
    std::deque<messages::MessageAnswer> answers_;
    std::vector<Shown> messages_;
    std::vector<std::string> errorReports_;
};

} // namespace kevo::test
