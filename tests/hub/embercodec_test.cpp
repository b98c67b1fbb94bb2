// The Ember+ face's codec: S101 frames, BER, and the Glow the hub reads and writes. Where a
// byte sequence is given whole it was written by a third-party Ember+ consumer, so these
// tables check our coding against another implementation, not against itself.

#include <gtest/gtest.h>

#include "hub/ber.h"
#include "hub/glow.h"
#include "hub/glowrequest.h"
#include "hub/s101codec.h"

namespace vantel {
namespace {

std::string Hex(std::string_view hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        out.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return out;
}

std::string ToHex(std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        out.push_back(digits[(static_cast<unsigned char>(c) >> 4) & 0xF]);
        out.push_back(digits[static_cast<unsigned char>(c) & 0xF]);
    }
    return out;
}

std::vector<S101Message> Read(std::string_view bytes, std::size_t* dropped = nullptr) {
    CS101Reader reader;
    std::vector<S101Message> out;
    reader.Feed(bytes, out);
    if (dropped) {
        *dropped = reader.Dropped();
    }
    return out;
}

std::string Pattern(std::size_t size) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        out[i] = static_cast<char>(0xF0 + i % 16);  // half of them must be escaped
    }
    return out;
}

TEST(S101, CrcIsTheReflectedCcittOfTheFrame) {
    // The catalogue's check value of this CRC for "123456789".
    EXPECT_EQ(S101Crc("123456789"), 0x906E);
}

TEST(S101, FramesMatchAnotherImplementation) {
    EXPECT_EQ(ToHex(S101KeepAliveRequest()), "fe000e010194e4ff");
    EXPECT_EQ(ToHex(S101KeepAliveResponse()), "fe000e0201fddcceff");  // CRC byte escaped
    EXPECT_EQ(ToHex(S101EmberFrames(Hex("6000"))), "fe000e0001c001021f0260009dfdddff");
}

TEST(S101, PayloadsRoundTripWholeAndByteByByte) {
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, CS101Reader::kPacketSize,
                                   CS101Reader::kPacketSize + 1, std::size_t{5000}}) {
        SCOPED_TRACE(size);
        const std::string payload = Pattern(size);
        const std::string frames = S101EmberFrames(payload);
        const std::string_view inside(frames.data() + 1, frames.size() - 2);
        for (const char c : inside) {  // BOF and EOF only where they mark frames
            const auto b = static_cast<unsigned char>(c);
            EXPECT_TRUE(b < 0xF8 || b == 0xFD || b == 0xFE || b == 0xFF);
        }
        const auto whole = Read(frames);
        ASSERT_EQ(whole.size(), 1U);
        EXPECT_EQ(whole[0].glow, payload);

        CS101Reader reader;
        std::vector<S101Message> out;
        for (const char c : frames) {
            reader.Feed(std::string_view(&c, 1), out);
        }
        ASSERT_EQ(out.size(), 1U);
        EXPECT_EQ(out[0].glow, payload);
    }
}

TEST(S101, KeepAlivesAreTold) {
    const auto out = Read(S101KeepAliveRequest() + S101KeepAliveResponse());
    ASSERT_EQ(out.size(), 2U);
    EXPECT_EQ(out[0].kind, S101Message::Kind::kKeepAliveRequest);
    EXPECT_EQ(out[1].kind, S101Message::Kind::kKeepAliveResponse);
}

// Each bad input is followed by a sound frame, which must still come through.
TEST(S101, UnsoundFramesAreDroppedAndReadingGoesOn) {
    const std::string good = S101EmberFrames(Hex("6000"));
    std::string badCrc = good;
    badCrc[badCrc.size() - 2] ^= 0x01;
    const std::string tooLong = "\xFE" + std::string(CS101Reader::kMaxFrame + 10, 'a') + "\xFF";
    const std::string firstOfTwo = S101EmberFrames(Pattern(1500)).substr(0, good.size() + 1040);
    const std::string middleOnly =
        S101EmberFrames(Pattern(3000)).substr(S101EmberFrames(Pattern(3000)).find('\xFE', 1));
    const std::string message("\x00\x0E\x07\x01", 4);  // command 7: no such command
    const auto crc = S101Crc(message);
    const std::string unknownCommand =
        "\xFE" + message + static_cast<char>(crc & 0xFF) + static_cast<char>(crc >> 8) + "\xFF";
    const struct {
        const char* name;
        std::string bytes;
        std::size_t dropped;
    } cases[] = {
        {"bad CRC", badCrc, 1},
        {"half a frame", good.substr(0, good.size() / 2), 1},
        {"escape just before EOF", "\xFE\x00\x0E\x01\x01\x94\xFD\xFF", 1},
        {"too short", "\xFE\x00\xFF", 1},
        {"longer than a frame may be", tooLong, 1},
        {"unknown command", unknownCommand, 1},
        {"a message cut after its first packet", firstOfTwo, 1},
        {"later packets without the first", middleOnly, 2},
        {"noise", "hello", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::size_t dropped = 0;
        const auto out = Read(c.bytes + good, &dropped);
        ASSERT_EQ(out.size(), 1U);
        EXPECT_EQ(out[0].glow, Hex("6000"));
        EXPECT_EQ(dropped, c.dropped);
    }
}

TEST(S101, AMessagePastTheBoundIsDropped) {
    CS101Reader reader;
    std::vector<S101Message> out;
    reader.Feed(S101EmberFrames(std::string(CS101Reader::kMaxMessage + 1, 'x')), out);
    EXPECT_TRUE(out.empty());
    reader.Feed(S101KeepAliveRequest(), out);
    EXPECT_EQ(out.size(), 1U);
}

TEST(Ber, EncodesShortestForms) {
    const struct {
        std::string bytes;
        const char* hex;
    } cases[] = {
        {BerInteger(0), "020100"},
        {BerInteger(127), "02017f"},
        {BerInteger(128), "02020080"},
        {BerInteger(256), "02020100"},
        {BerInteger(-1), "0201ff"},
        {BerInteger(-129), "0202ff7f"},
        {BerBoolean(true), "0101ff"},
        {BerRelativeOid(std::vector<std::uint32_t>{1, 5}), "0d020105"},
        {BerRelativeOid(std::vector<std::uint32_t>{128, 0}), "0d03810000"},
        {BerRelativeOid(std::vector<std::uint32_t>{}), "0d00"},
        {BerUtf8(std::string(200, 'a')).substr(0, 3), "0c81c8"},
        {BerUtf8(std::string(300, 'a')).substr(0, 4), "0c82012c"},
        {BerElement(BerClass::kApplication, true, 31, ""), "7f1f00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToHex(c.bytes), c.hex);
    }
}

TEST(Ber, ValuesRoundTrip) {
    for (const std::int64_t value :
         {std::int64_t{0}, std::int64_t{-1}, std::int64_t{1} << 40, INT64_MIN, INT64_MAX}) {
        const std::string bytes = BerInteger(value);
        const auto nodes = BerDecode(bytes);
        ASSERT_TRUE(nodes && nodes->size() == 1);
        EXPECT_EQ(BerToInteger(nodes->front()), value);
    }
    const std::vector<std::uint32_t> ids{0, 127, 128, 0xFFFFFFFF};
    const std::string oid = BerRelativeOid(ids);
    const auto nodes = BerDecode(oid);
    ASSERT_TRUE(nodes);
    EXPECT_EQ(BerToRelativeOid(nodes->front()), ids);
}

TEST(Ber, IndefiniteLengthsAreRead) {
    const std::string bytes = Hex("3080a08002010500000c0141") + Hex("0000");
    const auto nodes = BerDecode(bytes);
    ASSERT_TRUE(nodes);
    ASSERT_EQ(nodes->size(), 1U);
    ASSERT_EQ(nodes->front().children.size(), 2U);
    EXPECT_EQ(BerToInteger(*nodes->front().children[0].Inner()), 5);
    EXPECT_EQ(BerToUtf8(nodes->front().children[1]), "A");
}

TEST(Ber, MalformedInputIsRefused) {
    std::string deep;
    for (int i = 0; i <= kBerMaxDepth + 1; ++i) {
        deep += Hex("3080");
    }
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"length past its data", Hex("0c0541")},
        {"inner length past its parent", Hex("30030c0541")},
        {"length in five bytes", Hex("0c850000000001") + "A"},
        {"length bytes missing", Hex("0c82")},
        {"primitive of indefinite length", Hex("0c80410000")},
        {"indefinite without its end", Hex("30800201")},
        {"tag number too long", Hex("7fffffffff7f00")},
        {"tag cut short", Hex("7f81")},
        {"nested too deep", deep},
        {"trailing byte", Hex("300002")},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(BerDecode(c.bytes)) << c.name;
    }
    const struct {
        const char* name;
        std::string bytes;
    } badValues[] = {
        {"relative OID ends in mid-number", Hex("0d0181")},
        {"relative OID past 32 bits", Hex("0d059080808000")},
        {"integer of nine bytes", Hex("0209010000000000000000")},
        {"empty integer", Hex("0200")},
    };
    for (const auto& c : badValues) {
        const auto nodes = BerDecode(c.bytes);
        ASSERT_TRUE(nodes) << c.name;
        EXPECT_FALSE(BerToRelativeOid(nodes->front()) || BerToInteger(nodes->front())) << c.name;
    }
}

TEST(Glow, RequestsOfAnotherConsumerAreRead) {
    const auto dir = GlowRequestKind::kGetDirectory;
    const auto connect = GlowRequestKind::kConnect;
    const struct {
        const char* name;
        const char* hex;
        GlowRequest expected;
    } cases[] = {
        {"directory of the root", "600b6b09a0076205a003020120", {dir, {}, {}, {}}},
        {"directory of a node",
         "60186b16a0146a12a0030d0101a20b6409a0076205a003020120",
         {dir, {1}, {}, {}}},
        {"subscribe to the matrix",
         "60276b25a0237121a0040d020105a10c310aa0080c066d6174726978a20b6409a0076205a00302011e",
         {GlowRequestKind::kSubscribe, {1, 5}, {}, {}}},
        {"connect",
         "60316b2fa02d712ba0040d020105a10c310aa0080c066d6174726978a5153013a011700fa0030201"
         "02a1030d0103a203020101",
         {connect, {1, 5}, {}, {{2, {3}, GlowOperation::kConnect}}}},
        {"absolute to nothing",
         "60306b2ea02c712aa0040d020105a10c310aa0080c066d6174726978a5143012a010700ea0030201"
         "00a1020d00a203020100",
         {connect, {1, 5}, {}, {{0, {}, GlowOperation::kAbsolute}}}},
        {"set a string",
         "60206b1ea01c691aa0060d0401060100a110310ea2070c0543616d2041ad03020103",
         {GlowRequestKind::kSetValue, {1, 6, 1, 0}, GlowValue(std::string("Cam A")), {}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto requests = GlowDecodeRequests(Hex(c.hex));
        ASSERT_TRUE(requests);
        ASSERT_EQ(requests->size(), 1U);
        EXPECT_EQ(requests->front(), c.expected);
    }
}

TEST(Glow, NestedNumberedCommandTakesItsPath) {
    const std::string command = BerApplication(2, BerContext(0, BerInteger(32)));
    const std::string inner = BerApplication(
        3, BerContext(0, BerInteger(6)) + BerContext(2, BerApplication(4, BerContext(0, command))));
    const std::string outer = BerApplication(
        3, BerContext(0, BerInteger(1)) + BerContext(2, BerApplication(4, BerContext(0, inner))));
    const auto requests =
        GlowDecodeRequests(BerApplication(0, BerApplication(11, BerContext(0, outer))));
    ASSERT_TRUE(requests);
    ASSERT_EQ(requests->size(), 1U);
    EXPECT_EQ(requests->front().kind, GlowRequestKind::kGetDirectory);
    EXPECT_EQ(requests->front().path, (GlowPath{1, 6}));
}

TEST(Glow, WhatIsNotARequestIsToldApart) {
    // Well-formed BER that is no Glow root: refused whole.
    EXPECT_FALSE(GlowDecodeRequests(Hex("3000")));
    EXPECT_FALSE(GlowDecodeRequests(Hex("6000") + Hex("6000")));
    // A Glow root of something a provider is not sent, and an invoke: unsupported.
    const auto streams = GlowDecodeRequests(BerApplication(0, BerApplication(6, "")));
    ASSERT_TRUE(streams);
    ASSERT_EQ(streams->size(), 1U);
    EXPECT_EQ(streams->front().kind, GlowRequestKind::kUnsupported);
    const auto invoke = GlowDecodeRequests(Hex("600b6b09a0076205a003020121"));
    ASSERT_TRUE(invoke);
    EXPECT_EQ(invoke->front().kind, GlowRequestKind::kUnsupported);
    // A connection whose sources are no relative OID.
    const std::string badConnection = BerApplication(
        17, BerContext(0, BerRelativeOid(GlowPath{1, 5})) +
                BerContext(5, BerSequence(BerContext(
                                  0, BerApplication(16, BerContext(0, BerInteger(1)) +
                                                            BerContext(1, BerInteger(2)))))));
    const auto bad =
        GlowDecodeRequests(BerApplication(0, BerApplication(11, BerContext(0, badConnection))));
    ASSERT_TRUE(bad);
    ASSERT_EQ(bad->size(), 1U);
    EXPECT_EQ(bad->front().kind, GlowRequestKind::kUnsupported);
}

TEST(Glow, ElementsAsAnotherConsumerWritesThem) {
    // The consumer's own encoding of a boolean parameter, less the type it adds.
    GlowParameterContents online;
    online.value = true;
    EXPECT_EQ(ToHex(GlowRoot(std::vector<std::string>{GlowQualifiedParameter({1, 1}, online)})),
              "60156b13a011690fa0040d020101a107310"
              "5a2030101ff");
    // A target fed by nothing: an empty source list, never source 0.
    const GlowConnection none{3, {}, GlowDisposition::kTally};
    EXPECT_EQ(ToHex(GlowQualifiedMatrix({1, 5}, std::nullopt, std::vector{none})),
              "711ca0040d020105a5143012a010700ea003020103a1020d00a303020100");
}

}  // namespace
}  // namespace vantel
