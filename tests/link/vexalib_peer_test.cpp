// The link against a scripted peer: replies that come late, for the wrong command or damaged
// on the way, and waits woken from another thread.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <set>
#include <thread>

#include "scriptedpeer.h"

namespace vantel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// A command code the protocol does not define: its reply data is delivered as it comes, so
// these tests can tell each reply by its content.
constexpr std::uint8_t kEcho = 0x42;

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

// Echoes the request payload with its bytes incremented, so a caller can tell its own reply.
Bytes Answer(const Frame& request) {
    Bytes payload = request.payload;
    for (auto& b : payload) {
        ++b;
    }
    return payload;
}

class LinkToPeer : public ::testing::Test {
protected:
    void Start(ScriptedPeer::Script script, Bytes greeting = {}) {
        peer = std::make_unique<ScriptedPeer>(std::move(script), std::move(greeting));
        link.SetTransportFactory(peer->Factory());
        ASSERT_NE(link.Open("127.0.0.1"), 0);
    }

    // Sends one byte and expects it back incremented.
    unsigned Ask(std::uint8_t value, int timeout = 500) {
        std::uint8_t buf[4096] = {value};
        const unsigned result = link.Command(kEcho, buf, 1, timeout);
        if (result == kVexaOk) {
            EXPECT_EQ(buf[1], static_cast<std::uint8_t>(value + 1)) << "reply of another request";
        }
        return result;
    }

    std::unique_ptr<ScriptedPeer> peer;
    CVexaLib link;  // declared last: closed before the peer stops
};

TEST_F(LinkToPeer, LateReplyIsDroppedNotHandedToTheNextCaller) {
    Start([](const Frame& request) {
        // The first request is answered only after its caller gave up.
        const auto delay = request.payload[0] == 1 ? 150ms : 0ms;
        return ScriptedPeer::Answer{ScriptedPeer::Reply(request, 0, Answer(request)), delay};
    });
    EXPECT_EQ(Ask(1, 50), kVexaTimeout);
    std::this_thread::sleep_for(200ms);  // the late reply has arrived by now
    EXPECT_EQ(Ask(2), kVexaOk);
    EXPECT_EQ(Ask(3), kVexaOk);
    EXPECT_EQ(link.GetDroppedCount(), 1);
    EXPECT_EQ(link.GetRecvCount(), 2);
    EXPECT_EQ(link.GetSendCount(), 3);
}

TEST_F(LinkToPeer, LateReplyArrivingDuringTheNextCommandIsDropped) {
    Start([](const Frame& request) {
        const auto delay = request.payload[0] == 1 ? 100ms : 0ms;
        return ScriptedPeer::Answer{ScriptedPeer::Reply(request, 0, Answer(request)), delay};
    });
    EXPECT_EQ(Ask(1, 20), kVexaTimeout);
    // Sent while the peer still sleeps over the first request: its reply comes first.
    EXPECT_EQ(Ask(2), kVexaOk);
    EXPECT_EQ(link.GetDroppedCount(), 1);
}

// Stale replies to an echo for every sequence number, each carrying data that no request of
// these tests asks for: whatever number the link uses next, one of them would match it.
Bytes StaleRepliesForEverySeq() {
    Bytes out;
    for (int seq = 0; seq < 256; ++seq) {
        const Bytes frame = EncodeFrame(Frame{static_cast<std::uint8_t>(seq), kEcho, 0, {0x99}});
        out.insert(out.end(), frame.begin(), frame.end());
    }
    return out;
}

TEST_F(LinkToPeer, InputWaitingBeforeARequestIsNeverTakenForItsReply) {
    const Bytes stale = StaleRepliesForEverySeq();
    struct Case {
        const char* name;
        Bytes atOpen;      // waiting on the line when the link opens
        Bytes afterFirst;  // sent right behind the reply to the first request
    };
    const std::vector<Case> cases = {
        {"waiting when the port opens", stale, {}},
        {"behind the previous reply", {}, stale},
    };
    for (const Case& c : cases) {
        const int dropped = link.GetDroppedCount();
        Start(
            [&c](const Frame& request) {
                Bytes bytes = ScriptedPeer::Reply(request, 0, Answer(request));
                if (request.payload[0] == 1) {
                    bytes.insert(bytes.end(), c.afterFirst.begin(), c.afterFirst.end());
                }
                return ScriptedPeer::Answer{bytes, 0ms};
            },
            c.atOpen);
        EXPECT_EQ(Ask(1), kVexaOk) << c.name;
        EXPECT_EQ(Ask(2), kVexaOk) << c.name;
        EXPECT_EQ(link.GetDroppedCount() - dropped, 256) << c.name;
    }
}

TEST(LinkSequence, EachLinkStartsAtItsOwnNumber) {
    // Two runs of a program on one line must not number their requests alike, or a late reply
    // to the first run matches a request of the second.
    std::set<int> first;
    for (int run = 0; run < 8; ++run) {
        std::atomic<int> seq{-1};
        ScriptedPeer peer([&seq](const Frame& request) {
            int none = -1;
            seq.compare_exchange_strong(none, request.seq);
            return ScriptedPeer::Answer{ScriptedPeer::Reply(request, 0, Answer(request)), 0ms};
        });
        CVexaLib link;
        link.SetTransportFactory(peer.Factory());
        ASSERT_NE(link.Open("127.0.0.1"), 0);
        std::uint8_t buf[4096] = {1};
        EXPECT_EQ(link.Command(kEcho, buf, 1, 500), kVexaOk);
        first.insert(seq.load());
    }
    EXPECT_GT(first.size(), 1u);
}

TEST_F(LinkToPeer, ASuccessWithDataOfTheWrongLengthIsUnusable) {
    struct Case {
        std::uint8_t cmd;
        Bytes payload;
        std::size_t replyLength;
    };
    const std::vector<Case> cases = {
        {7, {0}, 10}, {7, {0}, 507},  {7, {0}, 509},  {5, {}, 6},      {5, {}, 39},
        {5, {}, 41},  {8, {0, 1}, 1}, {9, {1, 0}, 2}, {12, {0, 8}, 1}, {6, Bytes(40, 0xAA), 1},
    };
    for (const Case& c : cases) {
        Start([&c](const Frame& request) {
            return ScriptedPeer::Answer{ScriptedPeer::Reply(request, 0, Bytes(c.replyLength, 0x5A)),
                                        0ms};
        });
        const std::string name =
            "command " + std::to_string(c.cmd) + ", " + std::to_string(c.replyLength) + " bytes";
        Bytes buf(4096, 0xEE);
        std::copy(c.payload.begin(), c.payload.end(), buf.begin());
        const Bytes before = buf;
        const int received = link.GetRecvCount();
        EXPECT_EQ(link.Command(c.cmd, buf.data(), buf.size(),
                               static_cast<unsigned char>(c.payload.size()), 500),
                  kVexaBadReply)
            << name;
        EXPECT_EQ(buf, before) << name << ": nothing written from an unusable reply";
        EXPECT_EQ(link.GetRecvCount() - received, 1) << name << ": the reply did match";
        if (c.cmd == 6) {
            EXPECT_EQ(link.Command(c.cmd, buf.data(), static_cast<unsigned char>(40), 500),
                      kVexaBadReply)
                << name << ", the form without a capacity";
            EXPECT_EQ(buf, before) << name;
        }
    }
}

TEST_F(LinkToPeer, TheTimeoutCountsFromTheRequestNotFromTheCallersArrival) {
    // A device that answers in 300 ms; a second command comes in while the first is in flight
    // and must still get its whole 500 ms once its own request is on the wire.
    Start([](const Frame& request) {
        return ScriptedPeer::Answer{ScriptedPeer::Reply(request, 0, Answer(request)), 300ms};
    });
    auto first = std::async(std::launch::async, [this] { return Ask(1); });
    while (peer->Requests() == 0) {
        std::this_thread::sleep_for(1ms);
    }
    auto second = std::async(std::launch::async, [this] { return Ask(2); });
    EXPECT_EQ(first.get(), kVexaOk);
    EXPECT_EQ(second.get(), kVexaOk);
}

TEST_F(LinkToPeer, FindsItsReplyInDamagedStreams) {
    struct Case {
        const char* name;
        std::function<Bytes(const Frame&, const Bytes& good)> stream;
        int dropped;
    };
    const std::vector<Case> cases = {
        {"garbage before",
         [](const Frame&, const Bytes& good) {
             return Cat({{1, 0x56, 9}, good});
         },
         0},
        {"wrong command",
         [](const Frame& r, const Bytes& good) {
             return Cat({EncodeFrame(Frame{r.seq, 8, 0, Answer(r)}), good});
         },
         1},
        {"wrong sequence",
         [](const Frame& r, const Bytes& good) {
             return Cat(
                 {EncodeFrame(Frame{static_cast<std::uint8_t>(r.seq - 1), r.cmd, 0, {9}}), good});
         },
         1},
        {"bad crc",
         [](const Frame&, const Bytes& good) {
             Bytes bad = good;
             bad.back() ^= 0xFF;
             return Cat({bad, good});
         },
         1},
        {"cut frame",
         [](const Frame&, const Bytes& good) {
             return Cat({Bytes(good.begin(), good.begin() + 8), good});
         },
         1},
        {"stray mark claiming a long frame",
         [](const Frame&, const Bytes& good) {
             return Cat({{0x56, 0x54, 1, 2, 3, 0, 2}, good});
         },
         1},
    };
    for (const Case& c : cases) {
        Start([&c](const Frame& request) {
            const Bytes good = ScriptedPeer::Reply(request, 0, Answer(request));
            return ScriptedPeer::Answer{c.stream(request, good), 0ms};
        });
        const int dropped = link.GetDroppedCount();
        EXPECT_EQ(Ask(42), kVexaOk) << c.name;
        EXPECT_EQ(link.GetDroppedCount() - dropped, c.dropped) << c.name;
    }
}

TEST_F(LinkToPeer, OnlyACompleteMatchingReplyCounts) {
    struct Case {
        const char* name;
        std::function<Bytes(const Frame&)> stream;
        unsigned result;
    };
    const std::vector<Case> cases = {
        {"no answer", [](const Frame&) { return Bytes{}; }, kVexaTimeout},
        {"cut reply",
         [](const Frame& r) {
             Bytes good = ScriptedPeer::Reply(r, 0, Answer(r));
             good.pop_back();
             return good;
         },
         kVexaTimeout},
        {"only a bad crc",
         [](const Frame& r) {
             Bytes bad = ScriptedPeer::Reply(r, 0, Answer(r));
             bad[7] ^= 0x10;
             return bad;
         },
         kVexaTimeout},
        {"refused", [](const Frame& r) { return ScriptedPeer::Reply(r, kStatusOutOfRange, {}); },
         kVexaRefused},
        {"refused with data",
         [](const Frame& r) {
             return ScriptedPeer::Reply(r, kStatusBadLength, {7, 7});
         },
         kVexaRefused},
    };
    for (const Case& c : cases) {
        Start([&c](const Frame& request) { return ScriptedPeer::Answer{c.stream(request), 0ms}; });
        std::uint8_t buf[4096] = {5};
        buf[1] = 0xEE;
        EXPECT_EQ(link.Command(kEcho, buf, 1, 60), c.result) << c.name;
        EXPECT_EQ(buf[1], 0xEE) << c.name << ": nothing written without a usable reply";
    }
}

TEST_F(LinkToPeer, CancelPendingWakesAWaitingCommand) {
    Start([](const Frame&) { return ScriptedPeer::Answer{}; });  // never answers
    auto waiting = std::async(std::launch::async, [this] {
        std::uint8_t buf[4096] = {0};
        const auto start = std::chrono::steady_clock::now();
        const unsigned result = link.Command(kEcho, buf, 1, 5000);
        return std::make_pair(result, std::chrono::steady_clock::now() - start);
    });
    while (peer->Requests() == 0) {
        std::this_thread::sleep_for(1ms);
    }
    link.CancelPending();
    const auto [result, took] = waiting.get();
    EXPECT_EQ(result, kVexaClosed);
    EXPECT_LT(took, 2s);
    // The link stays usable.
    EXPECT_EQ(link.IsOpen(), 1);
    EXPECT_EQ(Ask(1, 50), kVexaTimeout);
}

TEST_F(LinkToPeer, OpenWhileACommandWaitsSwitchesPortsSafely) {
    std::atomic<bool> silent{true};
    Start([&silent](const Frame& request) {
        if (silent.load()) {
            return ScriptedPeer::Answer{};
        }
        return ScriptedPeer::Answer{ScriptedPeer::Reply(request, 0, Answer(request)), 0ms};
    });
    auto waiting = std::async(std::launch::async, [this] {
        std::uint8_t buf[4096] = {0};
        return link.Command(kEcho, buf, 1, 5000);
    });
    while (peer->Requests() == 0) {
        std::this_thread::sleep_for(1ms);
    }
    silent.store(false);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(link.Open("127.0.0.2"), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(waiting.get(), kVexaClosed);
    EXPECT_EQ(Ask(9), kVexaOk);
}

TEST_F(LinkToPeer, OpenIsNotHeldUpByAPollingThread) {
    Start([](const Frame&) { return ScriptedPeer::Answer{}; });  // never answers
    std::atomic<bool> stop{false};
    std::thread poller([&] {
        std::uint8_t buf[4096] = {0};
        while (!stop.load()) {
            link.Command(kEcho, buf, 1, 500);  // back to back, as a poll loop under load
        }
    });
    for (int i = 0; i < 5; ++i) {
        const int seen = peer->Requests();
        while (peer->Requests() == seen) {
            std::this_thread::sleep_for(1ms);
        }
        const auto start = std::chrono::steady_clock::now();
        EXPECT_NE(link.Open("127.0.0.1"), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 300ms) << i;
    }
    stop.store(true);
    link.CancelPending();
    poller.join();
}

TEST_F(LinkToPeer, TwoThreadsEachGetTheirOwnReplies) {
    Start([](const Frame& request) {
        return ScriptedPeer::Answer{ScriptedPeer::Reply(request, 0, Answer(request)), 0ms};
    });
    constexpr int kRounds = 3000;
    auto worker = [this](std::uint8_t tag) {
        int mismatches = 0;
        for (int i = 0; i < kRounds; ++i) {
            std::uint8_t buf[4096] = {tag, static_cast<std::uint8_t>(i), 0};
            if (link.Command(kEcho, buf, 3, 1000) != kVexaOk || buf[3] != tag + 1 ||
                buf[4] != static_cast<std::uint8_t>(i + 1)) {
                ++mismatches;
            }
        }
        return mismatches;
    };
    auto a = std::async(std::launch::async, worker, std::uint8_t{10});
    auto b = std::async(std::launch::async, worker, std::uint8_t{20});
    EXPECT_EQ(a.get(), 0);
    EXPECT_EQ(b.get(), 0);
    EXPECT_EQ(link.GetSendCount(), 2 * kRounds);
    EXPECT_EQ(link.GetRecvCount(), 2 * kRounds);
    EXPECT_EQ(link.GetDroppedCount(), 0);
}

TEST_F(LinkToPeer, PeerThatHangsUpLosesTheConnection) {
    Start([](const Frame&) { return ScriptedPeer::Answer{}; });
    peer->Stop();
    peer.reset();  // closes the far end
    std::uint8_t buf[4096] = {0};
    EXPECT_EQ(link.Command(kEcho, buf, 1, 200), kVexaConnectionLost);
}

}  // namespace
}  // namespace vantel
