// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

namespace kevo::test {

// One line's section of a setup file as the program writes it: the line's
// number as the section's name, then its eight keys in the program's order,
// each line ended by CR LF.
std::string SetupSection(int line, const std::string& name, const std::string& device,
                         const std::string& port, const std::string& driver,
                         const std::string& source1, const std::string& tray1,
                         const std::string& source2, const std::string& tray2);

} // namespace kevo::test
