// SPDX-License-Identifier: Apache-2.0
#include "platform/system/MemoryStatus.h"

#include <limits>
#include <map>
#include <sstream>

namespace kevo::platform {
namespace {

// Parses "Key:   1234 kB" lines into kilobyte counts. Lines that do not have
// this form are skipped.
std::map<std::string, std::uint64_t> MemInfoValues(const std::string& text) {
    std::map<std::string, std::uint64_t> values;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::size_t pos = colon + 1;
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        if (pos >= line.size() || line[pos] < '0' || line[pos] > '9')
            continue;
        std::uint64_t value = 0;
        bool overflow = false;
        for (; pos < line.size() && line[pos] >= '0' && line[pos] <= '9'; ++pos) {
            const auto digit = static_cast<std::uint64_t>(line[pos] - '0');
            if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) {
                overflow = true;
                break;
            }
            value = value * 10 + digit;
        }
        if (!overflow)
            values[line.substr(0, colon)] = value;
    }
    return values;
}

} // namespace

std::uint32_t MemoryLoadPercent(std::uint64_t total, std::uint64_t available) {
    if (total == 0)
        return 0;
    if (available > total)
        available = total;
    const std::uint64_t used = total - available;
    // Rounded to the nearest per cent; long double keeps 64-bit counts exact
    // enough and cannot overflow.
    const long double percent = static_cast<long double>(used) * 100 / total;
    return static_cast<std::uint32_t>(percent + 0.5L);
}

std::optional<MemoryStatus> ParseMemInfo(const std::string& text) {
    const auto values = MemInfoValues(text);
    const auto find = [&](const char* key) -> std::optional<std::uint64_t> {
        const auto it = values.find(key);
        if (it == values.end())
            return std::nullopt;
        return it->second;
    };
    const auto totalKb = find("MemTotal");
    if (!totalKb || *totalKb == 0 || *totalKb > std::numeric_limits<std::uint64_t>::max() / 1024)
        return std::nullopt;
    std::uint64_t availableKb = 0;
    if (const auto available = find("MemAvailable")) {
        availableKb = *available;
    } else {
        availableKb =
            find("MemFree").value_or(0) + find("Buffers").value_or(0) + find("Cached").value_or(0);
    }
    MemoryStatus status;
    status.totalPhys = *totalKb * 1024;
    status.memoryLoad = MemoryLoadPercent(*totalKb, availableKb);
    return status;
}

} // namespace kevo::platform
