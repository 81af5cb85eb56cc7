// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "messages/Prompter.h"

#include <deque>
#include <string>
#include <vector>

namespace kevo::test {

// The tests' prompter: it answers from a script and remembers what it was
// shown. A message with no scripted answer left is answered as if Esc were
// pressed, so a test can never wait for a user.
class ScriptedPrompter : public messages::Prompter {
public:
    struct Message {
        std::string text;
        messages::MessageType type;
        messages::MessageButtons buttons;
        messages::MessageAnswer answer;
    };

    // The next message is answered with this button.
    void AnswerNext(messages::MessageAnswer answer) { answers_.push_back(answer); }
    // As in the program: once terminating is true, every message closes at
    // once with Cancel, unseen by the user (kept in ClosedAtOnce()).
    void CloseAtOnceWhen(const bool& terminating) { terminating_ = &terminating; }

    messages::MessageAnswer ShowMessage(const std::string& text, messages::MessageType type,
                                    messages::MessageButtons buttons) override;
    void ShowErrorReport(const std::string& errorText) override;

    const std::vector<Message>& Messages() const { return messages_; }
    // The texts of the messages, as shown.
    std::vector<std::string> Seen() const;
    // The texts of the standard error reports, as shown.
    const std::vector<std::string>& ErrorReports() const { return errorReports_; }
    // Messages and error reports in the order shown, each as "message: " or
    // "report: " followed by its text; Forget() starts it afresh.
    const std::vector<std::string>& Shown() const { return shown_; }
    void Forget() { shown_.clear(); }
    const std::vector<std::string>& ClosedAtOnce() const { return closedAtOnce_; }
    std::size_t UnusedAnswers() const { return answers_.size(); }

private:
    std::deque<messages::MessageAnswer> answers_;
    const bool* terminating_ = nullptr;
    std::vector<Message> messages_;
    std::vector<std::string> errorReports_;
    std::vector<std::string> shown_;
    std::vector<std::string> closedAtOnce_;
};

} // namespace kevo::test
