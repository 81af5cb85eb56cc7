// SPDX-License-Identifier: Apache-2.0
#include "platform/system/MemoryStatus.h"

#include <fstream>
#include <sstream>
#include <sys/sysinfo.h>

namespace kevo::platform {

MemoryStatus ReadMemoryStatus() {
    std::ifstream file("/proc/meminfo");
    if (file) {
        std::ostringstream text;
        text << file.rdbuf();
        if (const auto status = ParseMemInfo(text.str()))
            return *status;
    }
    struct sysinfo info {};
    if (sysinfo(&info) != 0 || info.totalram == 0)
        return {};
    const std::uint64_t unit = info.mem_unit == 0 ? 1 : info.mem_unit;
    const std::uint64_t total = static_cast<std::uint64_t>(info.totalram) * unit;
    const std::uint64_t available =
        (static_cast<std::uint64_t>(info.freeram) + info.bufferram) * unit;
    MemoryStatus status;
    status.totalPhys = total;
    status.memoryLoad = MemoryLoadPercent(total, available);
    return status;
}

} // namespace kevo::platform
