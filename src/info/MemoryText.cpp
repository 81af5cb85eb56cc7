// SPDX-License-Identifier: Apache-2.0
#include "info/MemoryText.h"

namespace kevo::info {

std::string FormatMemoryLoad(std::uint32_t memoryLoad) {
    return std::to_string(memoryLoad) + "%";
}

std::string FormatKilobytes(std::uint64_t kilobytes, const std::string& thousandsSeparator) {
    const std::string digits = std::to_string(kilobytes);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += thousandsSeparator;
        text += digits[i];
    }
    return text + " KB";
}

std::string FormatTotalPhys(std::uint64_t totalPhysBytes, const std::string& thousandsSeparator) {
    return FormatKilobytes(totalPhysBytes >> 10, thousandsSeparator);
}

} // namespace kevo::info
