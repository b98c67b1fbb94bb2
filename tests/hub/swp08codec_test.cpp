// The SW-P-08 face without sockets: framing (count, checksum, DLE doubling, acknowledgements,
// bad and overlong frames, noise), each request and the answer the face gives from its state.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hub/swp08answer.h"
#include "hub/swp08framing.h"
#include "hub/swp08request.h"

namespace vantel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = Swp08Event::Kind;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

std::vector<Swp08Event> Decode(const Bytes& bytes, bool byteByByte = false) {
    CSwp08Decoder decoder;
    std::vector<Swp08Event> events;
    if (!byteByByte) {
        decoder.Feed(bytes, events);
        return events;
    }
    for (const auto b : bytes) {
        decoder.Feed(std::span<const std::uint8_t>(&b, 1), events);
    }
    return events;
}

Swp08Event Message(Bytes m) {
    return {Kind::kMessage, std::move(m)};
}
const Swp08Event kBad{Kind::kBad, {}};
const Swp08Event kAckEvent{Kind::kAck, {}};
const Swp08Event kNakEvent{Kind::kNak, {}};

TEST(Swp08Framing, EncodesWithCountChecksumAndDoubledDle) {
    struct Case {
        const char* what;
        Bytes message;
        Bytes frame;
    };
    const std::vector<Case> cases = {
        {"interrogate",
         {0x01, 0x11, 0x00, 0x01},
         {0x10, 0x02, 0x01, 0x11, 0x00, 0x01, 0x04, 0xE9, 0x10, 0x03}},
        {"connected",
         {0x04, 0x11, 0x00, 0x02, 0x00},
         {0x10, 0x02, 0x04, 0x11, 0x00, 0x02, 0x00, 0x05, 0xE4, 0x10, 0x03}},
        {"no fields", {0x61}, {0x10, 0x02, 0x61, 0x01, 0x9E, 0x10, 0x03}},
        {"DLE in the data",
         {0x02, 0x00, 0x00, 0x10, 0x01},
         {0x10, 0x02, 0x02, 0x00, 0x00, 0x10, 0x10, 0x01, 0x05, 0xE8, 0x10, 0x03}},
        // 0xEF + the count 1 = 0xF0: the checksum is a DLE, doubled too.
        {"DLE as checksum", {0xEF}, {0x10, 0x02, 0xEF, 0x01, 0x10, 0x10, 0x10, 0x03}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeSwp08(c.message), c.frame) << c.what;
        EXPECT_EQ(Decode(c.frame), std::vector<Swp08Event>{Message(c.message)}) << c.what;
    }
}

TEST(Swp08Framing, DecodesAcknowledgementsBadFramesAndNoise) {
    const Bytes good = EncodeSwp08(Bytes{0x01, 0x00, 0x00, 0x02});
    const Bytes badSum{0x10, 0x02, 0x01, 0x00, 0x00, 0x02, 0x04, 0x00, 0x10, 0x03};
    const Bytes badCount{0x10, 0x02, 0x01, 0x00, 0x00, 0x02, 0x05, 0xF8, 0x10, 0x03};
    const Bytes tooShort{0x10, 0x02, 0x00, 0x00, 0x10, 0x03};
    Bytes overlong{0x10, 0x02};
    overlong.insert(overlong.end(), 300, 0x41);
    overlong.insert(overlong.end(), {0x10, 0x03});
    // A DLE ACK inside a frame: the frame goes on around it.
    Bytes embedded(good.begin(), good.begin() + 4);
    embedded.insert(embedded.end(), {0x10, 0x06});
    embedded.insert(embedded.end(), good.begin() + 4, good.end());

    struct Case {
        const char* what;
        Bytes bytes;
        std::vector<Swp08Event> events;
    };
    const std::vector<Case> cases = {
        {"ack and nak", {0x10, 0x06, 0x10, 0x15}, {kAckEvent, kNakEvent}},
        {"bad checksum", badSum, {kBad}},
        {"bad count", badCount, {kBad}},
        {"no count and checksum", tooShort, {kBad}},
        {"overlong, then a good one", Concat({overlong, good}), {kBad, Message({1, 0, 0, 2})}},
        {"noise before, between and after",
         Concat({{0x00, 0x10, 0x10, 0x03, 0xFF, 0x10}, good, {0x42, 0x03}, good, {0x10}}),
         {Message({1, 0, 0, 2}), Message({1, 0, 0, 2})}},
        {"ack inside a frame", embedded, {kAckEvent, Message({1, 0, 0, 2})}},
        {"restarted before its end",
         Concat({{0x10, 0x02, 0x01, 0x00}, good}),
         {kBad, Message({1, 0, 0, 2})}},
        {"DLE and a stray byte inside",
         Concat({{0x10, 0x02, 0x01, 0x10, 0x41}, good}),
         {kBad, Message({1, 0, 0, 2})}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Decode(c.bytes), c.events) << c.what;
        EXPECT_EQ(Decode(c.bytes, true), c.events) << c.what << " (byte by byte)";
    }
}

// 4 inputs, 3 outputs: output 0 fed by input 1, output 1 by nothing, output 2 by input 3;
// output 2 locked by someone.
HubSnapshot State() {
    HubSnapshot state;
    state.present = true;
    const std::vector<int> sources{1, -1, 3};
    state.image = CStateImage::FromRoutes(4, sources);
    state.inputLabels = {"Cam 1", "", "Caf\xC3\xA9\t", "A label longer than twelve"};
    state.outputLabels = {"Mon", "Rec", "Tx"};
    state.lockOwners = {LockOwner(), LockOwner(), LockOwner::Address("127.0.0.7")};
    return state;
}

Bytes Name(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

TEST(Swp08Requests, AreAnsweredFromTheState) {
    const HubSnapshot state = State();
    struct Case {
        const char* what;
        Bytes request;
        std::vector<Bytes> answers;
    };
    const std::vector<Case> cases = {
        {"interrogate", {0x01, 0x00, 0x00, 0x02}, {{0x03, 0x00, 0x00, 0x02, 0x03}}},
        {"interrogate, fed by nothing", {0x01, 0x00, 0x00, 0x01}, {{0x03, 0x00, 0x07, 0x01, 0x7F}}},
        {"interrogate, trailing bytes",
         {0x01, 0x00, 0x00, 0x00, 0x55, 0x66},
         {{0x03, 0x00, 0x00, 0x00, 0x01}}},
        {"interrogate extended", {0x81, 0x00, 0x00, 0x00, 0x01}, {{0x83, 0, 0, 0, 1, 0x03, 0xFF}}},
        {"interrogate, other level", {0x01, 0x01, 0x00, 0x00}, {}},
        {"interrogate, other matrix", {0x01, 0x10, 0x00, 0x00}, {}},
        {"interrogate, no such output", {0x01, 0x00, 0x00, 0x03}, {}},
        {"interrogate, output 128+", {0x01, 0x00, 0x10, 0x00}, {}},
        {"interrogate, cut short", {0x01, 0x00, 0x00}, {}},
        {"tally dump", {0x15, 0x00}, {{0x17, 0x00, 3, 0, 0, 0, 1, 0x03, 0xFF, 0, 3}}},
        {"tally dump extended",
         {0x95, 0x00, 0x00},
         {{0x97, 0, 0, 3, 0, 0, 0, 1, 0x03, 0xFF, 0, 3}}},
        {"tally dump, other level", {0x15, 0x03}, {}},
        {"source names, 4",
         {0x64, 0x00, 0x00},
         {Concat({{0x6A, 0x00, 0x00, 0x00, 0x00, 0x04}, Name("Cam 2   Caf?A la")})}},
        {"source names, 12",
         {0x64, 0x00, 0x02},
         {Concat({{0x6A, 0x00, 0x02, 0x00, 0x00, 0x04},
                  Name("Cam 1       2           Caf??       A label long")})}},
        {"dest names, 8",
         {0x66, 0x00, 0x01},
         {Concat({{0x6B, 0x00, 0x01, 0x00, 0x00, 0x03}, Name("Mon     Rec     Tx      ")})}},
        {"dest names extended",
         {0xE6, 0x00, 0x00},
         {Concat({{0xEB, 0x00, 0x00, 0x00, 0x00, 0x03}, Name("Mon Rec Tx  ")})}},
        {"source names extended",
         {0xE4, 0x00, 0x00, 0x00},
         {Concat({{0xEA, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04}, Name("Cam 2   Caf?A la")})}},
        {"names, length 16", {0x64, 0x00, 0x03}, {}},
        {"protect interrogate, free",
         {0x0A, 0x00, 0x00, 0x00, 0x05},
         {{0x0B, 0x00, 0x00, 0x00, 0x00, 0x05}}},
        {"protect interrogate, locked",
         {0x0A, 0x00, 0x00, 0x02, 0x05},
         {{0x0B, 0x01, 0x00, 0x00, 0x02, 0x05}}},
        {"dual controller status", {0x08}, {{0x09, 0x02, 0x00}}},
        {"unknown command", {0x70, 0x00}, {}},
    };
    for (const auto& c : cases) {
        const auto request = ParseSwp08(c.request, state.Inputs(), state.Outputs());
        EXPECT_EQ(AnswerFromState(request, state), c.answers) << c.what;
    }
}

TEST(Swp08Requests, ChangesAreParsedWithinTheDevice) {
    struct Case {
        const char* what;
        Bytes request;
        Swp08Request parsed;
    };
    const auto connect = [](int output, int input, bool extended) {
        Swp08Request r{Swp08Kind::kConnect, extended};
        r.output = output;
        r.input = input;
        return r;
    };
    const auto protect = [](Swp08Kind kind, int output, int device) {
        Swp08Request r{kind, false};
        r.output = output;
        r.device = device;
        return r;
    };
    const std::vector<Case> cases = {
        {"connect", {0x02, 0x00, 0x00, 0x02, 0x03}, connect(2, 3, false)},
        {"connect, bad-source bit ignored", {0x02, 0x00, 0x08, 0x01, 0x00}, connect(1, 0, false)},
        {"connect extended", {0x82, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02}, connect(1, 2, true)},
        {"connect, no such input", {0x02, 0x00, 0x00, 0x00, 0x04}, {}},
        {"connect, input 128+", {0x02, 0x00, 0x01, 0x00, 0x00}, {}},
        {"connect extended, no such output", {0x82, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}, {}},
        {"connect, other level", {0x02, 0x01, 0x00, 0x00, 0x00}, {}},
        {"connect extended, other matrix", {0x82, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, {}},
        {"protect", {0x0C, 0x00, 0x01, 0x01, 0x05}, protect(Swp08Kind::kProtectConnect, 1, 133)},
        {"unprotect", {0x0E, 0x00, 0x00, 0x00, 0x00}, protect(Swp08Kind::kProtectDisconnect, 0, 0)},
        {"protect, no such output", {0x0C, 0x00, 0x00, 0x03, 0x00}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseSwp08(c.request, 4, 3), c.parsed) << c.what;
    }
    // Without a device nothing names a port.
    EXPECT_EQ(ParseSwp08(Bytes{0x02, 0x00, 0x00, 0x00, 0x00}, 0, 0), Swp08Request{});
}

TEST(Swp08Requests, LargeMatricesAreSplitAcrossMessages) {
    HubSnapshot state;
    state.present = true;
    std::vector<int> sources(72);
    for (int j = 0; j < 72; ++j) {
        sources[static_cast<std::size_t>(j)] = 71 - j;
    }
    state.image = CStateImage::FromRoutes(72, sources);
    state.inputLabels.assign(72, "");
    state.outputLabels.assign(72, "");

    const auto dump = DumpMessages(state, false);
    ASSERT_EQ(dump.size(), 2u);
    EXPECT_EQ(Bytes(dump[0].begin(), dump[0].begin() + 7), (Bytes{0x17, 0, 64, 0, 0, 0, 71}));
    EXPECT_EQ(dump[0].size(), 5u + 2 * 64);
    EXPECT_EQ(dump[1], (Bytes{0x17, 0, 8, 0, 64, 0, 7, 0, 6, 0, 5, 0, 4, 0, 3, 0, 2, 0, 1, 0, 0}));

    // 16 names of 8 characters a message; the last one carries the rest.
    const auto names = NameMessages(state, true, 8, false);
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(Bytes(names[4].begin(), names[4].begin() + 6), (Bytes{0x6A, 0, 1, 0, 64, 8}));
    EXPECT_EQ(std::string(names[4].begin() + 6, names[4].begin() + 14), "65      ");
    EXPECT_EQ(NameMessages(state, false, 4, false).size(), 3u);  // 32 a message
    EXPECT_EQ(NameMessages(state, false, 12, true).size(), 8u);  // 10 a message

    // Every message fits one frame.
    for (const auto& m : names) {
        EXPECT_LE(m.size(), swp08::kMaxMessage);
    }
}

TEST(Swp08Requests, TheImplementationListNamesWhatTheFaceServes) {
    const auto list = ImplementationMessage();
    ASSERT_GE(list.size(), 3u);
    EXPECT_EQ(list[0], swp08::kImplementation);
    EXPECT_EQ(list.size(), 3u + list[1] + list[2]);
    const Bytes served(list.begin() + 3, list.begin() + 3 + list[1]);
    for (const std::uint8_t cmd : {0x01, 0x02, 0x08, 0x15, 0x64, 0x66, 0x0A, 0x0C, 0x0E}) {
        EXPECT_NE(std::find(served.begin(), served.end(), cmd), served.end()) << int(cmd);
    }
    // Every command the list names is served, the others are not.
    for (int cmd = 0; cmd < 256; ++cmd) {
        Bytes request(8, 0);
        request[0] = static_cast<std::uint8_t>(cmd);
        const bool listed = std::find(served.begin(), served.end(), cmd) != served.end();
        EXPECT_EQ(ParseSwp08(request, 4, 3).kind != Swp08Kind::kIgnore, listed) << cmd;
    }
}

}  // namespace
}  // namespace vantel
