// SPDX-License-Identifier: Apache-2.0
#include "info/HelpText.h"

namespace kevo::info {

// clang-format off
const std::array<std::string_view, 25> kHelpLines = {
    "This program allows the selection of printers and paper trays for a number of different",
    "printer/paper names.  The names are defined in a separate file.",
    "",
    "When the program is started, any differences between the setup file and the printers",
    "installed on the machine, are highlighted in red on the screen.  The number of lines",
    "with errors is shown on the status bar at the bottom of the program window.",
    "",
    "Errors can be corrected & changes made to  correct lines by double (left) clicking on",
    "the line and entering the correct information via the displayed printer setup box.  A",
    "modified line is highlighted in blue in the first column and with 'Mods' on the status bar.",
    "",
    "Each printer/paper name can have a different printer assigned to it with settings for",
    "the paper trays to be used.  The paper trays can be set so that the first page is sent to",
    "the first selected tray and any other pages are sent to the second one.",
    "",
    "Details may be cleared by highlighting one or more lines and selecting the clear option",
    "from the edit menu.  If a printer being cleared has a name you will be asked to confirm.",
    "",
    "You may save your changes with \"File menu, Save Details\" or wait until you are ",
    "prompted when exiting the program.  You may lose any modifications made by ",
    "reloading",
    "the current information with \"File menu, Reload details\" or exiting and not saving.",
    "",
    "Full details for each line may be viewed by holding down the right mouse button, on the",
    "printer you are interested in.  This information will display on the status bar.",
};

const std::array<ShortcutKeyLabel, 10> kShortcutKeyLabels = {{
    {"lbl1", 16, "Ctrl + C - Recheck Printers - Check the details to ensure there are no setup errors."},
    {"lbl2", 46, "Ctrl + L - Reload Details - Reload the printer setup file, any changes will be lost."},
    {"lbl3", 76, "Ctrl + S - Save Details - Save the printer setup information."},
    {"lbl4", 107, "Alt + F4 - Exit - Exit the program, you will be prompted to save any changes."},
    {"lbl5", 137, "Del - Clear Printer - Clear the printer information for the current line or lines."},
    {"lbl6", 167, "Ctrl + A - Edit All Printers - Step through the printer setup for each named printer."},
    {"lbl7", 197, "Ctrl + E - Edit Printer - Edit the printer setup for the currently selected printer."},
    {"lbl8", 228, "F1 - Help - Display this help screen."},
    {"lbl9", 258, "Double left mouse click - Edit the printer setup for the currently selected printer."},
    {"lbl10", 288, "Right mouse button - Display all information for a printer on the status bar."},
}};
// clang-format on

std::string HelpText() {
    std::string text;
    for (std::size_t i = 0; i < kHelpLines.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += kHelpLines[i];
    }
    return text;
}

} // namespace kevo::info
