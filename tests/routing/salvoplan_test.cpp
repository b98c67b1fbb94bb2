// Planning a salvo: the fewest switch commands, in any order, reach the salvo on the device
// model and leave every output the salvo does not cover as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "device/switcher.h"
#include "routing/salvodiff.h"
#include "routing/salvoplan.h"

namespace vantel {
namespace {

using Routes = std::vector<int>;  // output (index) to input from 1, 0 = none

CStateImage ImageOf(int inputs, const Routes& live) {
    std::vector<int> sources;
    for (const int input : live) {
        sources.push_back(input - 1);
    }
    return CStateImage::FromRoutes(static_cast<std::uint8_t>(inputs), sources);
}

// A device model holding the live routing.
CSwitcher DeviceWith(int inputs, const Routes& live) {
    std::vector<CSwitcher::Routing> routings(1 + CSwitcher::kSceneCount,
                                             CSwitcher::Routing(live.size(), 0));
    routings[0].assign(live.begin(), live.end());
    const int outputs = static_cast<int>(live.size());
    return *CSwitcher::FromParts(CSwitcher::DefaultSetup(inputs, outputs), routings);
}

Routes Expected(const Routes& live, const Salvo& salvo) {
    Routes after = live;
    for (const auto& [output, input] : salvo.routes) {
        after[output - 1] = input;
    }
    return after;
}

// Inputs whose set of outputs differs between two routings, counted independently of the plan.
int InputsWhoseSetChanges(int inputs, const Routes& before, const Routes& after) {
    int count = 0;
    for (int input = 1; input <= inputs; ++input) {
        bool differs = false;
        for (std::size_t o = 0; o < before.size(); ++o) {
            differs = differs || ((before[o] == input) != (after[o] == input));
        }
        count += differs ? 1 : 0;
    }
    return count;
}

Routes Apply(CSwitcher device, int inputs, const std::vector<SwitchFrame>& frames) {
    for (const SwitchFrame& frame : frames) {
        EXPECT_EQ(device.Handle(12, SwitchPayload(frame, inputs)).status, 0);
    }
    const auto& live = device.SceneRouting(0);
    return Routes(live.begin(), live.end());
}

struct Case {
    const char* name;
    int inputs;
    Routes live;
    std::map<int, int> routes;
    int frames;
};

TEST(SalvoPlan, ReachesTheSalvoWithOneFramePerChangingInput) {
    const std::vector<Case> cases = {
        {"already held", 4, {1, 2, 3, 4}, {{1, 1}, {4, 4}}, 0},
        {"swap two outputs", 4, {1, 2, 3, 4}, {{1, 2}, {2, 1}}, 2},
        {"one output to none", 4, {1, 1, 3, 4}, {{2, 0}}, 1},
        {"none to an input that keeps its other outputs", 4, {1, 0, 3, 4}, {{2, 3}}, 1},
        {"partial: output moves, its old input keeps the rest", 3, {2, 2, 2, 1}, {{1, 3}}, 2},
        {"all outputs to one input", 3, {1, 2, 3}, {{1, 3}, {2, 3}, {3, 3}}, 3},
        {"every output to none", 3, {1, 2, 3}, {{1, 0}, {2, 0}, {3, 0}}, 3},
        {"uncovered output of a changing input stays", 2, {1, 1, 1, 2}, {{4, 1}}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Salvo salvo{"s", c.routes};
        const auto plan = PlanSalvo(salvo, ImageOf(c.inputs, c.live));
        EXPECT_EQ(static_cast<int>(plan.size()), c.frames);
        EXPECT_EQ(Apply(DeviceWith(c.inputs, c.live), c.inputs, plan), Expected(c.live, salvo));
    }
}

TEST(SalvoPlan, AnyOrderGivesTheSameResultOverRandomCases) {
    std::mt19937 random(20260314);
    for (int round = 0; round < 400; ++round) {
        const bool big = round % 10 == 0;
        const int inputs = big ? 72 : std::uniform_int_distribution<int>(1, 9)(random);
        const int outputs = big ? 72 : std::uniform_int_distribution<int>(1, 9)(random);
        std::uniform_int_distribution<int> anyInput(0, inputs);
        Routes live(static_cast<std::size_t>(outputs));
        std::generate(live.begin(), live.end(), [&] { return anyInput(random); });
        Salvo salvo{"random", {}};
        for (int output = 1; output <= outputs; ++output) {
            if (random() % 3 != 0) {
                salvo.routes[output] = anyInput(random);
            }
        }
        SCOPED_TRACE("round " + std::to_string(round));
        auto plan = PlanSalvo(salvo, ImageOf(inputs, live));
        const Routes expected = Expected(live, salvo);
        EXPECT_EQ(static_cast<int>(plan.size()), InputsWhoseSetChanges(inputs, live, expected));
        const CSwitcher device = DeviceWith(inputs, live);
        for (int order = 0; order < 4; ++order) {
            std::shuffle(plan.begin(), plan.end(), random);
            ASSERT_EQ(Apply(device, inputs, plan), expected);
        }
    }
}

TEST(SalvoDiff, ListsCoveredOutputsAndTheInputsWhoseSetsChange) {
    const Salvo salvo{"s", {{1, 2}, {3, 3}, {4, 0}}};
    const SalvoDiff diff = DiffSalvo(salvo, ImageOf(4, {1, 2, 3, 4}));
    const std::vector<OutputChange> outputs = {{1, 1, 2}, {3, 3, 3}, {4, 4, 0}};
    EXPECT_EQ(diff.outputs, outputs);
    EXPECT_EQ(diff.inputsChanging, (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(diff.ChangingOutputs(), 2);
}

TEST(SalvoDiff, NamesRoutesBeyondTheDevice) {
    const CStateImage image = ImageOf(4, {1, 2, 3});
    EXPECT_EQ(OutOfReach(Salvo{"s", {{1, 4}, {2, 5}, {4, 1}}}, image), (std::vector<int>{2, 4}));
    EXPECT_TRUE(OutOfReach(Salvo{"s", {{3, 0}, {1, 4}}}, image).empty());
}

}  // namespace
}  // namespace vantel
