// SPDX-License-Identifier: Apache-2.0
#include "info/FileVersionInfo.h"
#include "info/ProgramVersion.h"
#include "platform/SystemPaths.h"

namespace kevo::info {

const VersionInformation& ProgramVersionInformation() {
    static const std::unique_ptr<VersionInformation> information =
        FileVersionInformation(platform::ExecutablePath());
    return *information;
}

} // namespace kevo::info
