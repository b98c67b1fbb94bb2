// The scene pages: the routing list built from an image, the controls of both modes, scene
// selection with the LOAD page's preview, load and save with the held action button, and a
// scene stored, changed and recalled end to end against the device model.

#include <QButtonGroup>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <ostream>

#include "pageviewfixture.h"

void PrintTo(const CStateImage::ListRow& row, std::ostream* os) {
    *os << '"' << row.in << "\": \"" << row.out << '"';
}

namespace vantel::test {
namespace {

using Rows = std::vector<CStateImage::ListRow>;
using Request = RequestLog::Request;

// A page on its own, without a main window (no link: nothing can be sent).
struct LonePage {
    explicit LonePage(int loadMode) {
        page.m_bLoadMode = loadMode;
        page.Create(&parent);
        parent.resize(page.size());
        page.setEnabled(true);
        page.show();
        parent.show();
    }
    QWidget parent;
    CPageViewDlg page;
};

CStateImage::Bytes ImageOf(std::initializer_list<std::uint8_t> head) {
    CStateImage::Bytes bytes{0xAA, 0x55, 0x90, 0xEB};
    std::copy(head.begin(), head.end(), bytes.begin() + 4);
    return bytes;
}

// Outputs 100 and 120 of 120 fed by the one input, the others by none.
CStateImage::Bytes ThreeDigitImage() {
    std::vector<int> sources(120, -1);
    sources[99] = 0;
    sources[119] = 0;
    return CStateImage::FromRoutes(1, sources).Raw();
}

std::string Unrouted120() {
    std::string text;
    for (int n = 1; n <= 119; ++n) {
        if (n != 100) {
            char number[8];
            std::snprintf(number, sizeof number, "%02d ", n);
            text += number;
        }
    }
    return text;
}

TEST(PageViewList, RowsPerInputWithTheUnroutedOutputsFirst) {
    struct Case {
        const char* what;
        CStateImage::Bytes image;
        Rows rows;
    };
    const Case cases[] = {
        // Counts 5, 2, 3; input slots 1, 2; output slots 2, 0, 2.
        {"two inputs, three outputs",
         ImageOf({5, 2, 3, 1, 2, 2, 0, 2}),
         {{"00", "02 "}, {"01", ""}, {"02", "01 03 "}}},
        {"no inputs, no ports", ImageOf({0, 0, 0}), {{"00", ""}}},
        // Without inputs every port-table position counts as an output.
        {"no inputs, three ports", ImageOf({3, 0, 3, 0, 4, 0}), {{"00", "01 03 "}}},
        {"three-digit outputs", ThreeDigitImage(), {{"00", Unrouted120()}, {"01", "100 120 "}}},
        // A row matches the value stored in its input slot, not its own number.
        {"input slots out of order",
         ImageOf({4, 2, 2, 2, 1, 1, 2}),
         {{"00", ""}, {"01", "02 "}, {"02", "01 "}}},
    };
    LonePage lone(0);
    for (const Case& c : cases) {
        lone.page.ShowImage(c.image.data());
        EXPECT_EQ(ListedRows(lone.page), c.rows) << c.what;
        EXPECT_TRUE(std::equal(c.image.begin(), c.image.end(), lone.page.m_image.begin()))
            << c.what;
    }
}

TEST(PageViewList, RebuildsFromScratchWhenTheRowCountChanges) {
    LonePage lone(0);
    std::vector<int> allToLast(72, 71);
    const CStateImage big = CStateImage::FromRoutes(72, allToLast);
    const CStateImage::Bytes small = ImageOf({5, 2, 3, 1, 2, 2, 0, 2});
    lone.page.ShowImage(big.Data());
    ASSERT_EQ(lone.page.m_list->rowCount(), 73);
    lone.page.ShowImage(small.data());
    EXPECT_EQ(ListedRows(lone.page), (Rows{{"00", "02 "}, {"01", ""}, {"02", "01 03 "}}));
    lone.page.ShowImage(big.Data());
    EXPECT_EQ(ListedRows(lone.page), big.RoutingList());
    EXPECT_TRUE(lone.page.m_list->updatesEnabled());
}

TEST(PageViewList, CellsCarryTheirTextForScreenReaders) {
    LonePage lone(0);
    const CStateImage::Bytes image = ImageOf({5, 2, 3, 1, 2, 2, 0, 2});
    lone.page.ShowImage(image.data());
    const QModelIndex cell = lone.page.m_list->model()->index(2, 2);
    EXPECT_EQ(cell.data(Qt::DisplayRole).toString(), "01 03 ");
    EXPECT_FALSE(lone.page.m_list->accessibleName().isEmpty());
}

TEST(PageViewControls, BothModesFromTheOneTemplate) {
    for (int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        LonePage lone(mode);
        CPageViewDlg& page = lone.page;
        EXPECT_EQ(page.m_nScene, -1);

        ASSERT_EQ(page.m_list, page.Item<QTableWidget>(CPageViewDlg::IDC_LIST));
        EXPECT_EQ(page.m_list->rowCount(), 0);
        EXPECT_TRUE(page.m_list->showGrid());
        EXPECT_EQ(page.m_list->selectionBehavior(), QAbstractItemView::SelectRows);
        const struct {
            const char* heading;
            Qt::Alignment alignment;
            int width;
        } columns[] = {{"*", Qt::AlignHCenter, 30},
                       {"IN", Qt::AlignHCenter, 60},
                       {"OUT", Qt::AlignLeft, 1000}};
        ASSERT_EQ(page.m_list->columnCount(), 3);
        for (int c = 0; c < 3; ++c) {
            const QTableWidgetItem* heading = page.m_list->horizontalHeaderItem(c);
            ASSERT_NE(heading, nullptr);
            EXPECT_EQ(heading->text(), columns[c].heading);
            EXPECT_EQ(Qt::Alignment(heading->textAlignment()) & Qt::AlignHorizontal_Mask,
                      columns[c].alignment);
            EXPECT_EQ(page.m_list->columnWidth(c), columns[c].width);
        }

        QButtonGroup* group = nullptr;
        for (int n = 0; n < 12; ++n) {
            auto* scene = page.Item<QPushButton>(CPageViewDlg::IDC_SCENE_FIRST + n);
            ASSERT_NE(scene, nullptr) << n;
            EXPECT_EQ(scene->text(), n == 0 ? QString("Scene") : QString("Scene%1").arg(n));
            EXPECT_EQ(scene->accessibleName(), scene->text());
            EXPECT_TRUE(scene->isCheckable());
            EXPECT_FALSE(scene->isChecked());
            group = n == 0 ? scene->group() : group;
            EXPECT_EQ(scene->group(), group) << n;
        }
        ASSERT_NE(group, nullptr);
        EXPECT_TRUE(group->exclusive());

        const QString caption = mode != 0 ? "LOAD" : "SAVE";
        QAbstractButton* action = page.Item<QAbstractButton>(CPageViewDlg::IDC_ACTION);
        EXPECT_EQ(action->text(), caption);
        EXPECT_EQ(action->accessibleName(), caption);
        EXPECT_EQ(action->group(), nullptr);
    }
}

TEST(PageViewControls, ListStretchesAndButtonsFollowTheRightEdge) {
    LonePage lone(1);
    CPageViewDlg& page = lone.page;
    std::vector<QRect> before;
    for (int id = CPageViewDlg::IDC_LIST; id <= CPageViewDlg::IDC_ACTION; ++id) {
        before.push_back(page.GetDlgItem(id)->geometry());
    }
    page.resize(page.width() + 120, page.height() + 80);
    for (int id = CPageViewDlg::IDC_LIST; id <= CPageViewDlg::IDC_ACTION; ++id) {
        const QRect& was = before[static_cast<std::size_t>(id - CPageViewDlg::IDC_LIST)];
        const QRect now = page.GetDlgItem(id)->geometry();
        const QRect expected =
            id == CPageViewDlg::IDC_LIST ? was.adjusted(0, 0, 120, 80) : was.translated(120, 0);
        EXPECT_EQ(now, expected) << id;
    }
}

TEST(PageViewControls, SceneClickSelectsAndActionBeforeAnySceneDoesNothing) {
    LonePage lone(0);
    CPageViewDlg& page = lone.page;
    QAbstractButton* action = page.Item<QAbstractButton>(CPageViewDlg::IDC_ACTION);
    QTest::mouseClick(action, Qt::LeftButton);
    QTest::qWait(50);
    EXPECT_TRUE(action->isEnabled());
    EXPECT_EQ(page.m_nScene, -1);

    for (int n : {7, 0, 11}) {
        QTest::mouseClick(page.Item<QAbstractButton>(CPageViewDlg::IDC_SCENE_FIRST + n),
                          Qt::LeftButton);
        EXPECT_EQ(page.m_nScene, n);
    }
    // A click through the button itself, the focus left where it was.
    page.Item<QAbstractButton>(CPageViewDlg::IDC_SCENE_FIRST + 3)->click();
    EXPECT_EQ(page.m_nScene, 3);
}

// --- against the device model ---------------------------------------------------------------

TEST_F(PageViewTest, SaveViewListFollowsTheLiveRouting) {
    CVantelDlg& d = StartRecorded();
    QTRY_COMPARE_WITH_TIMEOUT(ListedRows(d.m_pageView), RowsOf(sim.LiveImage()), kPollMs);
    sim.Route(2, {0, 2, 7});
    const Rows changed = RowsOf(sim.LiveImage());
    EXPECT_EQ(changed[3], (CStateImage::ListRow{"03", "01 03 08 "}));
    QTRY_COMPARE_WITH_TIMEOUT(ListedRows(d.m_pageView), changed, kPollMs);
    // The LOAD page is not told about the live routing.
    EXPECT_TRUE(ListedRows(d.m_pageLoad).empty());
}

TEST_F(PageViewTest, SceneClickOnSaveViewSendsNothingAndKeepsTheLiveList) {
    CVantelDlg& d = StartRecorded();
    QTRY_COMPARE_WITH_TIMEOUT(ListedRows(d.m_pageView), RowsOf(sim.LiveImage()), kPollMs);
    ClickScene(d.m_pageView, 4);
    EXPECT_EQ(d.m_pageView.m_nScene, 4);
    EXPECT_EQ(d.m_pageLoad.m_nScene, -1);
    for (const Request& r : log.Of(7)) {
        EXPECT_EQ(r.payload, std::vector<std::uint8_t>{0}) << "only the live poll asks for images";
    }
    EXPECT_EQ(ListedRows(d.m_pageView), RowsOf(sim.LiveImage()));
}

TEST_F(PageViewTest, ActionSendsTheSceneCommandAndHoldsTheButton) {
    struct Case {
        bool load;
        int scene;
        std::vector<Request> sent;  // commands 8 and 9 only
    };
    const Case cases[] = {
        {true, 0, {{8, {0, 0}}}},
        {true, 11, {{8, {0, 11}}}},
        {false, 1, {{9, {1, 0}}}},
        {false, 11, {{9, {11, 0}}}},
        // Scene 0 is the live routing: nothing to store, the button is still held.
        {false, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.load ? "LOAD" : "SAVE") << " scene " << c.scene);
        CVantelDlg& d = StartRecorded();
        CPageViewDlg& page = c.load ? d.m_pageLoad : d.m_pageView;
        ClickScene(page, c.scene);
        ClickAction(page);
        std::vector<Request> sent = log.Of(8);
        for (const Request& r : log.Of(9)) {
            sent.push_back(r);
        }
        EXPECT_EQ(sent, c.sent);
        QTRY_VERIFY(!ActionButton(page)->isEnabled());
        EXPECT_EQ(errors.Count(), 0);
        log.Clear();
    }
}

TEST_F(PageViewTest, HeldButtonComesBackAfterTheHold) {
    CVantelDlg& d = StartRecorded();
    ClickScene(d.m_pageLoad, 2);
    QElapsedTimer clock;
    clock.start();
    ClickAction(d.m_pageLoad);
    QAbstractButton* action = ActionButton(d.m_pageLoad);
    QTRY_VERIFY(!action->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(action->isEnabled(), CPageViewDlg::kActionHoldMs + 5000);
    EXPECT_GE(clock.elapsed(), CPageViewDlg::kActionHoldMs - 50);
    // And the next press holds it again.
    ClickAction(d.m_pageLoad);
    QTRY_VERIFY(!action->isEnabled());
}

TEST_F(PageViewTest, FailedActionIsReportedOnceAsNoAnswerOrRefusal) {
    CVantelDlg& d = StartRecorded();
    for (const bool refused : {false, true}) {
        if (refused) {
            log.Refuse(8);
            log.Refuse(9);
        }
        for (CPageViewDlg* page : {&d.m_pageLoad, &d.m_pageView}) {
            SCOPED_TRACE(testing::Message() << (page == &d.m_pageLoad ? "LOAD" : "SAVE")
                                            << (refused ? " refused" : " without answer"));
            ClickScene(*page, 3);
            QTRY_VERIFY_WITH_TIMEOUT(ActionButton(*page)->isEnabled(), 5000);
            sim.SetSilent(!refused);
            ClickAction(*page);
            sim.SetSilent(false);
            ASSERT_EQ(errors.Count(), 1);
            EXPECT_EQ(errors.Calls()[0].owner, page);
            EXPECT_EQ(errors.LastText(), refused ? "The device refused the command."
                                                 : "Operation failed, no response.");
            errors.Clear();
        }
    }
}

TEST_F(PageViewTest, RoutingListIsOneTabStop) {
    CVantelDlg& d = StartRecorded();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    ShowTab(kTabSaveView);
    QTRY_VERIFY_WITH_TIMEOUT(d.m_pageView.m_list->rowCount() > 1, kPollMs);
    for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) {
        SCOPED_TRACE(key == Qt::Key_Tab ? "Tab" : "Shift+Tab");
        d.m_pageView.m_list->setFocus(Qt::TabFocusReason);
        d.m_pageView.m_list->setCurrentCell(1, 1);
        ASSERT_EQ(QApplication::focusWidget(), d.m_pageView.m_list);
        QTest::keyClick(d.m_pageView.m_list, key);
        EXPECT_NE(QApplication::focusWidget(), d.m_pageView.m_list);
    }
}

TEST_F(PageViewTest, ClosedLinkSendsNothingAndSaysSo) {
    // Serial port 0 names no port: the link stays closed.
    CVantelDlg& d = StartRecorded("[setup]\nmode=0\nserial=0\n");
    ASSERT_EQ(d.m_link.IsOpen(), 0);
    for (CPageViewDlg* page : {&d.m_pageLoad, &d.m_pageView}) {
        SCOPED_TRACE(page->m_bLoadMode != 0 ? "LOAD" : "SAVE");
        ClickScene(*page, 5);
        EXPECT_EQ(page->m_nScene, 5);
        errors.Clear();
        ClickAction(*page);
        QTRY_VERIFY(!ActionButton(*page)->isEnabled());
        EXPECT_EQ(errors.Texts(), QStringList{QStringLiteral("Operation failed, no response.")});
        EXPECT_EQ(errors.Calls().front().owner, page);
    }
    EXPECT_EQ(ListedRows(d.m_pageLoad), (Rows{{"00", ""}}));
    EXPECT_EQ(sim.Requests(), 0);
}

TEST_F(PageViewTest, PreviewAfterTheLinkClosedShowsNoRoutingInsteadOfTheLastScene) {
    CVantelDlg& d = StartRecorded();
    Switch(0, {0, 1, 2});
    ClickScene(d.m_pageView, 4);
    ClickAction(d.m_pageView);
    ClickScene(d.m_pageLoad, 4);
    ASSERT_EQ(ListedRows(d.m_pageLoad), RowsOf(sim.LiveImage()));

    d.m_link.Close();  // the device went away
    ClickScene(d.m_pageLoad, 5);
    EXPECT_EQ(d.m_pageLoad.m_nScene, 5);
    EXPECT_EQ(ListedRows(d.m_pageLoad), (Rows{{"00", ""}}));
}

TEST_F(PageViewTest, LoadPagePreviewsTheClickedScene) {
    CVantelDlg& d = StartRecorded();
    Switch(0, {0, 1, 2, 3, 4, 5, 6, 7});
    ClickScene(d.m_pageView, 6);
    ClickAction(d.m_pageView);
    const Rows stored = RowsOf(sim.LiveImage());
    ASSERT_EQ(stored[1].out, "01 02 03 04 05 06 07 08 ");

    ClickScene(d.m_pageLoad, 6);
    const std::vector<Request> reads = log.Of(7);
    EXPECT_NE(std::find(reads.begin(), reads.end(), Request{7, {6}}), reads.end());
    EXPECT_EQ(ListedRows(d.m_pageLoad), stored);

    // No reply: the fresh buffer has no mark and the preview shows the single row "00".
    sim.SetSilent(true);
    ClickScene(d.m_pageLoad, 6);
    sim.SetSilent(false);
    EXPECT_EQ(ListedRows(d.m_pageLoad), (Rows{{"00", ""}}));
    EXPECT_EQ(d.m_pageLoad.m_image[5], 0);
    EXPECT_EQ(errors.Count(), 0);
}

TEST_F(PageViewTest, StoredSceneIsRecalledIntoTheLiveList) {
    CVantelDlg& d = StartRecorded();
    const Rows original = RowsOf(sim.LiveImage());
    QTRY_COMPARE_WITH_TIMEOUT(ListedRows(d.m_pageView), original, kPollMs);

    ClickScene(d.m_pageView, 4);
    ClickAction(d.m_pageView);
    ASSERT_EQ(errors.Count(), 0);

    Switch(1, {0, 1, 2});
    const Rows changed = RowsOf(sim.LiveImage());
    ASSERT_NE(changed, original);
    QTRY_COMPARE_WITH_TIMEOUT(ListedRows(d.m_pageView), changed, kPollMs);

    ClickScene(d.m_pageLoad, 4);
    EXPECT_EQ(ListedRows(d.m_pageLoad), original);
    ClickAction(d.m_pageLoad);
    ASSERT_EQ(errors.Count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(ListedRows(d.m_pageView), original, kPollMs);
    EXPECT_EQ(ListedRows(d.m_pageLoad), original);
}

}  // namespace
}  // namespace vantel::test
