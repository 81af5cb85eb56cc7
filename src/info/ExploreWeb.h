// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "platform/system/DesktopOpener.h"

#include <optional>
#include <string>

namespace kevo::info {

// The caption of the message that reports a failed opening.
inline constexpr const char* kExploreWebCaption = "Error ExploreWeb";

// The shell's result for an opener's outcome, on the scale of the Windows
// shell's "open": above 32 is success, 32 and below name the failure. How
// the desktop opener's failures are mapped:
//
//   running, or ended with success            33 (success)
//   not started: ENOMEM, EAGAIN               0  out of memory or resources
//   not started: ENOENT (no opener installed) 2  file not found
//   not started: ENOTDIR, ELOOP, ENAMETOOLONG 3  path not found
//   not started: EACCES, EPERM                5  access denied
//   not started: ENOEXEC, ELIBBAD, ETXTBSY    11 bad executable format
//   opener's exit status 2 (target not found) 2  file not found
//   opener's exit status 3 (no program)       31 no application for the target
//   opener's exit status 1 (bad arguments)    1
//   any other exit status, a signal, or any
//   other reason for not starting             4  the action failed
//   refused by the Windows shell              the shell's own result
int ShellResultFor(const platform::OpenOutcome& outcome);

// The text of the message for a shell result, or nothing for a success
// (above 32): "Error: Out of Memory" (0), "Error: File not found" (2),
// "Error: Directory not found" (3), "Error: Wrong format in EXE" (11), and
// "Error Nr:" with the number and " in ShellExecute" for any other result.
std::optional<std::string> ExploreWebMessage(int shellResult);

} // namespace kevo::info
