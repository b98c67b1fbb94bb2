#include "device/deviceport.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace vantel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Request(std::uint8_t seq, std::uint8_t cmd, const Bytes& payload) {
    return EncodeFrame(Frame{seq, cmd, 0, payload});
}

std::vector<Frame> Decode(const Bytes& bytes) {
    FrameDecoder decoder;
    decoder.Feed(bytes.data(), bytes.size());
    std::vector<Frame> frames;
    while (auto frame = decoder.Next()) {
        frames.push_back(*frame);
    }
    return frames;
}

TEST(DevicePort, RepliesEchoSequenceAndCommand) {
    CSwitcher device(4, 4);
    CDevicePort port(device);
    Bytes in;
    for (const Bytes& r : {Request(200, 7, {0}), Request(201, 12, {9}), Request(202, 5, {}),
                           Request(203, 12, {1, 4}), Request(204, 77, {1, 2, 3})}) {
        in.insert(in.end(), r.begin(), r.end());
    }
    Bytes out;
    const auto result = port.Feed(in.data(), in.size(), out);
    EXPECT_EQ(result.commands, 5u);
    EXPECT_TRUE(result.changed);
    const auto replies = Decode(out);
    ASSERT_EQ(replies.size(), 5u);
    const std::vector<Frame> heads = {{200, 7, kStatusOk, {}},
                                      {201, 12, kStatusOutOfRange, {}},
                                      {202, 5, kStatusOk, {}},
                                      {203, 12, kStatusOk, {}},
                                      {204, 77, kStatusUnknownCommand, {}}};
    for (std::size_t i = 0; i < heads.size(); ++i) {
        EXPECT_EQ(replies[i].seq, heads[i].seq);
        EXPECT_EQ(replies[i].cmd, heads[i].cmd);
        EXPECT_EQ(replies[i].status, heads[i].status);
    }
    EXPECT_EQ(replies[0].payload.size(), 508u);
    EXPECT_EQ(replies[2].payload.size(), 40u);
    EXPECT_TRUE(replies[1].payload.empty());
    EXPECT_EQ(device.SceneRouting(0)[0], 2);
}

TEST(DevicePort, CutFramesAreAnsweredOnceComplete) {
    CSwitcher device;
    CDevicePort port(device);
    const Bytes request = Request(9, 7, {3});
    Bytes out;
    for (std::size_t i = 0; i + 1 < request.size(); ++i) {
        port.Feed(&request[i], 1, out);
        ASSERT_TRUE(out.empty()) << "after byte " << i;
    }
    port.Feed(&request.back(), 1, out);
    ASSERT_EQ(Decode(out).size(), 1u);

    // A frame cut short by a closed line is forgotten, not completed by the next one.
    out.clear();
    port.Feed(request.data(), 5, out);
    port.Reset();
    port.Feed(request.data(), request.size(), out);
    EXPECT_EQ(Decode(out).size(), 1u);
}

TEST(DevicePort, BadFramesAreSkippedAndTheNextAnswered) {
    struct Case {
        const char* name;
        Bytes junk;
    };
    Bytes badCrc = Request(1, 12, {1, 4});  // would route input 1 to output 0
    badCrc.back() ^= 0xFF;
    Bytes tooLong = {0x56, 0x54, 1, 7, 0, 0x01, 0x10};              // length 4097
    Bytes hugeLength = {0x56, 0x54, 1, 7, 0, 0xFF, 0x0F, 0, 0, 0};  // waits, then fails
    const std::vector<Case> cases = {
        {"noise", {0x00, 0xFF, 0x13, 0x56, 0x00, 0x54}},
        {"lone mark bytes", {0x56, 0x56, 0x56, 0x54}},
        {"bad crc", badCrc},
        {"length above limit", tooLong},
        {"length swallowing the next frame", hugeLength},
    };
    for (const auto& c : cases) {
        CSwitcher device(4, 4);
        CDevicePort port(device);
        Bytes in = c.junk;
        const Bytes good = Request(42, 9, {1, 0});
        in.insert(in.end(), good.begin(), good.end());
        // Padding lets a header with a large length run into its bad check.
        in.insert(in.end(), 4200, 0x00);
        in.insert(in.end(), good.begin(), good.end());
        Bytes out;
        port.Feed(in.data(), in.size(), out);
        const auto replies = Decode(out);
        ASSERT_EQ(replies.size(), 2u) << c.name;
        for (const auto& r : replies) {
            EXPECT_EQ(r.seq, 42) << c.name;
            EXPECT_EQ(r.status, kStatusOk) << c.name;
        }
        // The bad-check switch request was not applied.
        EXPECT_EQ(device.SceneRouting(0)[0], 1) << c.name;
    }
}

TEST(DevicePort, RandomGarbageAroundFramesLosesNoFrame) {
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> gap(0, 300);
    CSwitcher device;
    CDevicePort port(device);
    Bytes in;
    for (int seq = 0; seq < 200; ++seq) {
        for (int i = gap(random); i > 0; --i) {
            in.push_back(static_cast<std::uint8_t>(byte(random)));
        }
        const Bytes r = Request(static_cast<std::uint8_t>(seq), 7, {0});
        in.insert(in.end(), r.begin(), r.end());
    }
    // Delivered in uneven chunks, as a socket would.
    Bytes out;
    std::uniform_int_distribution<std::size_t> chunk(1, 9000);
    for (std::size_t offset = 0; offset < in.size();) {
        const std::size_t size = std::min(chunk(random), in.size() - offset);
        port.Feed(in.data() + offset, size, out);
        offset += size;
    }
    std::vector<int> seqs;
    for (const auto& r : Decode(out)) {
        if (r.cmd == 7 && r.status == kStatusOk) {
            seqs.push_back(r.seq);
        }
    }
    ASSERT_EQ(seqs.size(), 200u);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(seqs[static_cast<std::size_t>(i)], i);
    }
    EXPECT_LE(port.Decoder().Buffered(), kMaxFrameSize);
}

// Everything the device keeps: the setup block and every routing.
std::vector<Bytes> KeptState(const CSwitcher& device) {
    std::vector<Bytes> state{Bytes(device.Setup().begin(), device.Setup().end())};
    for (int scene = 0; scene <= CSwitcher::kSceneCount; ++scene) {
        state.push_back(device.SceneRouting(scene));
    }
    return state;
}

TEST(DevicePort, AChangeThatCannotBeKeptIsRefusedAndUndone) {
    const CSwitcher::SetupBlock setup = CSwitcher(4, 4).Setup();
    Bytes resized(setup.begin(), setup.end());
    resized[CSwitcher::kInputCountOffset] = 2;
    resized[CSwitcher::kOutputCountOffset] = 6;
    const struct {
        const char* name;
        std::uint8_t cmd;
        Bytes payload;
        std::uint8_t status;  // while the keeper fails
        bool asked;           // whether the keeper is asked
    } cases[] = {
        {"switch", 12, {1, 4}, kStatusNotKept, true},
        {"save scene", 9, {3, 0}, kStatusNotKept, true},
        {"load scene", 8, {0, 3}, kStatusNotKept, true},
        {"write setup", 6, resized, kStatusNotKept, true},
        {"switch to what is already so", 12, {1, 5}, kStatusOk, false},
        {"read state image", 7, {0}, kStatusOk, false},
        {"read setup", 5, {}, kStatusOk, false},
        {"refused switch", 12, {9}, kStatusOutOfRange, false},
    };
    for (const auto& c : cases) {
        CSwitcher device(4, 4);
        CDevicePort port(device);
        int asked = 0;
        bool keeps = false;
        port.SetKeeper([&] {
            ++asked;
            return keeps;
        });
        const auto before = KeptState(device);
        const Bytes request = Request(7, c.cmd, c.payload);
        Bytes out;
        const auto result = port.Feed(request.data(), request.size(), out);
        const auto replies = Decode(out);
        ASSERT_EQ(replies.size(), 1u) << c.name;
        EXPECT_EQ(replies[0].status, c.status) << c.name;
        EXPECT_EQ(asked, c.asked ? 1 : 0) << c.name;
        EXPECT_FALSE(result.changed) << c.name;
        EXPECT_EQ(KeptState(device), before) << c.name;

        // Once the change can be kept, the same request is done.
        keeps = true;
        out.clear();
        port.Feed(request.data(), request.size(), out);
        const std::uint8_t done = c.asked ? std::uint8_t{kStatusOk} : c.status;
        EXPECT_EQ(Decode(out).at(0).status, done) << c.name;
        EXPECT_EQ(KeptState(device) != before, c.asked) << c.name;
    }
}

TEST(DevicePort, FaultsDropAndGarbleRepliesDeterministically) {
    Bytes in;
    for (int seq = 0; seq < 50; ++seq) {
        const Bytes r = Request(static_cast<std::uint8_t>(seq), 5, {});
        in.insert(in.end(), r.begin(), r.end());
    }
    auto run = [&in](double drop, double garble, std::uint64_t seed) {
        CSwitcher device;
        CReplyFaults faults(drop, garble, seed);
        CDevicePort port(device, &faults);
        Bytes out;
        port.Feed(in.data(), in.size(), out);
        return out;
    };
    const std::size_t replySize = kFrameOverhead + 40;
    EXPECT_EQ(run(0.0, 0.0, 1).size(), 50 * replySize);
    EXPECT_TRUE(run(1.0, 0.0, 1).empty());
    const Bytes half = run(0.5, 0.0, 7);
    EXPECT_EQ(half.size() % replySize, 0u);
    EXPECT_GT(half.size(), 10 * replySize);
    EXPECT_LT(half.size(), 40 * replySize);
    EXPECT_EQ(Decode(half).size(), half.size() / replySize);

    const Bytes clean = run(0.0, 0.0, 1);
    const Bytes garbled = run(0.0, 0.01, 7);
    ASSERT_EQ(garbled.size(), clean.size());
    EXPECT_NE(garbled, clean);
    EXPECT_LT(Decode(garbled).size(), 50u);
    EXPECT_EQ(run(0.3, 0.01, 99), run(0.3, 0.01, 99));
    EXPECT_NE(run(0.3, 0.01, 99), run(0.3, 0.01, 100));
}

}  // namespace
}  // namespace vantel
