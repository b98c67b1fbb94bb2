#include "routing/salvodiff.h"

#include <algorithm>

#include "routing/routingimage.h"
#include "routing/salvoplan.h"

namespace vantel {

int SalvoDiff::ChangingOutputs() const {
    return static_cast<int>(std::count_if(outputs.begin(), outputs.end(),
                                          [](const OutputChange& c) { return c.Changes(); }));
}

SalvoDiff DiffSalvo(const Salvo& salvo, const CStateImage& image) {
    SalvoDiff diff;
    for (const auto& [output, input] : salvo.routes) {
        diff.outputs.push_back({output, HeldInput(image, output), input});
    }
    for (const SwitchFrame& frame : PlanSalvo(salvo, image)) {
        diff.inputsChanging.push_back(frame.input);
    }
    return diff;
}

std::vector<int> OutOfReach(const Salvo& salvo, const CStateImage& image) {
    std::vector<int> outputs;
    for (const auto& [output, input] : salvo.routes) {
        if (output > image.OutputCount() || input > image.InputCount()) {
            outputs.push_back(output);
        }
    }
    return outputs;
}

}  // namespace vantel
