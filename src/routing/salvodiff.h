#pragma once
// What taking a salvo would change: per covered output, the input it shows now and after, and
// the inputs whose sets of outputs change (one switch command each).

#include <vector>

#include "link/stateimage.h"
#include "routing/salvo.h"

namespace vantel {

struct OutputChange {
    int output = 0;  // from 1
    int now = 0;     // input from 1, 0 = none
    int after = 0;

    bool Changes() const { return now != after; }
    bool operator==(const OutputChange&) const = default;
};

struct SalvoDiff {
    std::vector<OutputChange> outputs;  // every covered output, ascending
    std::vector<int> inputsChanging;    // inputs (from 1), ascending

    int ChangingOutputs() const;
};

SalvoDiff DiffSalvo(const Salvo& salvo, const CStateImage& image);

// Covered outputs whose route the device cannot take: the output or the input lies beyond the
// image's counts. Empty when the salvo fits the device.
std::vector<int> OutOfReach(const Salvo& salvo, const CStateImage& image);

}  // namespace vantel
