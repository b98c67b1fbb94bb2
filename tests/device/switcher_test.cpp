#include "device/switcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/frame.h"

namespace vantel {
namespace {

using Bytes = std::vector<std::uint8_t>;

CSwitcher::Reply Send(CSwitcher& device, std::uint8_t cmd, const Bytes& payload) {
    return device.Handle(cmd, payload);
}

// Everything the device keeps, to see that a refused command changes nothing.
struct Snapshot {
    CSwitcher::SetupBlock setup;
    std::vector<CSwitcher::Routing> routings;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const CSwitcher& device) {
    Snapshot s{device.Setup(), {}};
    for (int scene = 0; scene <= CSwitcher::kSceneCount; ++scene) {
        s.routings.push_back(device.SceneRouting(scene));
    }
    return s;
}

Bytes ValidSetup(const CSwitcher& device, std::uint8_t inputs, std::uint8_t outputs) {
    Bytes block(device.Setup().begin(), device.Setup().end());
    block[CSwitcher::kInputCountOffset] = inputs;
    block[CSwitcher::kOutputCountOffset] = outputs;
    return block;
}

// A device whose live routing is the given one (built with command 12 per input).
CSwitcher WithRouting(int inputs, const CSwitcher::Routing& live) {
    CSwitcher device(inputs, static_cast<int>(live.size()));
    for (int k = 0; k < inputs; ++k) {
        Bytes payload{static_cast<std::uint8_t>(k)};
        for (std::size_t j = 0; j < live.size(); ++j) {
            if (live[j] == k + 1) {
                payload.push_back(static_cast<std::uint8_t>(inputs + static_cast<int>(j)));
            }
        }
        EXPECT_EQ(Send(device, 12, payload).status, kStatusOk);
    }
    EXPECT_EQ(device.SceneRouting(0), live);
    return device;
}

TEST(Switcher, DefaultSetupBlock) {
    CSwitcher device(12, 20);
    const auto reply = Send(device, 5, {});
    ASSERT_EQ(reply.status, kStatusOk);
    ASSERT_EQ(reply.payload.size(), 40u);
    const Bytes& b = reply.payload;
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 4), (Bytes{0xAA, 0x55, 0x90, 0xEB}));
    EXPECT_EQ(Bytes(b.begin() + 26, b.begin() + 30), (Bytes{192, 168, 1, 80}));
    EXPECT_EQ(Bytes(b.begin() + 16, b.begin() + 20), (Bytes{255, 255, 255, 0}));
    EXPECT_EQ(Bytes(b.begin() + 12, b.begin() + 16), (Bytes{192, 168, 1, 1}));
    EXPECT_EQ(b[35], 12);
    EXPECT_EQ(b[36], 20);
    EXPECT_EQ(b[37], 1);
    for (int i : {4, 5, 6, 7, 8, 9, 10, 11, 20, 21, 22, 23, 24, 25, 30, 31, 32, 33, 34, 38, 39}) {
        EXPECT_NE(b[i], 0) << "byte " << i;
    }
    EXPECT_FALSE(reply.changed);
}

TEST(Switcher, StateImageLayout) {
    CSwitcher device = WithRouting(3, {2, 0, 2, 3, 1});
    const auto reply = Send(device, 7, {0});
    ASSERT_EQ(reply.status, kStatusOk);
    ASSERT_EQ(reply.payload.size(), 508u);
    const Bytes head(reply.payload.begin(), reply.payload.begin() + 15);
    EXPECT_EQ(head, (Bytes{0xAA, 0x55, 0x90, 0xEB, 8, 3, 5, 1, 2, 3, 2, 0, 2, 3, 1}));
    for (std::size_t i = 15; i < 508; ++i) {
        ASSERT_EQ(reply.payload[i], 0) << "byte " << i;
    }
}

TEST(Switcher, LargestDeviceFillsPortTable) {
    CSwitcher device(72, 72);
    const auto image = device.StateImage(0);
    EXPECT_EQ(image[4], 144);
    EXPECT_EQ(image[7 + 71], 72);       // last input slot
    EXPECT_EQ(image[7 + 72 + 71], 72);  // last output, fed 1:1 from the start
    EXPECT_EQ(image[7 + 144], 0);
}

TEST(Switcher, RefusedCommandsChangeNothing) {
    struct Case {
        const char* name;
        std::uint8_t cmd;
        Bytes payload;
        std::uint8_t status;
    };
    CSwitcher probe(8, 8);
    Bytes noMark = ValidSetup(probe, 8, 8);
    noMark[0] = 0xEB;
    noMark[3] = 0xAA;
    const std::vector<Case> cases = {
        {"unknown 0", 0, {}, kStatusUnknownCommand},
        {"unknown 10", 10, {1, 2}, kStatusUnknownCommand},
        {"unknown 255", 255, {}, kStatusUnknownCommand},
        {"read setup with payload", 5, {0}, kStatusBadLength},
        {"write setup short", 6, Bytes(39, 0xAA), kStatusBadLength},
        {"write setup long", 6, Bytes(41, 0xAA), kStatusBadLength},
        {"write setup reversed mark", 6, noMark, kStatusNoMark},
        {"write setup 0 inputs", 6, ValidSetup(probe, 0, 8), kStatusOutOfRange},
        {"write setup 0 outputs", 6, ValidSetup(probe, 8, 0), kStatusOutOfRange},
        {"write setup 73 inputs", 6, ValidSetup(probe, 73, 8), kStatusOutOfRange},
        {"write setup 73 outputs", 6, ValidSetup(probe, 8, 73), kStatusOutOfRange},
        {"image no payload", 7, {}, kStatusBadLength},
        {"image two bytes", 7, {0, 0}, kStatusBadLength},
        {"image scene 12", 7, {12}, kStatusOutOfRange},
        {"recall one byte", 8, {1}, kStatusBadLength},
        {"recall three bytes", 8, {0, 1, 0}, kStatusBadLength},
        {"recall scene 12", 8, {0, 12}, kStatusOutOfRange},
        {"recall first byte set", 8, {1, 1}, kStatusOutOfRange},
        {"store one byte", 9, {1}, kStatusBadLength},
        {"store scene 0", 9, {0, 0}, kStatusOutOfRange},
        {"store scene 12", 9, {12, 0}, kStatusOutOfRange},
        {"store second byte set", 9, {1, 1}, kStatusOutOfRange},
        {"switch empty", 12, {}, kStatusBadLength},
        {"switch input 8 of 8", 12, {8}, kStatusOutOfRange},
        {"switch input port as output", 12, {0, 9, 3}, kStatusOutOfRange},
        {"switch output 16 of 8x8", 12, {0, 8, 16}, kStatusOutOfRange},
        {"switch output 255", 12, {1, 255}, kStatusOutOfRange},
    };
    for (const auto& c : cases) {
        CSwitcher device = WithRouting(8, {1, 1, 0, 3, 8, 0, 2, 2});
        ASSERT_EQ(Send(device, 9, {4, 0}).status, kStatusOk);
        const Snapshot before = Take(device);
        const auto reply = Send(device, c.cmd, c.payload);
        EXPECT_EQ(reply.status, c.status) << c.name;
        EXPECT_TRUE(reply.payload.empty()) << c.name;
        EXPECT_FALSE(reply.changed) << c.name;
        EXPECT_EQ(Take(device), before) << c.name;
    }
}

TEST(Switcher, SwitchMakesListedOutputsExactlyThoseOfTheInput) {
    struct Case {
        const char* name;
        CSwitcher::Routing before;
        Bytes payload;  // input port, then output ports (M = 4)
        CSwitcher::Routing after;
    };
    const std::vector<Case> cases = {
        {"route to two outputs", {0, 0, 0, 0, 0}, {2, 4, 8}, {3, 0, 0, 0, 3}},
        {"input alone unroutes it everywhere", {3, 1, 3, 0, 3}, {2}, {0, 1, 0, 0, 0}},
        {"unlisted outputs of the input are unrouted", {3, 3, 3, 0, 0}, {2, 5}, {0, 3, 0, 0, 0}},
        {"listed outputs are taken from other inputs",
         {1, 2, 4, 4, 0},
         {0, 5, 6, 7},
         {0, 1, 1, 1, 0}},
        {"other inputs keep their unlisted outputs", {2, 2, 4, 0, 1}, {3, 4}, {4, 2, 0, 0, 1}},
        {"duplicate ports are harmless", {0, 0, 0, 0, 0}, {1, 6, 6, 6}, {0, 0, 2, 0, 0}},
        {"last input to last output", {0, 0, 0, 0, 0}, {3, 8}, {0, 0, 0, 0, 4}},
    };
    for (const auto& c : cases) {
        CSwitcher device = WithRouting(4, c.before);
        const auto reply = Send(device, 12, c.payload);
        EXPECT_EQ(reply.status, kStatusOk) << c.name;
        EXPECT_TRUE(reply.payload.empty()) << c.name;
        EXPECT_EQ(device.SceneRouting(0), c.after) << c.name;
        EXPECT_EQ(reply.changed, c.before != c.after) << c.name;
    }
}

TEST(Switcher, SwitchLeavesStoredScenesAlone) {
    CSwitcher device = WithRouting(2, {1, 2});
    ASSERT_EQ(Send(device, 9, {1, 0}).status, kStatusOk);
    ASSERT_EQ(Send(device, 12, {1, 2, 3}).status, kStatusOk);
    EXPECT_EQ(device.SceneRouting(0), (CSwitcher::Routing{2, 2}));
    EXPECT_EQ(device.SceneRouting(1), (CSwitcher::Routing{1, 2}));
}

TEST(Switcher, WriteSetupKeepsEveryByteAndResizes) {
    struct Case {
        const char* name;
        std::uint8_t inputs;
        std::uint8_t outputs;
        CSwitcher::Routing live;   // after the write
        CSwitcher::Routing scene;  // scene 2 after the write
    };
    // Before: 4 x 5, live {1, 4, 0, 3, 2}, scene 2 {4, 4, 2, 1, 3}.
    const std::vector<Case> cases = {
        {"same counts", 4, 5, {1, 4, 0, 3, 2}, {4, 4, 2, 1, 3}},
        {"fewer inputs drop their routes", 2, 5, {1, 0, 0, 0, 2}, {0, 0, 2, 1, 0}},
        {"fewer outputs are cut", 4, 3, {1, 4, 0}, {4, 4, 2}},
        {"more outputs come unrouted", 6, 7, {1, 4, 0, 3, 2, 0, 0}, {4, 4, 2, 1, 3, 0, 0}},
        {"one by one", 1, 1, {1}, {0}},
        {"largest", 72, 72, {}, {}},
    };
    for (const auto& c : cases) {
        CSwitcher device = WithRouting(4, {4, 4, 2, 1, 3});
        ASSERT_EQ(Send(device, 9, {2, 0}).status, kStatusOk);
        ASSERT_EQ(Send(device, 12, {0, 4}).status, kStatusOk);
        ASSERT_EQ(Send(device, 12, {1, 8}).status, kStatusOk);
        ASSERT_EQ(Send(device, 12, {2}).status, kStatusOk);
        ASSERT_EQ(Send(device, 12, {3, 5, 7}).status, kStatusOk);
        ASSERT_EQ(device.SceneRouting(0), (CSwitcher::Routing{1, 4, 0, 4, 2}));
        ASSERT_EQ(Send(device, 12, {2, 7}).status, kStatusOk);  // live {1, 4, 0, 3, 2}

        Bytes block = ValidSetup(device, c.inputs, c.outputs);
        for (std::size_t i = 4; i < block.size(); ++i) {
            if (i != CSwitcher::kInputCountOffset && i != CSwitcher::kOutputCountOffset) {
                block[i] = static_cast<std::uint8_t>(0xC0 + i);
            }
        }
        EXPECT_EQ(Send(device, 6, block).status, kStatusOk) << c.name;
        EXPECT_EQ(Send(device, 5, {}).payload, block) << c.name;
        EXPECT_EQ(device.Inputs(), c.inputs) << c.name;
        EXPECT_EQ(device.Outputs(), c.outputs) << c.name;
        if (!c.live.empty()) {
            EXPECT_EQ(device.SceneRouting(0), c.live) << c.name;
            EXPECT_EQ(device.SceneRouting(2), c.scene) << c.name;
        }
        const auto image = Send(device, 7, {2}).payload;
        EXPECT_EQ(image[4], c.inputs + c.outputs) << c.name;
        for (int scene = 0; scene <= CSwitcher::kSceneCount; ++scene) {
            EXPECT_EQ(device.SceneRouting(scene).size(), c.outputs) << c.name;
        }
    }
}

TEST(Switcher, WriteSetupReportsChangeOnlyWhenSomethingDiffers) {
    CSwitcher device(8, 8);
    const Bytes same(device.Setup().begin(), device.Setup().end());
    EXPECT_FALSE(Send(device, 6, same).changed);
    Bytes buzzerOff = same;
    buzzerOff[CSwitcher::kBuzzerOffset] = 0;
    EXPECT_TRUE(Send(device, 6, buzzerOff).changed);
    EXPECT_EQ(device.Setup()[CSwitcher::kBuzzerOffset], 0);
}

TEST(Switcher, ScenesStoreAndRecall) {
    CSwitcher device = WithRouting(3, {1, 2, 3, 0});
    const auto blank = device.StateImage(5);
    EXPECT_EQ(Bytes(blank.begin() + 10, blank.begin() + 14), (Bytes{0, 0, 0, 0}));

    auto stored = Send(device, 9, {5, 0});
    EXPECT_EQ(stored.status, kStatusOk);
    EXPECT_TRUE(stored.changed);
    EXPECT_EQ(Send(device, 7, {5}).payload, Send(device, 7, {0}).payload);

    ASSERT_EQ(Send(device, 12, {0, 3, 4, 5, 6}).status, kStatusOk);
    EXPECT_EQ(device.SceneRouting(0), (CSwitcher::Routing{1, 1, 1, 1}));
    EXPECT_EQ(device.SceneRouting(5), (CSwitcher::Routing{1, 2, 3, 0}));

    // Recalling the live routing itself changes nothing.
    const auto live = Send(device, 8, {0, 0});
    EXPECT_EQ(live.status, kStatusOk);
    EXPECT_FALSE(live.changed);
    EXPECT_EQ(device.SceneRouting(0), (CSwitcher::Routing{1, 1, 1, 1}));

    const auto recalled = Send(device, 8, {0, 5});
    EXPECT_EQ(recalled.status, kStatusOk);
    EXPECT_TRUE(recalled.changed);
    EXPECT_EQ(device.SceneRouting(0), (CSwitcher::Routing{1, 2, 3, 0}));

    // An empty scene recalled unroutes everything; scene 11 is the last one.
    EXPECT_EQ(Send(device, 8, {0, 11}).status, kStatusOk);
    EXPECT_EQ(device.SceneRouting(0), (CSwitcher::Routing{0, 0, 0, 0}));
    EXPECT_EQ(Send(device, 9, {11, 0}).status, kStatusOk);
    EXPECT_FALSE(Send(device, 9, {11, 0}).changed);
}

TEST(Switcher, FromPartsRejectsInconsistentParts) {
    const CSwitcher good(3, 2);
    std::vector<CSwitcher::Routing> routings(12, CSwitcher::Routing{0, 3});
    std::string error;
    ASSERT_TRUE(CSwitcher::FromParts(good.Setup(), routings, &error)) << error;

    struct Case {
        const char* name;
        std::size_t setupByte;  // 40 = leave the block alone
        std::uint8_t value;
        CSwitcher::Routing scene7;
        std::size_t routingCount;
    };
    const std::vector<Case> cases = {
        {"no mark", 0, 0x00, {0, 3}, 12},      {"zero inputs", 35, 0, {0, 0}, 12},
        {"73 outputs", 36, 73, {0, 3}, 12},    {"scene names input 4 of 3", 40, 0, {4, 0}, 12},
        {"scene too short", 40, 0, {1}, 12},   {"scene too long", 40, 0, {1, 2, 3}, 12},
        {"scenes missing", 40, 0, {0, 3}, 11},
    };
    for (const auto& c : cases) {
        auto setup = good.Setup();
        if (c.setupByte < setup.size()) {
            setup[c.setupByte] = c.value;
        }
        auto parts = routings;
        parts[7] = c.scene7;
        parts.resize(c.routingCount);
        error.clear();
        EXPECT_FALSE(CSwitcher::FromParts(setup, parts, &error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
}

}  // namespace
}  // namespace vantel
