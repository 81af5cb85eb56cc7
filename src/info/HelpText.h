// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kevo::info {

// The help window's page of prose, line by line, exactly as shown (double
// spaces after full stops and the trailing blanks included).
extern const std::array<std::string_view, 25> kHelpLines;

// The page as one text, its lines joined by line breaks ("\n").
std::string HelpText();

// One label of the "Shortcut Keys" tab: its component name, its top in
// pixels and its text.
struct ShortcutKeyLabel {
    std::string_view name;
    int top;
    std::string_view text;
};

// The ten labels from top to bottom.
extern const std::array<ShortcutKeyLabel, 10> kShortcutKeyLabels;

} // namespace kevo::info
