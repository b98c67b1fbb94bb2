// Capturing a salvo from the live routing or a stored scene, of every output or a list.
#include <gtest/gtest.h>

#include "faultydevice.h"
#include "routing/capture.h"

namespace vantel {
namespace {

using test::FaultyDevice;

TEST(Capture, TakesTheLiveRoutingOrAStoredScene) {
    FaultyDevice d(4, 5);
    d.Route({2, 0, 4, 4, 1});
    ASSERT_EQ(d.device.Handle(9, std::vector<std::uint8_t>{3, 0}).status, 0);  // kept as scene 3
    d.Route({1, 1, 1, 1, 1});
    struct Case {
        const char* name;
        int scene;
        std::vector<int> outputs;
        std::map<int, int> routes;
    };
    const std::vector<Case> cases = {
        {"live, every output", 0, {}, {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}}},
        {"scene 3, every output", 3, {}, {{1, 2}, {2, 0}, {3, 4}, {4, 4}, {5, 1}}},
        {"scene 3, a list", 3, {5, 2, 5}, {{2, 0}, {5, 1}}},
        {"scene 11, never stored", 11, {1}, {{1, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CaptureResult result = CaptureSalvo(d.link, "cap", c.scene, c.outputs);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(result.salvo, (Salvo{"cap", c.routes}));
    }
}

TEST(Capture, RefusesWhatCannotBeCaptured) {
    FaultyDevice d(4, 5);
    struct Case {
        const char* name;
        std::string salvoName;
        int scene;
        std::vector<int> outputs;
    };
    const std::vector<Case> cases = {
        {"output 0", "n", 0, {0}}, {"output beyond the device", "n", 0, {2, 6}},
        {"scene 12", "n", 12, {}}, {"negative scene", "n", -1, {}},
        {"empty name", "", 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CaptureResult result = CaptureSalvo(d.link, c.salvoName, c.scene, c.outputs);
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.error.empty());
    }
    d.lib.Close();
    const CaptureResult closed = CaptureSalvo(d.link, "n", 0, {});
    EXPECT_FALSE(closed.ok);
    EXPECT_EQ(closed.failure, LinkFailure::kLinkDown);
}

}  // namespace
}  // namespace vantel
