// SPDX-License-Identifier: Apache-2.0
#include "messages/MessageDialog.h"

namespace kevo::messages {
namespace {

constexpr MessageButton kButtonOrder[] = {
    MessageButton::Yes,     MessageButton::No,       MessageButton::OK,     MessageButton::Cancel,
    MessageButton::Abort,   MessageButton::Retry,    MessageButton::Ignore, MessageButton::All,
    MessageButton::NoToAll, MessageButton::YesToAll, MessageButton::Help,
};

} // namespace

std::string MessageCaption(MessageType type) {
    switch (type) {
    case MessageType::Warning:
        return "Warning";
    case MessageType::Error:
        return "Error";
    case MessageType::Information:
        return "Information";
    case MessageType::Confirmation:
        return "Confirm";
    }
    return {};
}

std::string MessageButtonCaption(MessageButton button) {
    switch (button) {
    case MessageButton::Yes:
        return "&Yes";
    case MessageButton::No:
        return "&No";
    case MessageButton::OK:
        return "OK";
    case MessageButton::Cancel:
        return "Cancel";
    case MessageButton::Abort:
        return "&Abort";
    case MessageButton::Retry:
        return "&Retry";
    case MessageButton::Ignore:
        return "&Ignore";
    case MessageButton::All:
        return "&All";
    case MessageButton::NoToAll:
        return "N&o to All";
    case MessageButton::YesToAll:
        return "Yes to &All";
    case MessageButton::Help:
        return "&Help";
    }
    return {};
}

std::vector<MessageButton> OrderedButtons(MessageButtons buttons) {
    std::vector<MessageButton> ordered;
    for (const MessageButton button : kButtonOrder) {
        if (buttons.Has(button))
            ordered.push_back(button);
    }
    return ordered;
}

MessageButton DefaultButton(MessageButtons buttons) {
    if (buttons.Has(MessageButton::OK))
        return MessageButton::OK;
    if (buttons.Has(MessageButton::Yes))
        return MessageButton::Yes;
    const auto ordered = OrderedButtons(buttons);
    // A message always has a button; an empty set shows OK.
    return ordered.empty() ? MessageButton::OK : ordered.front();
}

MessageAnswer EscapeAnswer(MessageButtons buttons) {
    if (buttons.Has(MessageButton::Cancel))
        return MessageButton::Cancel;
    if (buttons.Has(MessageButton::No))
        return MessageButton::No;
    if (buttons.Has(MessageButton::OK))
        return MessageButton::OK;
    return DefaultButton(buttons);
}

} // namespace kevo::messages
