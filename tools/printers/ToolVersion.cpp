#include "ToolVersion.h"

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

} // namespace kevo::tools
