// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>

namespace kevo::info {

// The memory load as a whole percentage: "7%".
std::string FormatMemoryLoad(std::uint32_t memoryLoad);

// A number of kilobytes with its digits grouped in thousands by the user's
// thousands separator (any text, also several bytes such as a UTF-8
// narrow no-break space, or none at all), no decimals, then " KB":
// "2,097,152 KB", "2.097.152 KB".
std::string FormatKilobytes(std::uint64_t kilobytes, const std::string& thousandsSeparator);

// The total physical memory label: the byte count divided by 1024, the
// remainder dropped, formatted as above.
std::string FormatTotalPhys(std::uint64_t totalPhysBytes, const std::string& thousandsSeparator);

} // namespace kevo::info
