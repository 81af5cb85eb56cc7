// SPDX-License-Identifier: Apache-2.0
#include "platform/system/MemoryStatus.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace kevo::platform {

MemoryStatus ReadMemoryStatus() {
    // The extended record: GlobalMemoryStatus's 32-bit fields cannot count
    // more than 4 GB, and machines have more.
    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof memory;
    if (GlobalMemoryStatusEx(&memory) == 0)
        return {};
    MemoryStatus status;
    status.memoryLoad = memory.dwMemoryLoad;
    status.totalPhys = memory.ullTotalPhys;
    return status;
}

} // namespace kevo::platform
