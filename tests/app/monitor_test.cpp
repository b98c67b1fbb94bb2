// The status monitor against the device model: images handed to the pages, the lamps.

#include <QElapsedTimer>
#include <algorithm>
#include <chrono>
#include <thread>

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

}  // namespace
}  // namespace vantel::test
