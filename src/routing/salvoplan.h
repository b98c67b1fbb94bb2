#pragma once
// The fewest switch commands (code 12) that bring a routing to a salvo. A switch command makes
// its list exactly the outputs of its input, so one command per input whose set of outputs
// must change is enough, and none fewer can do: an input whose set changes needs a command of
// its own. Its new set is its current outputs minus those the salvo covers, plus those the
// salvo gives it; an output the salvo sets to none leaves its current input's set.
//
// The commands may be sent in any order. An output the salvo covers is listed only by the
// command of the input it should show; an output it does not cover is listed only by the
// command of its own input, if any. No command can undo another's listed outputs, because a
// command unroutes only outputs still fed by its own input.

#include <cstdint>
#include <vector>

#include "link/stateimage.h"
#include "routing/salvo.h"

namespace vantel {

struct SwitchFrame {
    int input = 0;             // from 1
    std::vector<int> outputs;  // from 1, ascending: the input's whole new set

    bool operator==(const SwitchFrame&) const = default;
};

// The payload of command 12 for a device with inputCount inputs: input port, output ports.
std::vector<std::uint8_t> SwitchPayload(const SwitchFrame& frame, int inputCount);

// One frame per input (ascending) whose set of outputs differs between the image and the image
// with the salvo taken. Routes to outputs or inputs the image does not have are left out
// (OutOfReach in salvodiff.h names them).
std::vector<SwitchFrame> PlanSalvo(const Salvo& salvo, const CStateImage& image);

}  // namespace vantel
