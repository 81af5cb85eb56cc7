// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace kevo::bench {

// The median of the measurements; 0 for none.
inline double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// Milliseconds for a table: the median and the spread, "12 (10-15)"; "-"
// for none.
inline std::string Figure(const std::vector<double>& ms) {
    if (ms.empty())
        return "-";
    const auto [low, high] = std::minmax_element(ms.begin(), ms.end());
    char text[64];
    std::snprintf(text, sizeof text, "%.0f (%.0f-%.0f)", Median(ms), *low, *high);
    return text;
}

} // namespace kevo::bench
