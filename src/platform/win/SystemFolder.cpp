// SPDX-License-Identifier: Apache-2.0
#include "platform/win/SystemFolder.h"

#include <vector>

namespace kevo::platform::win {

namespace {

// A folder whose size keeps growing between two reads is given up on.
constexpr int kAttempts = 4;

} // namespace

std::wstring ReadSystemFolder(const std::function<std::uint32_t(wchar_t*, std::uint32_t)>& call,
                              std::uint32_t firstSize) {
    std::uint32_t size = firstSize;
    for (int attempt = 0; attempt < kAttempts && size > 0; ++attempt) {
        std::vector<wchar_t> buffer(size, L'\0');
        const std::uint32_t answer = call(buffer.data(), size);
        if (answer == 0)
            return {};
        if (answer < size)
            return std::wstring(buffer.data(), answer);
        size = answer;
    }
    return {};
}

} // namespace kevo::platform::win
