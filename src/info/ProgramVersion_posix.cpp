// SPDX-License-Identifier: Apache-2.0
#include "info/ProgramVersion.h"

namespace kevo::info {

const VersionInformation& ProgramVersionInformation() {
    static const StaticVersionInformation information(ProgramVersionData());
    return information;
}

} // namespace kevo::info
