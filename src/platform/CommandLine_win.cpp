// SPDX-License-Identifier: Apache-2.0
#include "platform/CommandLine.h"

#include "platform/text/WideText.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace kevo::platform {

std::vector<std::string> ProgramArguments(int /*argc*/, const char* const* /*argv*/) {
    // The runtime's own split of the command line follows other rules
    // (backslashes before quotes, doubled quotes); the program splits the
    // whole line itself, as UTF-8 like every text inside the program.
    return ArgumentsFromCommandLine(Utf8FromWide(GetCommandLineW()));
}

} // namespace kevo::platform
