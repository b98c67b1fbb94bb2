// vantel-hub at its limits: the client cap of each face, the file descriptor limit of the
// process (with the device link reconnecting meanwhile), and a device that stops answering
// while an output is locked.
#include <gtest/gtest.h>
#include <poll.h>

#include <thread>

#include "hub/s101codec.h"
#include "hub/swp08framing.h"
#include "hubrig.h"
#include "link/frame.h"
#include "loopbackclient.h"
#include "textclient.h"

namespace vantel {
namespace {

using ms = std::chrono::milliseconds;

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

bool HasState(TextClient& client) {
    return client.WaitFor([](const TextView& v) { return v.present == true; });
}

// A station as a raw socket: frames out, frames in.
class RawStation {
public:
    explicit RawStation(int port) : m_client(port) {}
    bool Connected() const { return m_client.Connected(); }
    bool Send(const Frame& frame) {
        const auto bytes = EncodeFrame(frame);
        return m_client.Send(std::string(bytes.begin(), bytes.end()));
    }
    // The next frame within the timeout; nothing when none came or the hub closed.
    std::optional<Frame> Receive(ms timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (auto frame = m_decoder.Next()) {
                return frame;
            }
            const auto left =
                std::chrono::duration_cast<ms>(deadline - std::chrono::steady_clock::now());
            pollfd p{m_client.Fd(), POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
                return std::nullopt;
            }
            std::uint8_t chunk[8192];
            const ssize_t n = ::recv(m_client.Fd(), chunk, sizeof chunk, 0);
            if (n <= 0) {
                m_closed = n == 0;
                return std::nullopt;
            }
            m_decoder.Feed(chunk, static_cast<std::size_t>(n));
        }
    }
    bool Closed() const { return m_closed; }

private:
    TextClient m_client;
    FrameDecoder m_decoder;
    bool m_closed = false;
};

TEST(HubLimits, EachFaceServesAtMostItsCapAndTellsTheNextOne) {
    HubRig rig({"--max-clients", "2"});
    std::vector<std::unique_ptr<TextClient>> texts;
    for (int i = 0; i < 2; ++i) {
        texts.push_back(std::make_unique<TextClient>(rig.TextPort()));
        ASSERT_TRUE(HasState(*texts.back())) << i;
    }
    TextClient third(rig.TextPort());
    EXPECT_TRUE(third.WaitFor([](const TextView& v) { return v.closed; }));
    ASSERT_EQ(third.View().others.size(), 1u);
    EXPECT_NE(third.View().others[0].find("Too many clients"), std::string::npos);
    EXPECT_FALSE(third.View().present.has_value()) << "no state for a refused client";

    std::vector<std::unique_ptr<RawStation>> stations;
    const int port = std::stoi(rig.Station().substr(rig.Station().rfind(':') + 1));
    for (int i = 0; i < 3; ++i) {
        stations.push_back(std::make_unique<RawStation>(port));
        ASSERT_TRUE(stations.back()->Send(Frame{1, 7, 0, {0}}));
        const auto reply = stations.back()->Receive(ms(3000));
        EXPECT_EQ(reply.has_value(), i < 2) << i;
    }
    EXPECT_TRUE(stations[2]->Closed());

    // A place that frees up is taken by the next client.
    texts[0]->Close();
    std::this_thread::sleep_for(ms(200));
    TextClient next(rig.TextPort());
    EXPECT_TRUE(HasState(next));

    rig.Hub().Signal(SIGTERM);
    EXPECT_EQ(rig.Hub().Wait(ms(5000)), 0);
    EXPECT_NE(rig.Hub().Err().find("text face full (2 clients): refused 127.0.0.1:"),
              std::string::npos)
        << rig.Hub().Err();
    EXPECT_NE(rig.Hub().Err().find("station face full (2 clients)"), std::string::npos);
}

// What arrives within the timeout until at least `size` bytes came.
std::string ReceiveAtLeast(CLoopbackClient& client, std::size_t size, ms timeout) {
    const auto deadline = CLoopbackClient::Clock::now() + timeout;
    std::string got;
    while (got.size() < size) {
        const auto bytes = client.Receive(deadline);
        if (!bytes) {
            break;
        }
        got += *bytes;
    }
    return got;
}

// The binary faces are accepted through the same cap as the others: one client over it is
// closed unanswered and logged, while the one within it goes on being served.
TEST(HubLimits, TheSwp08AndEmberFacesServeAtMostTheCap) {
    HubRig rig({"--max-clients", "1", "--swp08-listen", "127.0.0.1:0", "--ember-listen",
                "127.0.0.1:0"});
    const std::uint8_t dualStatus[] = {0x08};
    const auto swp08Frame = EncodeSwp08(dualStatus);
    struct Face {
        const char* name;
        int port;
        std::string hello;   // a request the face answers at once
        std::string answer;  // how its answer starts
    };
    const Face faces[] = {
        {"swp08", rig.Swp08Port(), std::string(swp08Frame.begin(), swp08Frame.end()),
         std::string("\x10\x06", 2)},
        {"ember", rig.EmberPort(), S101KeepAliveRequest(), S101KeepAliveResponse()},
    };
    {
        // A face's client connected before the hub found the device would first be told the
        // device's arrival (an SW-P-08 tally dump) instead of its answer.
        TextClient probe(rig.TextPort());
        ASSERT_TRUE(probe.WaitFor([](const TextView& v) { return v.present == true; }, ms(15000)));
    }
    for (const auto& face : faces) {
        SCOPED_TRACE(face.name);
        CLoopbackClient first(face.port);
        ASSERT_TRUE(first.Connected());
        ASSERT_TRUE(first.Send(face.hello));
        EXPECT_EQ(ReceiveAtLeast(first, face.answer.size(), ms(3000)).substr(0, face.answer.size()),
                  face.answer);

        // The rest of the answer (SW-P-08 sends its message after the ACK) is not read as the
        // next one.
        ReceiveAtLeast(first, std::string::npos, ms(300));

        CLoopbackClient second(face.port);
        const std::string heard = ReceiveAtLeast(second, 1, ms(3000));
        EXPECT_TRUE(heard.empty()) << "nothing for a refused client";
        EXPECT_TRUE(second.PeerClosed()) << "the client over the cap is closed";

        ASSERT_TRUE(first.Send(face.hello));
        EXPECT_EQ(ReceiveAtLeast(first, face.answer.size(), ms(3000)).substr(0, face.answer.size()),
                  face.answer)
            << "the client within the cap is still served";
    }

    rig.Hub().Signal(SIGTERM);
    EXPECT_EQ(rig.Hub().Wait(ms(5000)), 0);
    EXPECT_NE(rig.Hub().Err().find("swp08 face full (1 clients): refused 127.0.0.1:"),
              std::string::npos)
        << rig.Hub().Err();
    EXPECT_NE(rig.Hub().Err().find("ember face full (1 clients): refused 127.0.0.1:"),
              std::string::npos)
        << rig.Hub().Err();
}

// With 64 descriptors and 100 clients the hub cannot accept them all: it pauses accepting
// (a few log lines, not a storm), the device link that must reconnect meanwhile fails its
// attempts without crashing, and once clients leave everything comes back.
TEST(HubLimits, TheDescriptorLimitPausesAcceptingAndTheLinkTriesAgain) {
#ifndef VANTEL_PRLIMIT
    GTEST_SKIP() << "prlimit not found";
#else
    HubRig rig({}, {VANTEL_PRLIMIT, "--nofile=64:64", "--"});
    std::vector<std::unique_ptr<TextClient>> idle;
    for (int i = 0; i < 100; ++i) {
        idle.push_back(std::make_unique<TextClient>(rig.TextPort()));
    }
    const int simPort = rig.SimPort();
    rig.KillSim();
    rig.StartSim(simPort);
    std::this_thread::sleep_for(ms(4000));

    idle.clear();
    TextClient late(rig.TextPort());
    EXPECT_TRUE(late.WaitFor([](const TextView& v) { return v.present == true; }, ms(15000)));

    rig.Hub().Signal(SIGTERM);
    EXPECT_EQ(rig.Hub().Wait(ms(5000)), 0) << rig.Hub().Err().substr(0, 2000);
    const std::string& log = rig.Hub().Err();
    EXPECT_GE(Count(log, "cannot accept connections"), 1u) << log.substr(0, 2000);
    EXPECT_LE(Count(log, "cannot accept connections"), 3u) << "logged once per period";
    EXPECT_NE(log.find("the limit on open files is 64"), std::string::npos);
#endif
}

// The device stops answering just as a station asks to change a locked output: the hub
// cannot check the lock, so it neither forwards the change nor claims it done.
TEST(HubLimits, ALockCheckThatCannotBeMadeNeverForwards) {
    HubRig rig;
    TextClient owner(rig.TextPort());
    ASSERT_TRUE(HasState(owner));
    ASSERT_EQ(owner.Request("VIDEO OUTPUT LOCKS:\n3 O\n\n"), true);
    const int port = std::stoi(rig.Station().substr(rig.Station().rfind(':') + 1));
    for (int attempt = 0; attempt < 3; ++attempt) {
        RawStation station(port);
        rig.Sim().Signal(SIGSTOP);
        // Input 2 to output 3 (port 4 + 3 of a 4 x 4 device).
        ASSERT_TRUE(station.Send(Frame{9, 12, 0, {2, 7}}));
        std::this_thread::sleep_for(ms(800));
        rig.Sim().Signal(SIGCONT);
        const auto reply = station.Receive(ms(1500));
        EXPECT_TRUE(!reply || reply->status != 0) << attempt;
        EXPECT_TRUE(owner.WaitFor([](const TextView& v) { return v.present == true; }));
        ASSERT_EQ(owner.Request("VIDEO OUTPUT ROUTING:\n\n"), true);
        EXPECT_EQ(owner.View().routes.at(3), 3) << attempt << ": the locked output changed";
    }
}

}  // namespace
}  // namespace vantel
