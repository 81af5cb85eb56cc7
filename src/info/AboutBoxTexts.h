// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "info/VersionInfo.h"
#include "platform/system/SystemInformation.h"

#include <array>
#include <optional>
#include <string>

namespace kevo::info {

// Everything the about box shows that is gathered when it is shown.
struct AboutBoxTexts {
    std::string version;   // "Version 3.2 (Build 0.0)"
    std::string platform;  // "Debian GNU/Linux 12 - v6.01.0 18-amd64", "Windows XP - v5.01.2600"
    std::string resources; // the memory load, "7%"
    std::string freeMem;   // the total physical memory, "2,097,152 KB"
    // The memory label names the system: "Physical Memory Available to
    // Linux:" (the kernel's name), "... to Windows:".
    std::string memoryLabel;
    // The ten string slots; nothing when the program has no version
    // information, and the four labels keep their initial texts.
    std::optional<std::array<std::string, 10>> strings;
};

// Gathers the texts in the order the about box shows them: the version
// label, the platform text, the memory labels (with the user's thousands
// separator), the version strings.
AboutBoxTexts GatherAboutBoxTexts(const VersionInformation& version,
                                  const platform::SystemInformation& system,
                                  const std::string& thousandsSeparator);

} // namespace kevo::info
