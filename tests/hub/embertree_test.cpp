// The Ember+ tree made from the hub's state: who is told what when the state changes, and the
// plan that unroutes an output.

#include <gtest/gtest.h>

#include "hub/ber.h"
#include "hub/embertree.h"
#include "hub/routeplan.h"

namespace vantel {
namespace {

HubSnapshot State(bool present, std::vector<int> sources, std::vector<std::string> inputLabels) {
    HubSnapshot s;
    s.present = present;
    s.image = CStateImage::FromRoutes(3, sources);
    s.inputLabels = std::move(inputLabels);
    return s;
}

// The qualified elements of one message: (application tag, path).
std::vector<std::pair<std::uint32_t, GlowPath>> Elements(const std::string& message) {
    std::vector<std::pair<std::uint32_t, GlowPath>> out;
    const auto nodes = BerDecode(message);
    EXPECT_TRUE(nodes && nodes->size() == 1);
    if (!nodes || nodes->empty()) {
        return out;
    }
    for (const auto& item : nodes->front().Inner()->children) {
        const BerNode* element = item.Inner();
        const BerNode* path = element->children.front().Inner();
        out.emplace_back(element->number, *BerToRelativeOid(*path));
    }
    return out;
}

constexpr std::uint32_t kQualifiedParameter = 9;
constexpr std::uint32_t kQualifiedMatrix = 17;

TEST(EmberTree, ConsumersAreToldOnlyWhatTheyAskedFor) {
    const HubSnapshot before = State(true, {0, 1, 2}, {"Cam 1"});
    const HubSnapshot routed = State(true, {2, 1, -1}, {"Cam 1"});
    const HubSnapshot renamed = State(true, {0, 1, 2}, {"Desk"});
    const std::set<GlowPath> device{ember::kDevice};
    const std::set<GlowPath> matrix{ember::kMatrix};
    const std::set<GlowPath> sourceLabels{ember::kSourceLabels};
    const std::set<GlowPath> oneLabel{{1, 6, 2, 0}};

    EXPECT_TRUE(ember::Changes(before, routed, {}).empty());
    EXPECT_TRUE(ember::Changes(before, routed, device).empty());  // the matrix's own children
    EXPECT_TRUE(ember::Changes(before, renamed, matrix).empty());

    std::set<GlowPath> told;
    const auto routing = ember::Changes(before, routed, matrix, &told);
    ASSERT_EQ(routing.size(), 1U);
    EXPECT_EQ(
        Elements(routing[0]),
        (std::vector<std::pair<std::uint32_t, GlowPath>>{{kQualifiedMatrix, ember::kMatrix}}));
    // Outputs 0 and 2 changed, output 1 did not.
    EXPECT_EQ(told, (std::set<GlowPath>{ember::TargetPath(0), ember::TargetPath(2)}));

    for (const auto& watched : {sourceLabels, oneLabel}) {
        const auto labels = ember::Changes(before, renamed, watched);
        ASSERT_EQ(labels.size(), 1U);
        EXPECT_EQ(
            Elements(labels[0]),
            (std::vector<std::pair<std::uint32_t, GlowPath>>{{kQualifiedParameter, {1, 6, 2, 0}}}));
    }
}

TEST(EmberTree, ADeviceBackIsToldOnlineFirstThenItsWholeRouting) {
    const HubSnapshot gone = State(false, {0, 1, 2}, {});
    const HubSnapshot back = State(true, {0, 1, 2}, {});
    const std::set<GlowPath> watched{ember::kDevice, ember::kMatrix};
    std::set<GlowPath> told;
    const auto messages = ember::Changes(gone, back, watched, &told);
    ASSERT_EQ(messages.size(), 2U);
    EXPECT_EQ(
        Elements(messages[0]),
        (std::vector<std::pair<std::uint32_t, GlowPath>>{{kQualifiedParameter, ember::kOnline}}));
    EXPECT_EQ(
        Elements(messages[1]),
        (std::vector<std::pair<std::uint32_t, GlowPath>>{{kQualifiedMatrix, ember::kMatrix}}));
    EXPECT_EQ(told.size(), 3U);  // every target, though none changed
    // Gone: online alone, nothing of the routing it no longer knows.
    EXPECT_EQ(ember::Changes(back, gone, watched).size(), 1U);
}

TEST(EmberTree, PathsOutsideTheTreeHaveNoDirectory) {
    const HubSnapshot s = State(true, {0, 1, 2}, {});
    for (const GlowPath& path : {GlowPath{2}, GlowPath{1, 7}, GlowPath{1, 6, 1, 3},
                                 GlowPath{1, 6, 3}, GlowPath{1, 1, 1}}) {
        EXPECT_FALSE(ember::Directory(s, path)) << path.size();
    }
    EXPECT_TRUE(ember::Directory(s, {1, 6, 1, 2}));
    EXPECT_EQ(ember::LabelOf(s, false, 2), "3");
}

TEST(EmberTree, AnOutputIsUnroutedByItsInputLeavingItOut) {
    const CStateImage live = CStateImage::FromRoutes(3, std::vector<int>{1, 1, -1});
    const auto plan = PlanRoutes(live, {{0, -1}, {2, -1}});
    ASSERT_EQ(plan.size(), 1U);
    EXPECT_EQ(plan[0].input, 1);
    EXPECT_EQ(plan[0].outputs, (std::vector<int>{1}));
}

}  // namespace
}  // namespace vantel
