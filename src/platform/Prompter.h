#pragma once

#include "platform/MessageDialog.h"

#include <deque>
#include <string>
#include <vector>

namespace kevo::platform {

// Everything the program asks or tells the user goes through a prompter:
// the standard message dialogs in the program, a script in tests.
class Prompter {
public:
    virtual ~Prompter() = default;

    // Shows a standard message dialog and returns the answer.
    virtual MessageAnswer ShowMessage(const std::string& text, MessageType type,
                                      MessageButtons buttons) = 0;

    // Shows the standard error report for an error's own text.
    virtual void ShowErrorReport(const std::string& errorText) = 0;
};

// A prompter that answers from a script and remembers what it was shown. A
// message with no scripted answer left is answered as if Esc were pressed,
// so a test can never wait for a user.
class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        std::string text;
        MessageType type;
        MessageButtons buttons;
        MessageAnswer answer;
    };

    // The next message is answered with this button.
    void AnswerNext(MessageAnswer answer) { answers_.push_back(answer); }

    MessageAnswer ShowMessage(const std::string& text, MessageType type,
                              MessageButtons buttons) override;
    void ShowErrorReport(const std::string& errorText) override;

    const std::vector<Shown>& Messages() const { return messages_; }
    // The texts of the standard error reports, as shown.
    const std::vector<std::string>& ErrorReports() const { return errorReports_; }
    std::size_t UnusedAnswers() const { return answers_.size(); }

private:
    std::deque<MessageAnswer> answers_;
    std::vector<Shown> messages_;
    std::vector<std::string> errorReports_;
};

} // namespace kevo::platform
