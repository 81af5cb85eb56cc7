#pragma once

#include <string>
#include <string_view>

namespace kevo::tools {

// The version of this build of KevoConf, from the project's version: the
// companion commands show the same version as the program.
std::string ToolVersion();

// What --version prints: "kevoconf-check (KevoConf) 3.2.0.0" and a line break.
std::string VersionLine(std::string_view program);

} // namespace kevo::tools
