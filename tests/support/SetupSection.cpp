// SPDX-License-Identifier: Apache-2.0
#include "SetupSection.h"

namespace kevo::test {

std::string SetupSection(int line, const std::string& name, const std::string& device,
                         const std::string& port, const std::string& driver,
                         const std::string& source1, const std::string& tray1,
                         const std::string& source2, const std::string& tray2) {
    return "[" + std::to_string(line) + "]\r\nName=" + name + "\r\nDevice=" + device +
           "\r\nPort=" + port + "\r\nDriver=" + driver + "\r\nPaperSourceName1=" + source1 +
           "\r\nPaperSource1=" + tray1 + "\r\nPaperSourceName2=" + source2 +
           "\r\nPaperSource2=" + tray2 + "\r\n";
}

} // namespace kevo::test
