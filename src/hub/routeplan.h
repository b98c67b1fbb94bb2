#pragma once
// How requests map onto the device's switch command, which makes the listed outputs exactly
// the ones an input feeds, and which outputs a request would change (what the locks guard).

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "link/stateimage.h"

namespace vantel {

// One switch command: the input port and the output indices it is to feed.
struct SwitchCommand {
    int input = 0;
    std::vector<int> outputs;
};

// The switch commands that route each (output, input) pair and leave every other output as it
// is in live: for each input named, every output that is to end up fed by it. A later pair for
// the same output wins. An input below 0 unroutes the output: the input feeding it now is
// sent without it.
std::vector<SwitchCommand> PlanRoutes(const CStateImage& live,
                                      const std::vector<std::pair<int, int>>& routes);

// The outputs whose source a switch payload (input port, output ports M + j...) would change.
// Ports outside the device are left out: the device refuses such a command whole.
std::vector<int> OutputsChangedBySwitch(const CStateImage& live,
                                        std::span<const std::uint8_t> payload);

// The image as a switch the device answered done leaves it: the listed outputs fed by the
// input, the outputs it fed before and are not listed fed by nothing. A payload naming no
// input of the device leaves the image as it is.
CStateImage AfterSwitch(const CStateImage& live, std::span<const std::uint8_t> payload);

// The outputs whose source differs between two images.
std::vector<int> OutputsThatDiffer(const CStateImage& live, const CStateImage& other);

// The payload of a switch command.
std::vector<std::uint8_t> SwitchPayload(const CStateImage& live, const SwitchCommand& command);

}  // namespace vantel
