// The link against the device model in process: every command, every refusal, and what the
// link writes into the caller's buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

#include "device/deviceport.h"
#include "device/switcher.h"
#include "link/mark.h"
#include "link/memorytransport.h"
#include "link/vexalib.h"

namespace vantel {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kTimeout = 500;
constexpr std::uint8_t kGuard = 0xCC;

class LinkToDevice : public ::testing::Test {
protected:
    LinkToDevice() {
        link.SetTransportFactory([this](const std::string&) {
            return std::make_unique<MemoryTransport>(
                [this](const std::uint8_t* data, std::size_t size, Bytes& reply) {
                    port.Feed(data, size, reply);
                });
        });
        link.Open("COM1");
    }

    // Sends cmd with payload in a buffer of the given capacity followed by a guard region;
    // returns the result and fills reply with what the link wrote behind the payload.
    unsigned Send(std::uint8_t cmd, const Bytes& payload, std::size_t capacity = 4096) {
        buffer.assign(capacity + 64, kGuard);
        std::copy(payload.begin(), payload.end(), buffer.begin());
        const unsigned result = link.Command(cmd, buffer.data(), capacity,
                                             static_cast<unsigned char>(payload.size()), kTimeout);
        EXPECT_TRUE(std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(capacity),
                                buffer.end(), [](std::uint8_t b) { return b == kGuard; }))
            << "written beyond the capacity";
        return result;
    }

    Bytes Reply(std::size_t offset, std::size_t size) const {
        return Bytes(buffer.begin() + static_cast<std::ptrdiff_t>(offset),
                     buffer.begin() + static_cast<std::ptrdiff_t>(offset + size));
    }

    CSwitcher device{8, 8};
    CDevicePort port{device};
    CVexaLib link;
    Bytes buffer;
};

TEST_F(LinkToDevice, ReadsSetupAndImagesBehindThePayload) {
    ASSERT_EQ(link.IsOpen(), 1);
    ASSERT_EQ(Send(5, {}), kVexaOk);
    const auto setup = device.Setup();
    EXPECT_EQ(Reply(0, 40), Bytes(setup.begin(), setup.end()));

    ASSERT_EQ(Send(7, {0}), kVexaOk);
    const auto live = device.StateImage(0);
    EXPECT_EQ(Reply(1, 508), Bytes(live.begin(), live.end()));
    EXPECT_TRUE(HasMark(Reply(1, 4)));
    EXPECT_EQ(buffer[0], 0) << "the payload byte stays in place";
    EXPECT_EQ(buffer[509], kGuard) << "nothing behind the reply";
}

TEST_F(LinkToDevice, EveryCommandChangesTheDeviceAsDocumented) {
    // Switch: input 2 feeds exactly outputs 0 and 5 (ports 8 and 13).
    ASSERT_EQ(Send(12, {2, 8, 13}), kVexaOk);
    EXPECT_EQ(device.SceneRouting(0), (Bytes{3, 2, 0, 4, 5, 3, 7, 8}));
    // Store as scene 4, change the live routing, recall scene 4.
    ASSERT_EQ(Send(9, {4, 0}), kVexaOk);
    ASSERT_EQ(Send(12, {2}), kVexaOk);
    EXPECT_EQ(device.SceneRouting(0), (Bytes{0, 2, 0, 4, 5, 0, 7, 8}));
    ASSERT_EQ(Send(8, {0, 4}), kVexaOk);
    EXPECT_EQ(device.SceneRouting(0), (Bytes{3, 2, 0, 4, 5, 3, 7, 8}));
    ASSERT_EQ(Send(7, {4}), kVexaOk);
    const auto scene = device.StateImage(4);
    EXPECT_EQ(Reply(1, 508), Bytes(scene.begin(), scene.end()));
    // Write setup with new counts; the image follows them.
    auto setup = device.Setup();
    setup[35] = 4;
    setup[36] = 6;
    ASSERT_EQ(Send(6, Bytes(setup.begin(), setup.end())), kVexaOk);
    ASSERT_EQ(Send(7, {0}), kVexaOk);
    EXPECT_EQ(Reply(1, 7), (Bytes{0xAA, 0x55, 0x90, 0xEB, 10, 4, 6}));
}

TEST_F(LinkToDevice, RefusedCommandsChangeNothing) {
    auto setup = device.Setup();
    auto noMark = setup;
    noMark[0] = 0xEB;
    struct Case {
        const char* name;
        std::uint8_t cmd;
        Bytes payload;
    };
    const std::vector<Case> cases = {
        {"unknown command", 99, {1, 2}},
        {"read setup with payload", 5, {1}},
        {"image of scene 12", 7, {12}},
        {"image without scene", 7, {}},
        {"recall scene 12", 8, {0, 12}},
        {"store scene 0", 9, {0, 0}},
        {"store scene 12", 9, {12, 0}},
        {"store with one byte", 9, {3}},
        {"switch input 8 of 8", 12, {8, 9}},
        {"switch to an input port", 12, {1, 3}},
        {"switch beyond the outputs", 12, {1, 16}},
        {"empty switch", 12, {}},
        {"short setup block", 6, Bytes(setup.begin(), setup.begin() + 39)},
        {"setup block without mark", 6, Bytes(noMark.begin(), noMark.end())},
    };
    const auto routingBefore = device.SceneRouting(0);
    for (const Case& c : cases) {
        const int recv = link.GetRecvCount();
        EXPECT_EQ(Send(c.cmd, c.payload), kVexaRefused) << c.name;
        EXPECT_EQ(link.GetRecvCount(), recv + 1) << c.name << ": a refusal is a reply";
        EXPECT_EQ(buffer[c.payload.size()], kGuard) << c.name << ": nothing written";
        EXPECT_EQ(device.Setup(), setup) << c.name;
        EXPECT_EQ(device.SceneRouting(0), routingBefore) << c.name;
    }
    EXPECT_EQ(link.GetDroppedCount(), 0);
}

TEST_F(LinkToDevice, NeverWritesBeyondTheCapacity) {
    // The 508-byte image does not fit behind one payload byte in 100 bytes: nothing written.
    EXPECT_EQ(Send(7, {0}, 100), kVexaReplyTooLarge);
    EXPECT_TRUE(std::all_of(buffer.begin() + 1, buffer.end(), [](auto b) { return b == kGuard; }));
    // Exactly enough room.
    EXPECT_EQ(Send(7, {0}, 509), kVexaOk);
    EXPECT_EQ(Send(5, {}, 40), kVexaOk);
    // A payload longer than the capacity, or no buffer at all.
    std::uint8_t payload[3] = {1, 9, 10};
    EXPECT_EQ(link.Command(12, payload, 2, 3, kTimeout), kVexaBadArgument);
    EXPECT_EQ(link.GetSendCount(), 3) << "nothing sent for a bad argument";
    EXPECT_EQ(link.Command(7, nullptr, 4096, 1, kTimeout), kVexaBadArgument);
    EXPECT_EQ(link.Command(7, nullptr, 1, kTimeout), kVexaBadArgument);
}

TEST_F(LinkToDevice, WriteSetupWithoutCapacityTouchesOnlyTheBlock) {
    // The caller's buffer is the 40-byte block itself, followed by bytes the link must not
    // touch even when the device answers with data.
    CSwitcher::SetupBlock block = device.Setup();
    block[37] = 0;
    std::vector<std::uint8_t> memory(block.begin(), block.end());
    memory.resize(40 + 64, kGuard);
    const Bytes before = memory;
    EXPECT_EQ(link.Command(6, memory.data(), 40, kTimeout), kVexaOk);
    EXPECT_EQ(memory, before);
    EXPECT_EQ(device.Setup()[37], 0);
}

TEST_F(LinkToDevice, CountsFramesSentAndReceived) {
    EXPECT_EQ(link.GetSendCount(), 0);
    EXPECT_EQ(link.GetRecvCount(), 0);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(Send(7, {0}), kVexaOk);
    }
    EXPECT_EQ(link.GetSendCount(), 3);
    EXPECT_EQ(link.GetRecvCount(), 3);
}

TEST_F(LinkToDevice, ClosedLinkSendsNothing) {
    link.Close();
    EXPECT_EQ(link.IsOpen(), 0);
    EXPECT_EQ(Send(7, {0}), kVexaClosed);
    EXPECT_EQ(link.GetSendCount(), 0);
    // Open again works on the port given last.
    EXPECT_NE(link.Open("COM2"), 0);
    EXPECT_EQ(Send(7, {0}), kVexaOk);
}

TEST(LinkOpen, FailedOpenLeavesTheLinkClosed) {
    CVexaLib link;
    link.SetTransportFactory([](const std::string&) { return nullptr; });
    EXPECT_EQ(link.Open("COM1"), 0);
    EXPECT_EQ(link.IsOpen(), 0);
    EXPECT_EQ(link.Open(nullptr), 0);
    std::uint8_t buf[4096] = {0};
    EXPECT_EQ(link.Command(7, buf, 1, kTimeout), kVexaClosed);
}

}  // namespace
}  // namespace vantel
