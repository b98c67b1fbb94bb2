// vantel-hub's SW-P-08 face as a process between vantel-sim and SW-P-08 clients: a Connected
// only once the device holds the route, one for every Connect, pushed to every client whatever
// face made the change; protects owned by an address; the device going and coming back.
#include <gtest/gtest.h>

#include <thread>

#include "hub/swp08answer.h"
#include "hubrig.h"
#include "swp08client.h"
#include "textclient.h"

namespace vantel {
namespace {

using ms = std::chrono::milliseconds;
using Bytes = Swp08Client::Bytes;
using Kind = Swp08Event::Kind;
using namespace swp08;

// The inputs feeding outputs 1..n (1-based, 0 for none) as vantelctl reads them via the hub.
std::vector<int> CtlSources(const HubRig& rig) {
    const CtlResult result = rig.Ctl({"--json", "status"});
    EXPECT_EQ(result.code, 0) << result.err;
    return SourcesOf(ParseObject(result.out));
}

Bytes Connect(int output, int input) {
    return {kConnect, 0x00, static_cast<std::uint8_t>(((output / 128) << 4) | (input / 128)),
            static_cast<std::uint8_t>(output % 128), static_cast<std::uint8_t>(input % 128)};
}
Bytes Connected(int output, int input) {
    Bytes m = Connect(output, input);
    m[0] = kConnected;
    return m;
}
Bytes Protect(std::uint8_t cmd, int output) {
    return {cmd, 0x00, 0x00, static_cast<std::uint8_t>(output), 0x09};
}
// The protect answer of a command for output j: protected or not.
Bytes ProtectAnswer(std::uint8_t cmd, bool isProtected, int output) {
    return {cmd,  static_cast<std::uint8_t>(isProtected), 0x00,
            0x00, static_cast<std::uint8_t>(output),      0x09};
}

auto Has(std::uint8_t cmd, std::size_t count) {
    return [cmd, count](const Swp08Client& c) { return c.Messages(cmd).size() >= count; };
}

class Swp08ProcessTest : public ::testing::Test {
protected:
    std::unique_ptr<Swp08Client> Open(const char* from = "127.0.0.1") {
        auto client = std::make_unique<Swp08Client>(m_rig.Swp08Port(), from);
        EXPECT_TRUE(client->Connected());
        return client;
    }
    // Interrogates output 0 until the hub has the device and answers.
    static bool Ready(Swp08Client& client) {
        for (int i = 0; i < 50 && client.Messages(kTally).empty(); ++i) {
            client.Send({kInterrogate, 0x00, 0x00, 0x00});
            client.WaitFor(Has(kTally, 1), ms(200));
        }
        return !client.Messages(kTally).empty();
    }

    HubRig m_rig{{"--swp08-listen", "127.0.0.1:0"}};
};

TEST_F(Swp08ProcessTest, ConnectedFollowsEveryConnectOnceTheDeviceHoldsIt) {
    auto a = Open();
    auto b = Open();
    ASSERT_TRUE(Ready(*a));
    ASSERT_EQ(a->Messages(kTally).at(0), (Bytes{kTally, 0x00, 0x00, 0x00, 0x00}));

    // Route input 3 to output 2: the device holds it when the Connected arrives, and both
    // clients hear it once.
    ASSERT_TRUE(a->Send(Connect(1, 2)));
    ASSERT_TRUE(a->WaitFor(Has(kConnected, 1)));
    EXPECT_EQ(CtlSources(m_rig), (std::vector<int>{1, 3, 3, 4}));
    EXPECT_EQ(a->Messages(kConnected).at(0), Connected(1, 2));
    ASSERT_TRUE(b->WaitFor(Has(kConnected, 1)));
    EXPECT_EQ(b->Messages(kConnected).at(0), Connected(1, 2));

    // The same Connect again changes nothing, and still gets its Connected, to the sender only.
    ASSERT_TRUE(a->Send(Connect(1, 2)));
    ASSERT_TRUE(a->WaitFor(Has(kConnected, 2)));
    // A route from vantelctl reaches both; an unrouted output reads as source 1023.
    EXPECT_EQ(m_rig.Ctl({"route", "4"}).code, 0);
    ASSERT_TRUE(b->WaitFor(Has(kConnected, 2)));
    EXPECT_EQ(b->Messages(kConnected).at(1), Connected(3, kNoSource));
    a->WaitFor(Has(kConnected, 3));
    EXPECT_EQ(a->Messages(kConnected).size(), 3u);
    EXPECT_EQ(b->Messages(kConnected).size(), 2u);

    // Frames that change nothing: a bad checksum (NAK), another level, a port the device lacks,
    // an unknown command (ACK, and no answer).
    const int acks = a->Count(Kind::kAck);
    a->SendRaw({0x10, 0x02, 0x02, 0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x10, 0x03});
    a->Send({kConnect, 0x01, 0x00, 0x00, 0x00});
    a->Send(Connect(0, 4));
    a->Send({0x70});
    a->Send({kInterrogate, 0x00, 0x00, 0x03});
    ASSERT_TRUE(a->WaitFor(Has(kTally, 2)));
    EXPECT_EQ(a->Messages(kTally).back(), (Bytes{kTally, 0x00, 0x07, 0x03, 0x7F}));
    EXPECT_EQ(a->Count(Kind::kNak), 1);
    EXPECT_EQ(a->Count(Kind::kAck), acks + 4);
    EXPECT_EQ(a->Messages(kConnected).size(), 3u);
    EXPECT_EQ(CtlSources(m_rig), (std::vector<int>{1, 3, 3, 0}));
}

TEST_F(Swp08ProcessTest, ProtectsBelongToTheAddressAndHoldOnEveryFace) {
    auto owner = Open("127.0.0.1");
    auto other = Open("127.0.0.2");
    ASSERT_TRUE(Ready(*owner));
    ASSERT_TRUE(owner->Send(Protect(kProtectConnect, 2)));
    ASSERT_TRUE(owner->WaitFor(Has(kProtectConnected, 1)));
    EXPECT_EQ(owner->Messages(kProtectConnected).at(0), ProtectAnswer(kProtectConnected, true, 2));
    owner->Close();

    // Held after its client left: another address can neither route nor release it, a station
    // is refused, and a text client from the owner's address sees it as its own.
    other->Send(Connect(2, 0));
    other->Send(Protect(kProtectDisconnect, 2));
    other->Send(Protect(kProtectInterrogate, 2));
    ASSERT_TRUE(other->WaitFor(Has(kProtectTally, 2)));
    EXPECT_EQ(other->Messages(kProtectTally),
              (std::vector<Bytes>{ProtectAnswer(kProtectTally, true, 2),
                                  ProtectAnswer(kProtectTally, true, 2)}));
    EXPECT_NE(m_rig.Ctl({"route", "1", "1", "3"}).code, 0);
    TextClient text(m_rig.TextPort());
    ASSERT_TRUE(text.WaitFor([](const TextView& v) { return v.locks.size() == 4; }));
    EXPECT_EQ(text.View().locks.at(2), 'O');  // the text client shares the owner's address
    EXPECT_EQ(CtlSources(m_rig), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_TRUE(other->Messages(kConnected).empty());

    // Another connection from the owner's address routes and releases it.
    auto again = Open("127.0.0.1");
    again->Send(Connect(2, 0));
    again->Send(Protect(kProtectDisconnect, 2));
    ASSERT_TRUE(again->WaitFor(Has(kProtectDisconnected, 1)));
    EXPECT_EQ(again->Messages(kConnected).at(0), Connected(2, 0));
    EXPECT_EQ(again->Messages(kProtectDisconnected).at(0),
              ProtectAnswer(kProtectDisconnected, false, 2));

    // A lock taken on the text face reads as protected.
    EXPECT_EQ(text.Request("VIDEO OUTPUT LOCKS:\n1 O\n\n"), true);
    other->Send(Protect(kProtectInterrogate, 1));
    ASSERT_TRUE(other->WaitFor(Has(kProtectTally, 3)));
    EXPECT_EQ(other->Messages(kProtectTally).back()[1], 1);
}

// Names are the labels every face shares: one set on the text face is in the next answer.
TEST_F(Swp08ProcessTest, NamesFollowALabelSetOnTheTextFace) {
    auto client = Open();
    ASSERT_TRUE(Ready(*client));
    TextClient text(m_rig.TextPort());
    ASSERT_TRUE(text.WaitFor([](const TextView& v) { return v.locks.size() == 4; }));
    ASSERT_EQ(text.Request("INPUT LABELS:\n1 Tape\n\n"), true);
    ASSERT_TRUE(text.WaitFor([](const TextView& v) {
        const auto it = v.inputLabels.find(1);
        return it != v.inputLabels.end() && it->second == "Tape";
    }));
    client->Send({kSourceNamesRequest, 0x00, 0x00});
    ASSERT_TRUE(client->WaitFor(Has(kSourceNames, 1)));
    const Bytes names = client->Messages(kSourceNames).at(0);
    EXPECT_EQ(std::string(names.begin() + 6, names.end()), "Cam Tape3   4   ");
}

TEST_F(Swp08ProcessTest, WhileTheDeviceIsAbsentFramesAreAcknowledgedAndItsReturnIsDumped) {
    auto client = Open();
    client->Send({kTallyDumpRequest, 0x00});
    ASSERT_TRUE(client->WaitFor(Has(kTallyDumpWord, 1), ms(10000)));
    const int port = m_rig.SimPort();
    m_rig.KillSim();
    std::this_thread::sleep_for(ms(500));

    client->Send(Connect(0, 3));
    client->Send({kInterrogate, 0x00, 0x00, 0x00});
    ASSERT_TRUE(client->WaitFor([](const Swp08Client& c) { return c.Count(Kind::kAck) >= 3; }));
    client->Settle(ms(500));
    EXPECT_TRUE(client->Messages(kConnected).empty());
    EXPECT_TRUE(client->Messages(kTally).empty());

    // A fresh device (routing 1:1) on the same port: every client gets the whole routing.
    const std::size_t dumps = client->Messages(kTallyDumpWord).size();
    m_rig.StartSim(port);
    ASSERT_TRUE(client->WaitFor(Has(kTallyDumpWord, dumps + 1), ms(20000)));
    EXPECT_EQ(client->Messages(kTallyDumpWord).back(),
              (Bytes{kTallyDumpWord, 0, 4, 0, 0, 0, 0, 0, 1, 0, 2, 0, 3}));
    EXPECT_TRUE(client->Messages(kConnected).empty());
}

// A controller sends again when its frame is not acknowledged within a second: frames are
// acknowledged while an earlier request waits for a device that does not answer (stopped,
// with a time-out longer than the test waits), and served in order once it answers.
TEST(Swp08Process, FramesAreAcknowledgedWhileARequestWaitsForTheDevice) {
    HubRig rig({"--swp08-listen", "127.0.0.1:0", "--timeout", "8000"});
    Swp08Client client(rig.Swp08Port());
    for (int i = 0; i < 50 && client.Messages(kTally).empty(); ++i) {
        client.Send({kInterrogate, 0x00, 0x00, 0x00});
        client.WaitFor(Has(kTally, 1), ms(200));
    }
    ASSERT_FALSE(client.Messages(kTally).empty());
    const int acks = client.Count(Kind::kAck);
    rig.Sim().Signal(SIGSTOP);
    client.Send(Connect(0, 1));
    ASSERT_TRUE(client.WaitFor([acks](const Swp08Client& c) { return c.Count(Kind::kAck) > acks; },
                               ms(3000)));
    client.Send({kInterrogate, 0x00, 0x00, 0x00});
    const bool acknowledged = client.WaitFor(
        [acks](const Swp08Client& c) { return c.Count(Kind::kAck) >= acks + 2; }, ms(3000));
    rig.Sim().Signal(SIGCONT);
    EXPECT_TRUE(acknowledged);
    ASSERT_TRUE(client.WaitFor(Has(kConnected, 1), ms(20000)));
    EXPECT_EQ(client.Messages(kConnected).at(0), Connected(0, 1));
    // The answer to the interrogate sent while the device was stopped may arrive around the
    // Connected; a fresh one shows the route.
    const Bytes routed{kTally, 0x00, 0x00, 0x00, 0x01};
    client.Send({kInterrogate, 0x00, 0x00, 0x00});
    EXPECT_TRUE(client.WaitFor(
        [&routed](const Swp08Client& c) {
            const auto tallies = c.Messages(kTally);
            return !tallies.empty() && tallies.back() == routed;
        },
        ms(5000)));
}

TEST(Swp08Process, SixtyFourClientsHearEveryChange) {
    HubRig rig({"--swp08-listen", "127.0.0.1:0"});
    std::vector<std::unique_ptr<Swp08Client>> clients;
    for (int i = 0; i < 64; ++i) {
        clients.push_back(std::make_unique<Swp08Client>(rig.Swp08Port()));
        ASSERT_TRUE(clients.back()->Connected());
    }
    for (int i = 0; i < 50 && rig.Ctl({"route", "2", "1"}).code != 0; ++i) {
        std::this_thread::sleep_for(ms(100));
    }
    for (auto& c : clients) {
        ASSERT_TRUE(c->WaitFor(Has(kConnected, 1)));
        EXPECT_EQ(c->Messages(kConnected).at(0), Connected(0, 1));
    }
}

// A 72 x 72 device routed entirely by one burst of 72 Connects: each answered once, and the
// device holds them all.
TEST(Swp08Process, ABurstOf72ConnectsRoutesA72By72Device) {
    HubRig rig({"--swp08-listen", "127.0.0.1:0"}, 72);
    Swp08Client client(rig.Swp08Port());
    ASSERT_TRUE(client.Connected());
    for (int i = 0; i < 50 && client.Messages(kTallyDumpWord).empty(); ++i) {
        client.Send({kTallyDumpRequest, 0x00});
        client.WaitFor(Has(kTallyDumpWord, 1), ms(200));
    }
    Bytes burst;
    std::vector<int> expected(72);
    for (int j = 0; j < 72; ++j) {
        const int input = 71 - j;
        const auto frame = EncodeSwp08(Connect(j, input));
        burst.insert(burst.end(), frame.begin(), frame.end());
        expected[static_cast<std::size_t>(j)] = input + 1;
    }
    ASSERT_TRUE(client.SendRaw(burst));
    ASSERT_TRUE(client.WaitFor(Has(kConnected, 72), ms(30000)));
    client.Settle(ms(300));
    const auto connected = client.Messages(kConnected);
    ASSERT_EQ(connected.size(), 72u);
    for (int j = 0; j < 72; ++j) {
        EXPECT_EQ(connected[static_cast<std::size_t>(j)], Connected(j, 71 - j));
    }
    EXPECT_EQ(CtlSources(rig), expected);
}

}  // namespace
}  // namespace vantel
