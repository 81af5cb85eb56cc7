// SPDX-License-Identifier: Apache-2.0
#include "platform/system/SystemInformation.h"

namespace kevo::platform {

MemoryStatus HostSystemInformation::Memory() const {
    return ReadMemoryStatus();
}

OsIdentity HostSystemInformation::Os() const {
    return ReadOsIdentity();
}

} // namespace kevo::platform
