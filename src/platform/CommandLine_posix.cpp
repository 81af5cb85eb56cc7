// SPDX-License-Identifier: Apache-2.0
#include "platform/CommandLine.h"

namespace kevo::platform {

std::vector<std::string> ProgramArguments(int argc, const char* const* argv) {
    return ArgumentsFromArgv(argc, argv);
}

} // namespace kevo::platform
