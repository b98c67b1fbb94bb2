// The status monitor against the device model: images handed to the pages, the lamps, the
// rhythm of its passes, and its end when the window is destroyed.

#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "link/frame.h"
#include "maindlgfixture.h"

namespace vantel::test {
namespace {

constexpr int kRed = 0;
constexpr int kGreen = 1;
constexpr int kLit = 0;
constexpr int kDim = 1;
constexpr int kPollMs = 8000;  // generous bound for one 2-second poll period

// What the lamps showed while being watched.
struct LampTrace {
    bool commandLit = false;
    bool respondLit = false;
    bool connectLit = false;
    bool connectDim = false;
    bool statusGreen = false;
    bool statusRed = false;
    bool timedOut = false;
};

// Samples the lamps every few milliseconds, serving events, until done() holds, then for
// afterMs more.
template <class Done>
LampTrace Watch(CVantelDlg& d, Done done, int afterMs) {
    LampTrace t;
    QElapsedTimer clock;
    clock.start();
    qint64 doneAt = -1;
    while (doneAt < 0 || clock.elapsed() - doneAt < afterMs) {
        QCoreApplication::processEvents();
        t.commandLit |= d.m_ledCommand.GetLight() == kLit;
        t.respondLit |= d.m_ledRespond.GetLight() == kLit;
        t.connectLit |= d.m_ledConnect.GetLight() == kLit;
        t.connectDim |= d.m_ledConnect.GetLight() == kDim;
        t.statusGreen |= d.m_ledStatus.GetColor() == kGreen;
        t.statusRed |= d.m_ledStatus.GetColor() == kRed;
        if (doneAt < 0 && done()) {
            doneAt = clock.elapsed();
        }
        if (doneAt < 0 && clock.elapsed() > kPollMs) {
            t.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return t;
}

// Counts paint events of every widget but the lamps.
class NonLampPaints : public QObject {
public:
    NonLampPaints() { qApp->installEventFilter(this); }
    ~NonLampPaints() override { qApp->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint && qobject_cast<CLedRect*>(o) == nullptr) {
            ++count;
        }
        return false;
    }
};

bool SameAs(const std::array<unsigned char, 508>& copy, const CSwitcher::Image& image) {
    return std::equal(copy.begin(), copy.end(), image.begin(), image.end());
}

using Clock = std::chrono::steady_clock;

// Set once a thread that attached it has ended: a thread's own storage is destroyed only when
// the thread finishes, after its body has returned.
class ThreadEndWatch {
public:
    // Called on the thread to watch; later calls on that thread change nothing.
    void Attach() {
        thread_local Sentinel sentinel;
        if (!sentinel.ended) {
            sentinel.ended = m_ended;
        }
    }
    bool Ended() const { return m_ended->load(); }

private:
    struct Sentinel {
        std::shared_ptr<std::atomic<bool>> ended;
        ~Sentinel() {
            if (ended) {
                ended->store(true);
            }
        }
    };
    std::shared_ptr<std::atomic<bool>> m_ended = std::make_shared<std::atomic<bool>>(false);
};

// A device that answers every request, the image request with an image the test sets (marked
// or not), and notes when each request arrived. The link writes on the thread that sends, so
// the device sees the monitor's worker as its sender.
class ImageDevice {
public:
    CVexaLib::TransportFactory Factory() {
        return m_ports.Factory(
            [this](const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& reply) {
                std::lock_guard lock(m_mutex);
                m_sender.Attach();
                m_decoder.Feed(data, size);
                while (std::optional<Frame> request = m_decoder.Next()) {
                    m_arrivals.push_back(Clock::now());
                    if (m_bSilent) {
                        continue;
                    }
                    const bool image = request->cmd == 7;
                    AppendFrame(reply, request->seq, request->cmd, 0,
                                image ? m_image.data() : nullptr, image ? m_image.size() : 0);
                }
            });
    }

    void SetImage(const CSwitcher::Image& image) {
        std::lock_guard lock(m_mutex);
        m_image = image;
    }
    void SetSilent(bool silent) {
        std::lock_guard lock(m_mutex);
        m_bSilent = silent;
    }
    std::vector<Clock::time_point> Arrivals() {
        std::lock_guard lock(m_mutex);
        return m_arrivals;
    }
    int Requests() { return static_cast<int>(Arrivals().size()); }
    // Whether a thread that sent to the device has ended (here only the monitor's worker sends).
    bool SenderEnded() const { return m_sender.Ended(); }

private:
    PortRecorder m_ports;
    std::mutex m_mutex;
    FrameDecoder m_decoder;
    CSwitcher::Image m_image = CSwitcher(8, 8).StateImage(0);
    bool m_bSilent = false;
    std::vector<Clock::time_point> m_arrivals;
    ThreadEndWatch m_sender;
};

// The main window on an ImageDevice; the count of images handed to the pages.
class MonitorTest : public MainWindowTest {
protected:
    ~MonitorTest() override { dlg.reset(); }

    CVantelDlg& StartOnDevice() { return StartOn(device); }
    CVantelDlg& StartOn(ImageDevice& on) {
        WriteIni("[setup]\nmode=1\nip=127.0.0.1\n");
        handed = 0;
        // Connected before the first poll's image can reach the GUI thread.
        dlg = std::make_unique<CVantelDlg>();
        QObject::connect(dlg.get(), &CVantelDlg::imageHandedOver, [this] { ++handed; });
        dlg->m_link.SetTransportFactory(on.Factory());
        dlg->Create();
        return *dlg;
    }

    // A new run of the window polls at once: its first reply turns Status green; the image it
    // brought, if any, is handed over on the GUI thread right after.
    bool FirstPollHandsOver(const CSwitcher::Image& image) {
        device.SetImage(image);
        CVantelDlg& d = StartOnDevice();
        const bool answered =
            QTest::qWaitFor([&] { return d.m_ledStatus.GetColor() == kGreen; }, kPollMs);
        QCoreApplication::processEvents();
        const bool handedOver = handed == 1;
        dlg.reset();
        EXPECT_TRUE(answered);
        return answered && handedOver;
    }

    ImageDevice device;
    int handed = 0;
};

// The image with every bit of one byte inverted.
CSwitcher::Image Flipped(CSwitcher::Image image, std::size_t offset) {
    image[offset] ^= 0xFF;
    return image;
}

TEST_F(MainDlgTest, HandsOnTheFirstImageThenOnlyChangedOnes) {
    WriteIni("[setup]\nmode=1\nip=127.0.0.1\n");
    int handed = 0;
    CVantelDlg& d = *(dlg = std::make_unique<CVantelDlg>());
    QObject::connect(&d, &CVantelDlg::imageHandedOver, [&] { ++handed; });
    d.m_link.SetTransportFactory(sim.Factory());
    d.Create();

    ASSERT_TRUE(QTest::qWaitFor([&] { return handed == 1; }, kPollMs));
    const CSwitcher::Image first = sim.LiveImage();
    EXPECT_TRUE(SameAs(d.m_pageView.m_image, first));
    EXPECT_TRUE(SameAs(d.m_pageSwitch.m_image, first));
    EXPECT_TRUE(std::all_of(d.m_pageLoad.m_image.begin(), d.m_pageLoad.m_image.end(),
                            [](unsigned char b) { return b == 0; }))
        << "the LOAD page is not fed by the monitor";

    {
        // The next poll brings the same image: nothing is handed on, and nothing but the
        // lamps repaints.
        NonLampPaints paints;
        const LampTrace t = Watch(
            d, [&] { return sim.Requests() >= 2; }, 300);
        ASSERT_FALSE(t.timedOut);
        EXPECT_EQ(handed, 1);
        EXPECT_EQ(paints.count, 0);
    }

    sim.Route(2, {0, 2});  // output 1 now fed by input 3 as well: one byte changes
    const CSwitcher::Image second = sim.LiveImage();
    ASSERT_EQ(std::mismatch(first.begin(), first.end(), second.begin()).first + 1,
              std::mismatch(first.rbegin(), first.rend(), second.rbegin()).first.base())
        << "exactly one byte differs";
    ASSERT_TRUE(QTest::qWaitFor([&] { return handed == 2; }, kPollMs));
    EXPECT_TRUE(SameAs(d.m_pageView.m_image, second));
    EXPECT_TRUE(SameAs(d.m_pageSwitch.m_image, second));

    // A new connection keeps the cached image: the unchanged state is not handed on again.
    const int before = sim.Requests();
    d.Connect();
    const LampTrace t = Watch(
        d, [&] { return sim.Requests() > before; }, 300);
    ASSERT_FALSE(t.timedOut);
    EXPECT_EQ(handed, 2);
}

TEST_F(MainDlgTest, LampsFollowTheLinkAndTheReplies) {
    WriteIni("[setup]\nmode=1\nip=127.0.0.1\n");
    CVantelDlg& d = Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return d.m_ledStatus.GetColor() == kGreen; }, kPollMs));
    EXPECT_EQ(d.m_ledStatus.GetLight(), kLit);

    // An answered poll: both counts move, Command and Respond light, Connect stays lit.
    LampTrace t = Watch(
        d, [&] { return sim.Requests() >= 2; }, 300);
    ASSERT_FALSE(t.timedOut);
    EXPECT_TRUE(t.commandLit);
    EXPECT_TRUE(t.respondLit);
    EXPECT_TRUE(t.connectLit);
    EXPECT_FALSE(t.connectDim);
    EXPECT_FALSE(t.statusRed);
    EXPECT_EQ(d.m_ledCommand.GetLight(), kDim) << "dim again once the counts stand still";
    EXPECT_EQ(d.m_ledRespond.GetLight(), kDim);

    // The device falls silent: the request goes out, no reply comes, Status turns red.
    sim.SetSilent(true);
    t = Watch(
        d, [&] { return d.m_ledStatus.GetColor() == kRed; }, 300);
    ASSERT_FALSE(t.timedOut);
    EXPECT_TRUE(t.commandLit);
    EXPECT_FALSE(t.respondLit);
    EXPECT_EQ(d.m_ledStatus.GetLight(), kLit);

    // It answers again: green.
    sim.SetSilent(false);
    t = Watch(
        d, [&] { return d.m_ledStatus.GetColor() == kGreen; }, 300);
    ASSERT_FALSE(t.timedOut);
    EXPECT_TRUE(t.respondLit);
    for (CLedRect* lamp : {&d.m_ledConnect, &d.m_ledCommand, &d.m_ledRespond}) {
        EXPECT_EQ(lamp->GetColor(), kGreen) << "only Status changes colour";
    }
}

TEST_F(MainDlgTest, ClosedLinkSendsNothingAndShowsRedAndDim) {
    WriteIni("[setup]\nmode=1\nip=127.0.0.1\n");
    sim.SetReachable(false);
    CVantelDlg& d = Start();
    EXPECT_EQ(errors.Count(), 1);
    QElapsedTimer clock;
    clock.start();
    const LampTrace t = Watch(
        d, [&] { return clock.elapsed() > 500; }, 0);
    EXPECT_FALSE(t.commandLit);
    EXPECT_FALSE(t.respondLit);
    EXPECT_FALSE(t.connectLit);
    EXPECT_FALSE(t.statusGreen);
    EXPECT_EQ(d.m_ledStatus.GetColor(), kRed);
    EXPECT_EQ(d.m_ledConnect.GetLight(), kDim);
    EXPECT_EQ(sim.Requests(), 0);
    EXPECT_EQ(d.m_link.GetSendCount(), 0);
}

TEST_F(MonitorTest, HandsOnOnlyMarkedImagesThatDifferFromTheLastInAnyByte) {
    // Each step is a new run of the window, whose first poll brings the step's image; the
    // monitor's cache lives on from run to run, as it does across reconnects.
    const CSwitcher::Image base = CSwitcher(8, 8).StateImage(0);
    ASSERT_EQ(base[0], 0xAA);
    const auto reversedMark = [](CSwitcher::Image image) {
        std::reverse(image.begin(), image.begin() + 4);
        return image;
    };
    const CSwitcher::Image lastChanged = Flipped(base, 507);
    struct Step {
        const char* what;
        CSwitcher::Image image;
        bool handedOver;
    };
    const Step steps[] = {
        {"mark EB 90 55 AA", reversedMark(base), false},
        {"mark with its last byte inverted", Flipped(base, 3), false},
        {"first marked image", base, true},
        {"the same image again", base, false},
        {"only the last byte of the rest changed", lastChanged, true},
        {"that image without its mark", reversedMark(lastChanged), false},
        {"the last accepted image again", lastChanged, false},
        {"only the first byte behind the port table changed", Flipped(lastChanged, 7 + 16), true},
    };
    StateImageCopy accepted{};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(FirstPollHandsOver(step.image), step.handedOver);
        if (step.handedOver) {
            accepted = step.image;
        }
        EXPECT_EQ(g_LastImage, accepted) << "the cache holds the last image handed over";
    }
}

TEST_F(MonitorTest, PassesKeepTheirRhythmOfPollsAndLamps) {
    // A pass sleeps at least 10 ms, so a busy machine can stretch these gaps but never shorten
    // them: 200 passes from one poll to the next, 10 passes from one lamp update to the next.
    constexpr auto kPollGap = std::chrono::milliseconds(1900);
    constexpr auto kLampGap = std::chrono::milliseconds(90);
    CVantelDlg& d = StartOnDevice();
    struct Change {
        Clock::time_point at;
        int light;
    };
    std::vector<Change> changes;  // of Command, as a sampler saw them
    std::atomic<bool> stop{false};
    std::thread sampler([&] {
        int last = -1;
        while (!stop.load()) {
            const int light = d.m_ledCommand.GetLight();
            if (light != last) {
                changes.push_back({Clock::now(), light});
                last = light;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    const bool twoPolls = QTest::qWaitFor([&] { return device.Requests() >= 2; }, 2 * kPollMs);
    QTest::qWait(300);  // Command dims again after the second poll
    stop = true;
    sampler.join();
    ASSERT_TRUE(twoPolls);

    const std::vector<Clock::time_point> polls = device.Arrivals();
    EXPECT_GE(polls[1] - polls[0], kPollGap);
    // A poll moves the send count: the lamps' pass of the poll lights Command, the next one
    // dims it.
    int seen = 0;
    for (const Clock::time_point sent : polls) {
        const auto lit = std::find_if(changes.begin(), changes.end(), [&](const Change& c) {
            return c.at >= sent && c.light == kLit;
        });
        const auto dim =
            std::find_if(lit, changes.end(), [](const Change& c) { return c.light == kDim; });
        if (dim != changes.end()) {
            ++seen;
            EXPECT_GE(dim->at - sent, kLampGap);
        }
    }
    EXPECT_GT(seen, 0) << "Command was never seen lit and dim again after a poll";
}

TEST_F(MonitorTest, DestroyedWindowEndsTheWorkerBeforeItsPartsGo) {
    // Between passes or waiting inside a command for a reply that never comes: either way the
    // worker has ended before the lamps and the link it uses are destroyed.
    for (const bool silent : {false, true}) {
        SCOPED_TRACE(silent ? "waiting for a reply" : "between passes");
        ImageDevice own;
        own.SetSilent(silent);
        CVantelDlg& d = StartOn(own);
        ASSERT_TRUE(QTest::qWaitFor([&] { return own.Requests() > 0; }, kPollMs));
        std::optional<bool> endedFirst;
        QObject::connect(&d.m_ledStatus, &QObject::destroyed,
                         [&] { endedFirst = own.SenderEnded(); });
        dlg.reset();
        ASSERT_TRUE(endedFirst.has_value());
        EXPECT_TRUE(*endedFirst) << "the worker still ran while the window was taken apart";
    }
}

}  // namespace
}  // namespace vantel::test
