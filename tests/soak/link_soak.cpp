// Soak of the device link: a "GUI" thread sends a random mix of switch, scene and setup
// commands while a "monitor" thread polls the live state image every 10 to 20 ms, both on one
// CVexaLib, against vantel-sim on loopback. Every reply is checked against a model of the
// device, so a reply taken for another command shows up as a mismatch. Prints its figures and
// the resident memory after the first minute (a sixth of shorter runs) and at the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "device/simprocess.h"
#include "device/switcher.h"
#include "link/vexalib.h"
#include "soak/devicemirror.h"
#include "soak/processmemory.h"
#include "soak/soakclock.h"

namespace vantel::test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kTimeoutMs = 500;
constexpr std::uint8_t kSentinel = 0xA5;
// Bytes behind a reply that must stay as the caller left them.
constexpr std::size_t kGuard = 32;
// The end's resident memory may lie this much above the first figure (allocator and
// sanitizer bookkeeping settle in steps of a few pages).
constexpr std::uint64_t kRssToleranceKiB = 4096;
// No thread may go this long without a command coming back.
constexpr auto kStallLimit = 10s;

struct Tally {
    std::atomic<long> sent{0};
    std::atomic<long> failed{0};  // came back with a result other than kVexaOk: reported
    std::atomic<long> mismatched{0};
    std::atomic<Clock::rep> lastReturn{Clock::now().time_since_epoch().count()};

    void Returned() { lastReturn = Clock::now().time_since_epoch().count(); }
    Clock::duration SinceReturn() const {
        return Clock::now().time_since_epoch() - Clock::duration(lastReturn.load());
    }
};

void ReportMismatch(Tally& tally, const char* who, unsigned cmd, const char* what) {
    if (tally.mismatched.fetch_add(1) < 10) {
        std::printf("mismatch (%s, cmd %u): %s\n", who, cmd, what);
    }
}

// Whether the reply bytes behind the payload equal `expected` and the guard behind it is
// untouched.
bool ReplyIs(const std::vector<std::uint8_t>& buf, std::size_t len,
             const std::vector<std::uint8_t>& expected) {
    if (!std::equal(expected.begin(), expected.end(), buf.begin() + static_cast<long>(len))) {
        return false;
    }
    const auto guard = buf.begin() + static_cast<long>(len + expected.size());
    return std::all_of(guard, guard + kGuard, [](std::uint8_t b) { return b == kSentinel; });
}

// The GUI side: owns the model of the device, the only writer.
class Operator {
public:
    Operator(CVexaLib& link, DeviceMirror& mirror, Tally& tally, std::uint32_t seed)
        : m_link(link), m_mirror(mirror), m_tally(tally), m_random(seed) {}

    void Step() {
        const auto payload = NextCommand();
        Send(m_cmd, payload);
    }

private:
    std::vector<std::uint8_t> NextCommand() {
        const int pick = Uniform(0, 99);
        const int inputs = m_model.Inputs();
        const int outputs = m_model.Outputs();
        if (pick < 35) {
            m_cmd = 12;
            std::vector<std::uint8_t> p{static_cast<std::uint8_t>(Uniform(0, inputs - 1))};
            for (int j = 0; j < outputs; ++j) {
                if (Uniform(0, 3) == 0) {
                    p.push_back(static_cast<std::uint8_t>(inputs + j));
                }
            }
            return p;
        }
        if (pick < 55) {
            m_cmd = 7;
            return {static_cast<std::uint8_t>(Uniform(0, 11))};
        }
        if (pick < 65) {
            m_cmd = 8;
            return {0, static_cast<std::uint8_t>(Uniform(0, 11))};
        }
        if (pick < 75) {
            m_cmd = 9;
            return {static_cast<std::uint8_t>(Uniform(1, 11)), 0};
        }
        if (pick < 90) {
            m_cmd = 5;
            return {};
        }
        m_cmd = 6;
        auto block = m_model.Setup();
        block[CSwitcher::kBuzzerOffset] ^= 1;
        block[CSwitcher::kAddressOffset + 3] = static_cast<std::uint8_t>(Uniform(2, 254));
        if (Uniform(0, 9) == 0) {  // now and then a new shape: every routing is resized
            block[CSwitcher::kInputCountOffset] = static_cast<std::uint8_t>(Uniform(1, 16));
            block[CSwitcher::kOutputCountOffset] = static_cast<std::uint8_t>(Uniform(1, 16));
        }
        return {block.begin(), block.end()};
    }

    void Send(std::uint8_t cmd, const std::vector<std::uint8_t>& payload) {
        CSwitcher next = m_model;
        const auto expected = next.Handle(cmd, payload);
        const std::uint64_t version =
            expected.changed ? m_mirror.Publish(next.StateImage(0)) : m_mirror.Committed();
        std::vector<std::uint8_t> buf(CVexaLib::kDefaultBufferSize, kSentinel);
        std::copy(payload.begin(), payload.end(), buf.begin());
        ++m_tally.sent;
        const unsigned result = m_link.Command(
            cmd, buf.data(), buf.size(), static_cast<unsigned char>(payload.size()), kTimeoutMs);
        m_tally.Returned();
        if (result != kVexaOk) {
            ++m_tally.failed;
            Resync();
            return;
        }
        if (!ReplyIs(buf, payload.size(), expected.payload)) {
            ReportMismatch(m_tally, "gui", cmd, "reply differs from the model's");
        }
        m_model = std::move(next);
        m_mirror.Commit(version);
    }

    // After a command without reply the device may or may not have carried it out: read its
    // whole state back and continue from that.
    void Resync() {
        while (true) {
            std::vector<std::uint8_t> buf(CVexaLib::kDefaultBufferSize, 0);
            if (m_link.Command(5, buf.data(), buf.size(), 0, kTimeoutMs) != kVexaOk) {
                continue;
            }
            CSwitcher::SetupBlock setup;
            std::copy_n(buf.begin(), setup.size(), setup.begin());
            std::vector<CSwitcher::Routing> routings;
            for (std::uint8_t scene = 0; scene <= CSwitcher::kSceneCount; ++scene) {
                buf[0] = scene;
                if (m_link.Command(7, buf.data(), buf.size(), 1, kTimeoutMs) != kVexaOk) {
                    break;
                }
                const int inputs = buf[1 + 5];
                const int outputs = buf[1 + 6];
                const auto first = buf.begin() + 1 + 7 + inputs;
                routings.emplace_back(first, first + outputs);
            }
            m_tally.Returned();
            if (auto device = CSwitcher::FromParts(setup, routings)) {
                m_model = std::move(*device);
                m_mirror.Commit(m_mirror.Publish(m_model.StateImage(0)));
                return;
            }
        }
    }

    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_random); }

    CVexaLib& m_link;
    DeviceMirror& m_mirror;
    Tally& m_tally;
    std::mt19937 m_random;
    CSwitcher m_model{8, 8};
    std::uint8_t m_cmd = 0;
};

// The monitor side: polls the live image and checks it is one the device can have held.
void PollOnce(CVexaLib& link, const DeviceMirror& mirror, Tally& tally) {
    std::vector<std::uint8_t> buf(CVexaLib::kDefaultBufferSize, kSentinel);
    buf[0] = 0;
    const std::uint64_t lo = mirror.Committed();
    ++tally.sent;
    const unsigned result = link.Command(7, buf.data(), buf.size(), 1, kTimeoutMs);
    tally.Returned();
    const std::uint64_t hi = mirror.Published();
    if (result != kVexaOk) {
        ++tally.failed;
        return;
    }
    DeviceMirror::Image image;
    std::copy_n(buf.begin() + 1, image.size(), image.begin());
    const bool guardKept = std::all_of(buf.begin() + 1 + 508, buf.begin() + 1 + 508 + kGuard,
                                       [](std::uint8_t b) { return b == kSentinel; });
    if (!guardKept || !mirror.Seen(image, lo, hi)) {
        ReportMismatch(tally, "monitor", 7, "an image the device never held in that time");
    }
}

void PrintFigure(const char* name, long long value, const char* unit = "") {
    std::printf("%s: %lld%s%s\n", name, value, *unit ? " " : "", unit);
}

TEST(LinkSoak, TwoThreadsOnOneLinkGetOnlyTheirOwnReplies) {
    const SoakClock clock = SoakClock::FromEnvironment();
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--listen", "127.0.0.1:0"}));
    ASSERT_NE(sim.TcpPort(), 0) << sim.Stderr();

    CVexaLib link;
    ASSERT_NE(link.Open(("127.0.0.1:" + std::to_string(sim.TcpPort())).c_str()), 0);
    DeviceMirror mirror(CSwitcher(8, 8).StateImage(0));
    Tally gui;
    Tally monitor;
    std::atomic<bool> stop{false};

    std::thread guiThread([&] {
        Operator op(link, mirror, gui, 20240611);
        std::mt19937 pause(7);
        while (!stop) {
            op.Step();
            std::this_thread::sleep_for(std::chrono::milliseconds(pause() % 5));
        }
    });
    std::thread monitorThread([&] {
        std::mt19937 pause(11);
        while (!stop) {
            PollOnce(link, mirror, monitor);
            std::this_thread::sleep_for(std::chrono::milliseconds(10 + pause() % 11));
        }
    });

    const auto start = Clock::now();
    std::uint64_t rssFirst = 0;
    bool stalled = false;
    while (Clock::now() - start < clock.total && !stalled) {
        std::this_thread::sleep_for(100ms);
        if (rssFirst == 0 && Clock::now() - start >= clock.firstMark) {
            rssFirst = ResidentKiB();
        }
        stalled = gui.SinceReturn() > kStallLimit || monitor.SinceReturn() > kStallLimit;
    }
    const std::uint64_t rssEnd = ResidentKiB();
    stop = true;
    guiThread.join();
    monitorThread.join();

    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start);
    PrintFigure("soak_seconds", seconds.count(), "s");
    PrintFigure("soak_gui_commands", gui.sent);
    PrintFigure("soak_gui_reported_failures", gui.failed);
    PrintFigure("soak_monitor_polls", monitor.sent);
    PrintFigure("soak_monitor_reported_failures", monitor.failed);
    PrintFigure("soak_mismatched_replies", gui.mismatched + monitor.mismatched);
    PrintFigure("soak_link_sent", link.GetSendCount());
    PrintFigure("soak_link_received", link.GetRecvCount());
    PrintFigure("soak_link_dropped", link.GetDroppedCount());
    PrintFigure("soak_rss_first_kib", static_cast<long long>(rssFirst), "KiB");
    PrintFigure("soak_rss_end_kib", static_cast<long long>(rssEnd), "KiB");
    PrintFigure("soak_rss_tolerance_kib", static_cast<long long>(kRssToleranceKiB), "KiB");
    std::fflush(stdout);

    EXPECT_FALSE(stalled) << "a command did not come back within " << kStallLimit.count() << " s";
    EXPECT_EQ(gui.mismatched + monitor.mismatched, 0);
    EXPECT_GT(gui.sent, 0);
    EXPECT_GT(monitor.sent, 0);
    // Without faults a frame is dropped only as the late reply of a command that timed out.
    EXPECT_LE(link.GetDroppedCount(), gui.failed + monitor.failed);
    ASSERT_NE(rssFirst, 0u);
    EXPECT_LE(rssEnd, rssFirst + kRssToleranceKiB);
}

}  // namespace
}  // namespace vantel::test
