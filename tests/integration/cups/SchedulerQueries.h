// SPDX-License-Identifier: Apache-2.0
#pragma once

// What the scheduler itself says, read through its own command-line tools
// and files, to compare the printing service's answers with.

#include "PrivateScheduler.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace kevo::test {

// The destinations as `lpstat -e` lists them.
std::vector<std::string> LpstatDestinations(const PrivateScheduler& scheduler);

// A queue's options as `lpoptions -p NAME` gives them (device-uri,
// printer-make-and-model, ...), quotes and escapes removed.
std::map<std::string, std::string> LpoptionsOf(const PrivateScheduler& scheduler,
                                               const std::string& printer);

// The "system default destination" of `lpstat -d`; empty without one.
std::string LpstatDefault(const PrivateScheduler& scheduler);

// The paper sources a PPD file declares.
struct PpdFileSources {
    std::vector<std::string> inputSlotTexts; // translation texts, or keywords without one
    bool hasManualFeedTrue = false;
};
PpdFileSources ReadPpdFileSources(const std::filesystem::path& ppd);

} // namespace kevo::test
