#include "routing/salvoplan.h"

#include "routing/routingimage.h"

namespace vantel {

namespace {

// Whether the output (from 1) shows the input (from 1) once the salvo is taken.
bool FedAfter(const Salvo& salvo, const CStateImage& image, int output, int input) {
    const auto route = salvo.routes.find(output);
    return route != salvo.routes.end() ? route->second == input : HeldInput(image, output) == input;
}

}  // namespace

std::vector<std::uint8_t> SwitchPayload(const SwitchFrame& frame, int inputCount) {
    std::vector<std::uint8_t> payload{static_cast<std::uint8_t>(frame.input - 1)};
    for (const int output : frame.outputs) {
        payload.push_back(static_cast<std::uint8_t>(inputCount + output - 1));
    }
    return payload;
}

std::vector<SwitchFrame> PlanSalvo(const Salvo& salvo, const CStateImage& image) {
    std::vector<SwitchFrame> plan;
    const int outputs = image.OutputCount();
    for (int input = 1; input <= image.InputCount(); ++input) {
        SwitchFrame frame{input, {}};
        bool changes = false;
        for (int output = 1; output <= outputs; ++output) {
            const bool before = HeldInput(image, output) == input;
            const bool after = FedAfter(salvo, image, output, input);
            changes = changes || before != after;
            if (after) {
                frame.outputs.push_back(output);
            }
        }
        if (changes) {
            plan.push_back(std::move(frame));
        }
    }
    return plan;
}

}  // namespace vantel
