// SPDX-License-Identifier: Apache-2.0
#include "messages/MessageDialog.h"
#include "ScriptedPrompter.h"
#include "messages/ErrorReport.h"

#include <gtest/gtest.h>

namespace kevo::messages {
namespace {

using B = MessageButton;

struct ButtonsCase {
    MessageButtons buttons;
    std::vector<MessageButton> order;
    MessageButton defaultButton;
    MessageAnswer escape;
};

class MessageButtonsTest : public ::testing::TestWithParam<ButtonsCase> {};

TEST_P(MessageButtonsTest, OrderDefaultAndEscape) {
    const auto& c = GetParam();
    EXPECT_EQ(OrderedButtons(c.buttons), c.order);
    EXPECT_EQ(DefaultButton(c.buttons), c.defaultButton);
    EXPECT_EQ(EscapeAnswer(c.buttons), c.escape);
}

INSTANTIATE_TEST_SUITE_P(
    TheMessagesOfTheProgram, MessageButtonsTest,
    ::testing::Values(
        ButtonsCase{B::OK, {B::OK}, B::OK, B::OK},
        // The run-mode 1 question: OK is the default and also Esc's answer.
        ButtonsCase{B::Ignore | B::OK, {B::OK, B::Ignore}, B::OK, B::OK},
        ButtonsCase{B::No | B::Yes, {B::Yes, B::No}, B::Yes, B::No},
        ButtonsCase{B::Cancel | B::OK, {B::OK, B::Cancel}, B::OK, B::Cancel},
        ButtonsCase{B::Cancel | B::No | B::Yes, {B::Yes, B::No, B::Cancel}, B::Yes, B::Cancel},
        ButtonsCase{B::Cancel | B::Yes, {B::Yes, B::Cancel}, B::Yes, B::Cancel},
        ButtonsCase{B::Help | B::YesToAll | B::NoToAll | B::All | B::Ignore | B::Retry | B::Abort |
                        B::Cancel | B::OK | B::No | B::Yes,
                    {B::Yes, B::No, B::OK, B::Cancel, B::Abort, B::Retry, B::Ignore, B::All,
                     B::NoToAll, B::YesToAll, B::Help},
                    B::OK,
                    B::Cancel},
        // Neither OK nor Yes: the first button shown is the default.
        ButtonsCase{
            B::Ignore | B::Retry | B::Abort, {B::Abort, B::Retry, B::Ignore}, B::Abort, B::Abort}));

TEST(MessageDialog, CaptionsAndButtonTexts) {
    EXPECT_EQ(MessageCaption(MessageType::Warning), "Warning");
    EXPECT_EQ(MessageCaption(MessageType::Error), "Error");
    EXPECT_EQ(MessageCaption(MessageType::Information), "Information");
    EXPECT_EQ(MessageCaption(MessageType::Confirmation), "Confirm");
    const std::vector<std::pair<MessageButton, const char*>> captions = {
        {B::Yes, "&Yes"},
        {B::No, "&No"},
        {B::OK, "OK"},
        {B::Cancel, "Cancel"},
        {B::Abort, "&Abort"},
        {B::Retry, "&Retry"},
        {B::Ignore, "&Ignore"},
        {B::All, "&All"},
        {B::NoToAll, "N&o to All"},
        {B::YesToAll, "Yes to &All"},
        {B::Help, "&Help"}};
    for (const auto& [button, caption] : captions)
        EXPECT_EQ(MessageButtonCaption(button), caption);
    EXPECT_EQ(CloseBoxAnswer(), B::Cancel);
}

struct ErrorTextCase {
    std::string text;
    std::string shown;
};

class StandardErrorTextTest : public ::testing::TestWithParam<ErrorTextCase> {};

TEST_P(StandardErrorTextTest, FullStopOnlyAfterCharactersBeyondTheFullStop) {
    EXPECT_EQ(StandardErrorText(GetParam().text), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StandardErrorTextTest,
    ::testing::Values(ErrorTextCase{"DevCap Error", "DevCap Error."},
                      ErrorTextCase{"There is no default printer currently selected",
                                    "There is no default printer currently selected."},
                      ErrorTextCase{"Unable to write to /tmp/a.ini",
                                    "Unable to write to /tmp/a.ini."},
                      ErrorTextCase{"Ends in a digit 5", "Ends in a digit 5."},
                      ErrorTextCase{"Already ends.", "Already ends."},
                      ErrorTextCase{"Shouts!", "Shouts!"}, ErrorTextCase{"Dash -", "Dash -"},
                      ErrorTextCase{"Slash /", "Slash /."}, ErrorTextCase{"Blank ", "Blank "},
                      ErrorTextCase{"Line\r\n", "Line\r\n"},
                      ErrorTextCase{"Accent \xe9", "Accent \xe9."}, ErrorTextCase{"", ""}));

TEST(ScriptedPrompter, AnswersFromTheScriptThenAsEscape) {
    test::ScriptedPrompter prompter;
    prompter.AnswerNext(B::No);
    EXPECT_EQ(prompter.ShowMessage("Save?", MessageType::Warning, B::Yes | B::No | B::Cancel),
              B::No);
    // With the script used up, a message is answered as Esc answers it.
    EXPECT_EQ(prompter.ShowMessage("Reload?", MessageType::Warning, B::OK | B::Cancel), B::Cancel);
    EXPECT_EQ(prompter.ShowMessage("Fix?", MessageType::Error, B::OK | B::Ignore), B::OK);
    prompter.ShowErrorReport("DevCap Error");
    ASSERT_EQ(prompter.Messages().size(), 3u);
    EXPECT_EQ(prompter.Messages()[1].text, "Reload?");
    EXPECT_EQ(prompter.Messages()[1].answer, B::Cancel);
    EXPECT_EQ(prompter.ErrorReports(), std::vector<std::string>{"DevCap Error."});
}

} // namespace
} // namespace kevo::messages
