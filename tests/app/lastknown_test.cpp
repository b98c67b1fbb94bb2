// Starting without the device: the routing of the last run, marked as not live, until the
// device answers; the mark again when the device stops answering; a damaged file shows nothing.

#include <QElapsedTimer>
#include <QLabel>
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "controls/txbutton.h"
#include "maindlgfixture.h"
#include "pages/lastknownnote.h"
#include "routing/lastknownimage.h"
#include "support/tempdir.h"

namespace vantel::test {
namespace {

constexpr int kPollMs = 8000;  // generous bound for one 2-second poll period

template <class Done>
bool WaitUntil(Done done, int ms = 2 * kPollMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

// 4 inputs, 5 outputs: counts the device model (8 x 8) does not have.
CStateImage Stored() {
    const std::vector<int> sources = {1, 1, -1, 3, 0};
    return CStateImage::FromRoutes(4, sources);
}

class LastKnownTest : public MainDlgTest {
protected:
    void SetUp() override {
        MainDlgTest::SetUp();
        WriteIni("[setup]\nmode=1\nip=127.0.0.1\n");
    }
    std::filesystem::path File() const { return LastKnownFileBeside(app.IniPath().toStdString()); }
    // Whether the routing shown is marked as last known: in the status row and on each page
    // that shows it, all alike (none when they disagree). The LOAD page, which shows stored
    // scenes, is never marked.
    std::optional<bool> Marked() const {
        const auto noted = [](const QWidget& page) {
            const auto* note = page.findChild<QLabel*>(CLastKnownNote::kObjectName);
            return note != nullptr && !note->isHidden();
        };
        const bool status = !dlg->m_stcLastKnown->isHidden();
        const std::vector<bool> marks = {status, noted(dlg->m_pageView), noted(dlg->m_pageSwitch),
                                         noted(dlg->m_pageSalvo)};
        if (noted(dlg->m_pageLoad) ||
            std::count(marks.begin(), marks.end(), status) != std::ssize(marks)) {
            return std::nullopt;
        }
        return status;
    }
    bool PagesShow(const CStateImage& image) const {
        return ListedRows(*dlg) == image.RoutingList() &&
               CStateImage(dlg->m_pageSwitch.m_image) == image &&
               CStateImage(dlg->m_pageSalvo.m_image) == image;
    }
};

TEST_F(LastKnownTest, StartWithoutAnswerShowsLastKnownUntilTheDeviceAnswers) {
    ASSERT_TRUE(SaveLastKnownImage(File(), Stored()));
    sim.SetSilent(true);
    CVantelDlg& d = Start();
    EXPECT_TRUE(PagesShow(Stored()));
    EXPECT_EQ(Marked(), true);
    EXPECT_FALSE(d.m_pageSwitch.m_pTxButtons[3]->isHidden());
    EXPECT_TRUE(d.m_pageSwitch.m_pTxButtons[4]->isHidden()) << "the stored counts, not 72";
    // Polls without an answer change nothing.
    ASSERT_TRUE(WaitUntil([&] { return sim.Requests() > 0; }));
    QTest::qWait(100);
    EXPECT_TRUE(PagesShow(Stored()));
    EXPECT_EQ(Marked(), true);

    sim.SetSilent(false);
    const CStateImage live(sim.LiveImage());
    ASSERT_TRUE(WaitUntil([&] { return PagesShow(live); }));
    EXPECT_EQ(Marked(), false);
    EXPECT_EQ(LoadLastKnownImage(File()), live) << "the live image is kept for the next start";
}

TEST_F(LastKnownTest, DeviceThatStopsAnsweringLeavesItsRoutingMarkedAsLastKnown) {
    Start();
    const CStateImage live(sim.LiveImage());
    ASSERT_TRUE(WaitUntil([&] { return PagesShow(live); }));
    EXPECT_EQ(Marked(), false);

    sim.SetSilent(true);
    ASSERT_TRUE(WaitUntil([&] { return Marked() == true; }));
    EXPECT_TRUE(PagesShow(live));

    // Back with the same routing: no new image, but live again.
    sim.SetSilent(false);
    EXPECT_TRUE(WaitUntil([&] { return Marked() == false; }));
}

TEST_F(LastKnownTest, OnlyASoundFileIsShown) {
    ASSERT_TRUE(SaveLastKnownImage(File(), Stored()));
    const std::string good = ReadFile(File().string());
    std::string wrongCounts = good;
    wrongCounts[4 + 6] = 80;
    struct Case {
        const char* name;
        std::string bytes;
        bool shown;
    };
    const std::vector<Case> cases = {
        {"sound", good, true},
        {"cut short", good.substr(0, 300), false},
        {"foreign file", std::string(good.size(), 'x'), false},
        {"80 outputs", wrongCounts, false},
    };
    sim.SetReachable(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(File().string(), c.bytes);
        g_LastImage.fill(0);
        Start();
        EXPECT_EQ(PagesShow(Stored()), c.shown);
        EXPECT_EQ(Marked(), c.shown);
        if (!c.shown) {
            EXPECT_EQ(CStateImage(dlg->m_pageSwitch.m_image), CStateImage());
        }
        dlg.reset();
    }
}

}  // namespace
}  // namespace vantel::test
