// SPDX-License-Identifier: Apache-2.0
#pragma once

// The fixed texts of the main window: its caption and the messages its logic
// shows. Messages built from a name or a path are made where they are shown.

namespace kevo::setup {

inline constexpr const char* kMainWindowTitle = "Quillmere Printer Configuration";
// The grid's name for a screen reader.
inline constexpr const char* kGridAccessibleName = "Printer/paper names";

// Start-up.
inline constexpr const char* kInvalidModeMessage =
    "Invalid/no mode specified\r\nKevoConf runs in modes 0, 1 or 2";
inline constexpr const char* kErrorsFixQuestion =
    "Error(s) detected in your printer setup.\r\nPress OK to edit printer details,\r\n"
    "or Ignore to continue without fixing.";
inline constexpr const char* kErrorsReport = "Error(s) detected in your printer setup.\r\n"
                                             "Please run the application printer setup routine.";

// Commands.
inline constexpr const char* kReloadQuestion =
    "Reloading will lose any changes made.\r\nReload details for the printers?";
inline constexpr const char* kUnnamedLineWarning = "You cannot edit a printer on an unnamed line.";
inline constexpr const char* kClearUnnamedQuestion = "Clear the printer details from this line?";
inline constexpr const char* kSaveQuestion =
    "Changes have been made to the printer settings.\r\n\r\nSave modified configuration?";

} // namespace kevo::setup
