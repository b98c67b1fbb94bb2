// Verified apply against the device model behind a real link that drops, ignores, refuses or
// loses frames: the device ends holding the salvo, or the result names exactly the outputs
// that differ and what they hold; outputs the salvo does not cover are never touched.
#include <gtest/gtest.h>

#include <random>

#include "faultydevice.h"
#include "routing/salvoapply.h"
#include "routing/salvoplan.h"

namespace vantel {
namespace {

using test::Fault;
using test::FaultyDevice;

// Input (from 1) that a command 12 request on an 8-input device names.
int SwitchInput(const Frame& request) {
    return request.cmd == 12 && !request.payload.empty() ? request.payload[0] + 1 : 0;
}

// The outputs of the salvo the device does not hold, as the result must name them.
std::vector<OutputMismatch> DeviceMismatches(const FaultyDevice& d, const Salvo& salvo) {
    std::vector<OutputMismatch> differing;
    for (const auto& [output, input] : salvo.routes) {
        if (d.Held(output) != input) {
            differing.push_back({output, input, d.Held(output)});
        }
    }
    return differing;
}

void ExpectUncoveredUnchanged(const FaultyDevice& d, const Salvo& salvo,
                              const std::vector<int>& before) {
    for (int output = 1; output <= static_cast<int>(before.size()); ++output) {
        if (salvo.routes.count(output) == 0) {
            EXPECT_EQ(d.Held(output), before[output - 1]) << "output " << output;
        }
    }
}

struct FaultCase {
    const char* name;
    std::function<Fault(const Frame&, int&)> fault;  // int: a counter the case may use
    bool ok;
    LinkFailure failure;
};

TEST(SalvoApply, EndsHoldingTheSalvoOrNamesExactlyWhatDiffers) {
    const auto once = [](int input, Fault f) {
        return [input, f](const Frame& r, int& n) {
            return SwitchInput(r) == input && n++ == 0 ? f : Fault::kNone;
        };
    };
    const auto always = [](int input, Fault f) {
        return
            [input, f](const Frame& r, int&) { return SwitchInput(r) == input ? f : Fault::kNone; };
    };
    const std::vector<FaultCase> cases = {
        {"clean line", [](const Frame&, int&) { return Fault::kNone; }, true, LinkFailure::kNone},
        {"one frame dropped once", once(3, Fault::kDrop), true, LinkFailure::kNoReply},
        {"one frame ignored once", once(3, Fault::kIgnore), true, LinkFailure::kNone},
        {"one reply lost once", once(3, Fault::kLoseReply), true, LinkFailure::kNoReply},
        {"one frame refused once", once(3, Fault::kRefuse), true, LinkFailure::kRefused},
        {"input 3 always dropped", always(3, Fault::kDrop), false, LinkFailure::kNoReply},
        {"input 3 always ignored", always(3, Fault::kIgnore), false, LinkFailure::kNone},
        {"input 1 always refused", always(1, Fault::kRefuse), false, LinkFailure::kRefused},
        {"every switch dropped",
         [](const Frame& r, int&) { return r.cmd == 12 ? Fault::kDrop : Fault::kNone; }, false,
         LinkFailure::kNoReply},
    };
    // 3 takes output 1 from 1 and output 8 from 8; 1 loses output 2 to none; 5 keeps
    // output 5 while its input's other output 6 goes to 3. Outputs 3, 4, 7 are not covered.
    const Salvo salvo{"evening", {{1, 3}, {2, 0}, {5, 5}, {6, 3}, {8, 3}}};
    const std::vector<int> before = {1, 1, 3, 4, 5, 5, 7, 8};
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        FaultyDevice d;
        d.Route(before);
        int counter = 0;
        d.script = [&](const Frame& r) { return c.fault(r, counter); };
        const ApplyResult result = ApplySalvo(d.link, salvo);
        EXPECT_EQ(result.ok, c.ok);
        EXPECT_EQ(result.failure, c.failure);
        EXPECT_EQ(result.differing, DeviceMismatches(d, salvo));
        EXPECT_EQ(result.ok, result.differing.empty());
        EXPECT_LE(result.rounds, kApplyRounds);
        ExpectUncoveredUnchanged(d, salvo, before);
    }
}

TEST(SalvoApply, RandomDropsEndEqualOrNameTheDifference) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        FaultyDevice d(12, 12);
        std::mt19937 random(seed);
        const std::vector<int> before = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        Salvo salvo{"random", {}};
        for (int output = 1; output <= 12; ++output) {
            if (random() % 4 != 0) {
                salvo.routes[output] = static_cast<int>(random() % 13);
            }
        }
        d.script = [&random](const Frame& r) {
            const unsigned roll = random() % 10;
            if (r.cmd != 12 || roll >= 4) {
                return Fault::kNone;
            }
            return roll < 2 ? Fault::kDrop : (roll < 3 ? Fault::kIgnore : Fault::kLoseReply);
        };
        const ApplyResult result = ApplySalvo(d.link, salvo);
        EXPECT_EQ(result.differing, DeviceMismatches(d, salvo));
        EXPECT_EQ(result.ok, result.differing.empty());
        ExpectUncoveredUnchanged(d, salvo, before);
    }
}

TEST(SalvoApply, UnreadableDeviceIsNoSuccessAndEveryOutputIsUnknown) {
    FaultyDevice d;
    d.script = [](const Frame& r) { return r.cmd == 7 ? Fault::kDrop : Fault::kNone; };
    const Salvo salvo{"s", {{1, 2}, {2, 2}}};
    const ApplyResult result = ApplySalvo(d.link, salvo);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.failure, LinkFailure::kNoReply);
    const std::vector<OutputMismatch> unknown = {{1, 2, std::nullopt}, {2, 2, std::nullopt}};
    EXPECT_EQ(result.differing, unknown);
    EXPECT_EQ(d.switches, 0);
}

TEST(SalvoApply, ReadBackLostAfterSendingIsNoSuccess) {
    FaultyDevice d;
    int reads = 0;
    d.script = [&reads](const Frame& r) {
        return r.cmd == 7 && reads++ > 0 ? Fault::kDrop : Fault::kNone;
    };
    const ApplyResult result = ApplySalvo(d.link, Salvo{"s", {{1, 2}}});
    EXPECT_EQ(d.Held(1), 2) << "the device took it";
    EXPECT_FALSE(result.ok) << "but it was never read back";
    EXPECT_EQ(result.differing, (std::vector<OutputMismatch>{{1, 2, std::nullopt}}));
}

TEST(SalvoApply, SalvoBeyondTheDeviceSendsNothing) {
    FaultyDevice d(4, 4);
    const ApplyResult result = ApplySalvo(d.link, Salvo{"s", {{1, 2}, {6, 1}, {2, 7}}});
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.outOfReach);
    EXPECT_EQ(d.switches, 0);
    EXPECT_EQ(d.Live(), (std::vector<int>{1, 2, 3, 4}));
    const std::vector<OutputMismatch> differing = {{1, 2, 1}, {2, 7, 2}, {6, 1, std::nullopt}};
    EXPECT_EQ(result.differing, differing);
}

TEST(SalvoApply, ProgressCountsConfirmedFramesOfEveryRound) {
    FaultyDevice d;
    int dropped = 0;
    d.script = [&dropped](const Frame& r) {
        return r.cmd == 12 && dropped++ == 0 ? Fault::kDrop : Fault::kNone;
    };
    std::vector<std::pair<int, int>> calls;
    const Salvo salvo{"s", {{1, 2}, {2, 3}, {3, 1}}};
    const ApplyResult result = ApplySalvo(
        d.link, salvo, [&calls](int sent, int total) { calls.emplace_back(sent, total); });
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.framesSent, 3);
    EXPECT_EQ(result.rounds, 2);
    const std::vector<std::pair<int, int>> expected = {{0, 3}, {1, 3}, {2, 3}, {3, 4}};
    EXPECT_EQ(calls, expected);
}

}  // namespace
}  // namespace vantel
