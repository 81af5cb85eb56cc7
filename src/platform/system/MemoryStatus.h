// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kevo::platform {

// The machine's physical memory: how much there is and how much of it is in
// use. The total is kept in 64 bits: machines with more than 4 GB are the
// rule, and a 32-bit count would wrap.
struct MemoryStatus {
    // Per cent of physical memory in use, 0 to 100.
    std::uint32_t memoryLoad = 0;
    // Total physical memory in bytes.
    std::uint64_t totalPhys = 0;

    bool operator==(const MemoryStatus&) const = default;
};

// The per cent of total that is in use when available of it is free,
// rounded to the nearest per cent; 0 when total is 0.
std::uint32_t MemoryLoadPercent(std::uint64_t total, std::uint64_t available);

// Reads the status from the text of /proc/meminfo: MemTotal is the total,
// and the memory in use is MemTotal less MemAvailable (kernels before 3.14
// have no MemAvailable; there MemFree + Buffers + Cached stands in for it).
// The load is rounded to the nearest per cent. Nothing when MemTotal is
// missing, zero or unreadable.
std::optional<MemoryStatus> ParseMemInfo(const std::string& text);

// The status of this machine: /proc/meminfo, else sysinfo(2), on Linux;
// the system's memory status (GlobalMemoryStatusEx) on Windows. Zeros when
// the system does not answer.
MemoryStatus ReadMemoryStatus();

} // namespace kevo::platform
