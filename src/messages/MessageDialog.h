// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <vector>

namespace kevo::messages {

// The four kinds of standard message dialog; each has its own caption and
// icon.
enum class MessageType { Warning, Error, Information, Confirmation };

// The buttons a message can show. They are always laid out in the order of
// this enumeration, whatever order a caller names them in.
enum class MessageButton : unsigned {
    Yes = 1u << 0,
    No = 1u << 1,
    OK = 1u << 2,
    Cancel = 1u << 3,
    Abort = 1u << 4,
    Retry = 1u << 5,
    Ignore = 1u << 6,
    All = 1u << 7,
    NoToAll = 1u << 8,
    YesToAll = 1u << 9,
    Help = 1u << 10,
};

// A set of buttons.
class MessageButtons {
public:
    constexpr MessageButtons() = default;
    constexpr MessageButtons(MessageButton button) : bits_(static_cast<unsigned>(button)) {}
    constexpr MessageButtons operator|(MessageButtons other) const {
        return FromBits(bits_ | other.bits_);
    }
    constexpr bool Has(MessageButton button) const {
        return (bits_ & static_cast<unsigned>(button)) != 0;
    }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr bool operator==(const MessageButtons&) const = default;

private:
    static constexpr MessageButtons FromBits(unsigned bits) {
        MessageButtons set;
        set.bits_ = bits;
        return set;
    }
    unsigned bits_ = 0;
};

constexpr MessageButtons operator|(MessageButton a, MessageButton b) {
    return MessageButtons(a) | MessageButtons(b);
}

// The answer a message gives: the button that was pressed, or Cancel when
// the dialog was closed by its close box (or by a termination request).
using MessageAnswer = MessageButton;

// "Warning", "Error", "Information" or "Confirm".
std::string MessageCaption(MessageType type);

// The button's caption with its access key: "&Yes", "&No", "OK", "Cancel",
// "&Abort", "&Retry", "&Ignore", "&All", "N&o to All", "Yes to &All",
// "&Help".
std::string MessageButtonCaption(MessageButton button);

// The buttons of a set in their fixed order.
std::vector<MessageButton> OrderedButtons(MessageButtons buttons);

// The default button: OK if present, else Yes, else the first button shown.
MessageButton DefaultButton(MessageButtons buttons);

// The answer of the Esc key: Cancel if present, else No, else OK; a set
// without any of them answers with its default button.
MessageAnswer EscapeAnswer(MessageButtons buttons);

// The answer when the dialog is closed by its close box: always Cancel.
constexpr MessageAnswer CloseBoxAnswer() {
    return MessageButton::Cancel;
}

} // namespace kevo::messages
