#pragma once
// The median of a benchmark's repetitions: one slow round does not move it.

#include <algorithm>
#include <vector>

inline double Median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + static_cast<long>(values.size() / 2),
                     values.end());
    return values[values.size() / 2];
}
