#include "link/frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <algorithm>
#include <ctime>
#include <string>

namespace vantel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

std::vector<Frame> DecodeAll(FrameDecoder& decoder) {
    std::vector<Frame> frames;
    while (auto frame = decoder.Next()) {
        frames.push_back(*frame);
    }
    return frames;
}

std::vector<Frame> DecodeBytes(const Bytes& bytes, FrameDecoder& decoder) {
    decoder.Feed(bytes.data(), bytes.size());
    return DecodeAll(decoder);
}

const Frame kSwitch{7, 12, 0, {2, 8, 12}};
const Frame kEmpty{200, 6, 0, {}};
const Frame kRefused{9, 9, kStatusOutOfRange, {}};
const Frame kLong{10, 7, 0, Bytes(508, 0x56)};

TEST(Crc16, CheckValueAndContinuation) {
    const char* text = "123456789";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text);
    EXPECT_EQ(Crc16(bytes, 9), 0x29B1);
    EXPECT_EQ(Crc16(bytes + 4, 5, Crc16(bytes, 4)), 0x29B1);
    EXPECT_EQ(Crc16(bytes, 0), 0xFFFF);
}

TEST(FrameCodec, EncodesTheDocumentedLayout) {
    // Request: read the live state image (cmd 7, payload 00), seq 1.
    const Bytes encoded = EncodeFrame(Frame{1, 7, 0, {0}});
    const Bytes body{1, 7, 0, 1, 0, 0};
    const std::uint16_t crc = Crc16(body.data(), body.size());
    const Bytes expected{0x56,
                         0x54,
                         1,
                         7,
                         0,
                         1,
                         0,
                         0,
                         static_cast<std::uint8_t>(crc & 0xFF),
                         static_cast<std::uint8_t>(crc >> 8)};
    EXPECT_EQ(encoded, expected);
}

TEST(FrameCodec, RoundTripsEveryPayloadSize) {
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{40}, std::size_t{508},
                             std::size_t{255}, std::size_t{256}, kMaxPayload}) {
        Frame frame{static_cast<std::uint8_t>(size), 5, static_cast<std::uint8_t>(size % 5),
                    Bytes(size)};
        for (std::size_t i = 0; i < size; ++i) {
            frame.payload[i] = static_cast<std::uint8_t>(i * 31 + 0x56);  // mark bytes inside
        }
        FrameDecoder decoder;
        const auto frames = DecodeBytes(EncodeFrame(frame), decoder);
        ASSERT_EQ(frames.size(), 1u) << size;
        EXPECT_EQ(frames[0], frame) << size;
        EXPECT_EQ(decoder.DiscardedBytes(), 0u);
        EXPECT_EQ(decoder.Buffered(), 0u);
    }
}

TEST(FrameCodec, RefusesOverlongPayloadOnEncode) {
    Bytes out{1, 2, 3};
    const Bytes big(kMaxPayload + 1);
    EXPECT_FALSE(AppendFrame(out, 0, 7, 0, big.data(), big.size()));
    EXPECT_EQ(out, (Bytes{1, 2, 3}));
    EXPECT_TRUE(EncodeFrame(Frame{0, 7, 0, big}).empty());
}

Bytes WithLength(Bytes frame, std::uint16_t length) {
    frame[5] = static_cast<std::uint8_t>(length & 0xFF);
    frame[6] = static_cast<std::uint8_t>(length >> 8);
    return frame;
}

Bytes Corrupt(Bytes frame, std::size_t index) {
    frame[index] ^= 0x01;
    return frame;
}

struct StreamCase {
    const char* name;
    Bytes stream;
    std::vector<Frame> expected;
    std::uint64_t badFrames;
};

TEST(FrameDecoder, FindsFramesInDamagedStreams) {
    const Bytes sw = EncodeFrame(kSwitch);
    const Bytes empty = EncodeFrame(kEmpty);
    const Bytes refused = EncodeFrame(kRefused);
    const Bytes overlong = WithLength(sw, kMaxPayload + 1);
    const Bytes cut(sw.begin(), sw.begin() + 6);
    const std::vector<StreamCase> cases = {
        {"back to back", Cat({sw, empty, refused}), {kSwitch, kEmpty, kRefused}, 0},
        {"garbage before", Cat({{0x00, 0x56, 0x56, 0xFF, 0x54}, sw}), {kSwitch}, 0},
        {"garbage between", Cat({sw, {0x13, 0x56}, empty}), {kSwitch, kEmpty}, 0},
        {"bad crc then good", Cat({Corrupt(sw, sw.size() - 1), empty}), {kEmpty}, 1},
        {"corrupt payload", Cat({Corrupt(sw, 8), refused}), {kRefused}, 1},
        {"over-long length", Cat({overlong, empty}), {kEmpty}, 1},
        // A cut frame claims the bytes of the frames behind it; they must not wait for it.
        {"cut frame then frame", Cat({cut, empty, refused}), {kEmpty, kRefused}, 1},
        {"cut frame before a long frame", Cat({cut, EncodeFrame(kLong)}), {kLong}, 1},
        {"mark in garbage claims a long frame",
         Cat({{0x56, 0x54, 0, 0, 0, 0x20, 0}, sw}),
         {kSwitch},
         1},
    };
    for (const StreamCase& c : cases) {
        FrameDecoder decoder;
        EXPECT_EQ(DecodeBytes(c.stream, decoder), c.expected) << c.name;
        EXPECT_EQ(decoder.BadFrames(), c.badFrames) << c.name;
    }
}

TEST(FrameDecoder, AssemblesFramesFedByteByByte) {
    // The stray mark claims a frame that would swallow the next one.
    const Bytes stream = Cat({{0x56}, EncodeFrame(kSwitch), {0x56, 0x54}, EncodeFrame(kEmpty)});
    FrameDecoder decoder;
    std::vector<Frame> frames;
    for (std::uint8_t byte : stream) {
        decoder.Feed(&byte, 1);
        for (auto f = DecodeAll(decoder); const Frame& frame : f) {
            frames.push_back(frame);
        }
    }
    EXPECT_EQ(frames, (std::vector<Frame>{kSwitch, kEmpty}));
}

TEST(FrameDecoder, HoldsACutFrameUntilTheRestArrives) {
    const Bytes sw = EncodeFrame(kSwitch);
    for (std::size_t cut = 1; cut < sw.size(); ++cut) {
        FrameDecoder decoder;
        decoder.Feed(sw.data(), cut);
        EXPECT_FALSE(decoder.Next()) << cut;
        EXPECT_EQ(decoder.Buffered(), cut) << cut;
        decoder.Feed(sw.data() + cut, sw.size() - cut);
        EXPECT_EQ(decoder.Next(), kSwitch) << cut;
    }
}

TEST(FrameDecoder, BufferStaysBoundedUnderEndlessGarbage) {
    FrameDecoder decoder;
    Bytes garbage(1000);
    for (std::size_t i = 0; i < garbage.size(); ++i) {
        garbage[i] = (i % 2) ? 0x54 : 0x56;  // marks everywhere, each claiming a long frame
    }
    for (int round = 0; round < 200; ++round) {
        decoder.Feed(garbage.data(), garbage.size());
        EXPECT_FALSE(decoder.Next());
        EXPECT_LE(decoder.Buffered(), kMaxFrameSize);
    }
    decoder.Reset();
    EXPECT_EQ(DecodeBytes(EncodeFrame(kSwitch), decoder), (std::vector<Frame>{kSwitch}));
}

// Each mark of this stream claims a frame of 3 849 bytes: a decoder that computes the CRC of
// every supposed frame from scratch spends thousands of steps per byte received.
// The CPU time of decoding `bytes` of marks that each claim a long frame, then one real frame,
// which must still be found; the least of three runs, so a busy machine adds little.
double CpuToDecodeMarks(std::size_t bytes) {
    const Bytes unit{0x56, 0x54, 0x00, 0x07, 0x00, 0x00, 0x0F};
    Bytes chunk;
    while (chunk.size() + unit.size() <= 4096) {
        chunk.insert(chunk.end(), unit.begin(), unit.end());
    }
    double least = 1e9;
    for (int run = 0; run < 3; ++run) {
        FrameDecoder decoder;
        std::vector<Frame> frames;
        const std::clock_t start = std::clock();
        for (std::size_t fed = 0; fed < bytes; fed += chunk.size()) {
            decoder.Feed(chunk.data(), chunk.size());
            for (auto f = DecodeAll(decoder); const Frame& frame : f) {
                frames.push_back(frame);
            }
        }
        const Bytes sw = EncodeFrame(kSwitch);
        decoder.Feed(sw.data(), sw.size());
        least = std::min(least, static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
        EXPECT_EQ(frames, std::vector<Frame>{});
        EXPECT_EQ(decoder.Next(), kSwitch) << "the real frame behind the stream is found";
    }
    return least;
}

// Four times the stream costs about four times the work (a checksum at every mark over the
// length it claims made it sixteen times, 12 s of CPU for 8 MiB). Measured against itself, so
// a sanitizer build or a slow machine does not move the figure.
TEST(FrameDecoder, WorkStaysLinearWhenEveryMarkClaimsALongFrame) {
    const double quarter = CpuToDecodeMarks(2u << 20);
    const double whole = CpuToDecodeMarks(8u << 20);
    EXPECT_LT(whole, 8.0 * std::max(quarter, 0.001)) << quarter << " s, then " << whole << " s";
}

}  // namespace
}  // namespace vantel
