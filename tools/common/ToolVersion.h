// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>

namespace kevo::tools {

// The version of this build of KevoConf, from the project's version: the
// companion commands show the same version as the program.
std::string ToolVersion();

// What --version prints: "kevoconf-check (KevoConf) 3.2.0.0" and a line break.
std::string VersionLine(std::string_view program);

// What every companion command writes to standard error for a wrong command
// line (and then ends with exit status 2): the fault, naming the argument,
// and where help is: "kevoconf-check: unknown option "--bogus"" and
// "Try "kevoconf-check --help" for more.", each on a line.
std::string WrongCommandLineText(std::string_view program, std::string_view fault);

} // namespace kevo::tools
