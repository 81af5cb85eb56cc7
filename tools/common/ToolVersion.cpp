// SPDX-License-Identifier: Apache-2.0
#include "common/ToolVersion.h"

#ifndef KEVO_TOOL_VERSION
#error "KEVO_TOOL_VERSION must be defined by the build"
#endif

namespace kevo::tools {

std::string ToolVersion() {
    return KEVO_TOOL_VERSION;
}

std::string VersionLine(std::string_view program) {
    return std::string(program) + " (KevoConf) " + ToolVersion() + "\n";
}

std::string WrongCommandLineText(std::string_view program, std::string_view fault) {
    const std::string name(program);
    return name + ": " + std::string(fault) + "\nTry \"" + name + " --help\" for more.\n";
}

} // namespace kevo::tools
