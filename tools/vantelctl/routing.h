#pragma once
// Routing: what a state image says about the routing, in the numbers the operator sees: the
// counts, and for each output (from 1) the input (from 1) that feeds it, 0 for none.

#include <vector>

#include "link/stateimage.h"

namespace vantel {

struct Routing {
    int inputs = 0;
    int outputs = 0;
    std::vector<int> sources;  // sources[j]: input feeding output j + 1, 0 for none

    static Routing Of(const CStateImage& image);
    // The input feeding output (from 1), 0 for none or an output beyond the count.
    int SourceOf(int output) const;
    bool operator==(const Routing&) const = default;
};

}  // namespace vantel
