// The switch page against the device model: controls and settings at start, the grid layout,
// input selection, the switch command, the grid trackbars, renaming, counts beyond the page,
// and the whole round trip through vantel-sim.

#include <QFrame>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QStyleHints>
#include <QWindow>
#include <algorithm>
#include <set>

#include "controls/wrapbutton.h"
#include "device/simprocess.h"
#include "settings/inifile.h"
#include "switchpagefixture.h"

namespace vantel::test {
namespace {

constexpr int kRx = CPageSwitchDlg::IDC_RX_FIRST;
constexpr int kTx = CPageSwitchDlg::IDC_TX_FIRST;

// ---- controls and settings at start ----

TEST_F(SwitchPageTest, ControlsNamesAndGridWithoutStoredSettings) {
    CPageSwitchDlg& page = StartOffline();
    for (int i = 0; i < CPageSwitchDlg::kButtonCount; ++i) {
        auto* output = FindById<CRxButton>(&page, kRx + i);
        auto* input = FindById<CTxButton>(&page, kTx + i);
        ASSERT_NE(output, nullptr) << i;
        ASSERT_NE(input, nullptr) << i;
        EXPECT_EQ(output, page.m_pRxButtons[i]);
        EXPECT_EQ(input, page.m_pTxButtons[i]);
        EXPECT_EQ(output->m_nIndex, i);
        EXPECT_EQ(input->m_nIndex, i);
        EXPECT_TRUE(output->isCheckable());
        EXPECT_FALSE(input->isCheckable());
        EXPECT_EQ(output->text(), QString::number(i + 1));
        EXPECT_EQ(input->text(), QString::number(i + 1));
        EXPECT_FALSE(output->isVisible());  // shown only once laid out
        EXPECT_TRUE(output->geometry().isEmpty());
        EXPECT_TRUE(input->geometry().isEmpty());
    }
    EXPECT_EQ(page.m_pRxButtons[CPageSwitchDlg::kButtonCount], nullptr);
    EXPECT_EQ(page.m_pTxButtons[CPageSwitchDlg::kButtonCount], nullptr);
    for (QSlider* slider : {page.m_sliderLine, page.m_sliderRow}) {
        ASSERT_NE(slider, nullptr);
        EXPECT_EQ(slider->minimum(), 6);
        EXPECT_EQ(slider->maximum(), 16);
        EXPECT_EQ(slider->value(), 12);
    }
    EXPECT_EQ(page.m_sliderLine, FindById<QSlider>(&page, 1164));
    EXPECT_EQ(page.m_sliderRow, FindById<QSlider>(&page, 1165));
    EXPECT_EQ(page.m_nLine, 12);
    EXPECT_EQ(page.m_nRow, 12);
    EXPECT_EQ(page.m_nSelInput, 0);
    EXPECT_EQ(page.m_pIniFile->m_strPath, app.IniPath().toStdString());
}

TEST_F(SwitchPageTest, StoredGridValuesAreHeldToTheTrackbarRange) {
    struct Case {
        const char* ini;
        int line, row;
    };
    const Case cases[] = {
        {"[NUMBER]\nLINE=9\nROW=14\n", 9, 14}, {"[NUMBER]\nLINE=0\nROW=-3\n", 6, 6},
        {"[NUMBER]\nLINE=5\nROW=1\n", 6, 6},   {"[NUMBER]\nLINE=17\nROW=2147483647\n", 16, 16},
        {"[NUMBER]\nLINE=abc\nROW=\n", 6, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        const std::string ini = std::string("[setup]\nmode=1\nip=127.0.0.1\n") + c.ini;
        CPageSwitchDlg& page = StartOffline(ini.c_str());
        page.SetImage(MakeImage(8, 8).data());
        EXPECT_EQ(page.m_nLine, c.line);
        EXPECT_EQ(page.m_nRow, c.row);
        EXPECT_EQ(page.m_sliderLine->value(), c.line);
        EXPECT_EQ(page.m_sliderRow->value(), c.row);
        EXPECT_EQ(page.m_pRxButtons[1]->m_nCellWidth, page.width() / c.line);
        dlg.reset();
    }
}

TEST_F(SwitchPageTest, StoredNamesAreShown) {
    CPageSwitchDlg& page = StartOffline(
        "[setup]\nmode=1\nip=127.0.0.1\n[BUTTON]\n2502=Camera 3\n3000=Desk\n3071=\xE6\x91\x84"
        "\n2571=\n");
    EXPECT_EQ(page.m_pRxButtons[2]->text(), QStringLiteral("Camera 3"));
    EXPECT_EQ(page.m_pRxButtons[2]->m_strName, QStringLiteral("Camera 3"));
    EXPECT_EQ(page.m_pTxButtons[0]->text(), QStringLiteral("Desk"));
    EXPECT_EQ(page.m_pTxButtons[71]->text(), QString(QChar(u'\u6444')));
    EXPECT_EQ(page.m_pRxButtons[71]->text(), QString());  // an empty stored name stays empty
    EXPECT_EQ(page.m_pRxButtons[3]->text(), QStringLiteral("4"));
}

TEST_F(SwitchPageTest, SelectedInputsNameWrapsOnTheLargeButton) {
    CPageSwitchDlg& page = StartOffline(
        "[setup]\nmode=1\nip=127.0.0.1\n[BUTTON]\n"
        "3000=Camera left studio with a long name\n");
    page.SetImage(MakeImage(8, 8).data());
    ClickInput(0);
    auto* selected =
        qobject_cast<CWrapButton*>(page.Item<QPushButton>(CPageSwitchDlg::IDC_SEL_NAME));
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(selected->text(), QStringLiteral("Camera left studio with a long name"));
    const QStringList lines = selected->ShownLines();
    EXPECT_GT(lines.size(), 1);
    EXPECT_EQ(lines.join(QLatin1Char(' ')), selected->text());
}

// ---- layout ----

TEST_F(SwitchPageTest, LayoutPlacesBothGridsAndTheSeparator) {
    CPageSwitchDlg& page = StartOffline();
    page.SetImage(MakeImage(16, 16).data());
    page.setGeometry(page.x(), page.y(), 400, 300);
    EXPECT_EQ(page.m_rcPage.size(), QSize(400, 300));
    // Button 13 of both grids on a 400 x 300 page, 12 x 12.
    EXPECT_EQ(page.m_pTxButtons[13]->geometry(), QRect(35, 28, 29, 10));
    EXPECT_EQ(page.m_pRxButtons[13]->geometry(), QRect(35, 164, 29, 10));
    for (int i = 0; i < 16; ++i) {
        EXPECT_TRUE(page.m_pRxButtons[i]->isVisible()) << i;
        EXPECT_EQ(page.m_pRxButtons[i]->geometry(), page.m_pRxButtons[i]->m_rcCell) << i;
        EXPECT_EQ(page.m_pTxButtons[i]->geometry(), page.m_pTxButtons[i]->m_rcCell) << i;
    }
    EXPECT_FALSE(page.m_pRxButtons[16]->isVisible());
    EXPECT_TRUE(page.m_pTxButtons[16]->geometry().isEmpty());
    EXPECT_EQ(FindById<QFrame>(&page, 1160)->geometry(), QRect(0, 140, 2000, 2));

    page.setGeometry(page.x(), page.y(), 401, 201);  // a resize lays out again
    EXPECT_EQ(FindById<QFrame>(&page, 1160)->geometry(), QRect(0, 90, 2000, 2));
    EXPECT_EQ(page.m_pRxButtons[0]->geometry().top(), 100 + 2);
}

TEST_F(SwitchPageTest, CountsOutsideTwoTo72AreNotLaidOut) {
    CPageSwitchDlg& page = StartOffline();
    const auto placed = [&](CLabelButton* b) { return !b->geometry().isEmpty(); };
    for (int count : {0, 1, 73, 255}) {
        SCOPED_TRACE(count);
        page.SetImage(MakeImage(count, count).data());
        page.ArrangeButtons();
        EXPECT_FALSE(placed(page.m_pRxButtons[0]));
        EXPECT_FALSE(page.m_pRxButtons[0]->isVisible());
        EXPECT_FALSE(placed(page.m_pTxButtons[0]));
    }
    page.SetImage(MakeImage(2, 1).data());
    EXPECT_TRUE(placed(page.m_pTxButtons[1]));
    EXPECT_FALSE(placed(page.m_pRxButtons[0]));
    page.SetImage(MakeImage(1, 72).data());
    EXPECT_TRUE(placed(page.m_pRxButtons[71]));
    EXPECT_TRUE(page.m_pRxButtons[71]->isVisible());
    // A count the page cannot show leaves the earlier layout where it was.
    const QRect before = page.m_pRxButtons[5]->geometry();
    page.SetImage(MakeImage(1, 100).data());
    page.setGeometry(page.x(), page.y(), page.width() + 40, page.height());
    EXPECT_EQ(page.m_pRxButtons[5]->geometry(), before);
}

TEST_F(SwitchPageTest, NewCountsAreLaidOutWhenVisibleElseOnShow) {
    CPageSwitchDlg& page = StartOffline();
    page.SetImage(MakeImage(4, 4).data());
    EXPECT_TRUE(page.m_pRxButtons[3]->isVisible());
    EXPECT_FALSE(page.m_pRxButtons[4]->isVisible());

    ShowTab(kTabLoad);
    page.SetImage(MakeImage(6, 6).data());
    EXPECT_TRUE(page.m_pTxButtons[5]->geometry().isEmpty());  // hidden page: later
    ShowTab(kTabSwitch);
    EXPECT_FALSE(page.m_pTxButtons[5]->geometry().isEmpty());
    EXPECT_TRUE(page.m_pRxButtons[5]->isVisible());

    // The image changes no check.
    ClickOutput(1);
    page.SetImage(MakeImage(6, 6, {1, 1, 1}).data());
    EXPECT_EQ(Ticked(), std::vector<int>{1});
}

TEST_F(SwitchPageTest, AnIdlePageIsNotRepainted) {
    CPageSwitchDlg& page = StartOnline();
    // Counts paint events of the page and its children.
    struct Paints : QObject {
        int count = 0;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Paint && qobject_cast<CLedRect*>(o) == nullptr) {
                ++count;
            }
            return false;
        }
    } paints;
    WaitFor([] { return false; }, 200);
    qApp->installEventFilter(&paints);
    WaitFor([] { return false; }, 500);
    qApp->removeEventFilter(&paints);
    EXPECT_EQ(paints.count, 0);
    EXPECT_TRUE(page.m_pRxButtons[7]->isVisible());
}

// ---- input selection and the switch command ----

TEST_F(SwitchPageTest, SelectingAnInputTicksTheOutputsItFeeds) {
    CPageSwitchDlg& page = StartOffline("[setup]\nmode=1\nip=127.0.0.1\n[BUTTON]\n3002=Camera\n");
    page.SetImage(MakeImage(8, 8, {3, 0, 3, 1, 0, 0, 8, 3}).data());
    struct Case {
        int input;
        std::vector<int> ticked;
    };
    const Case cases[] = {{2, {0, 2, 7}}, {0, {3}}, {7, {6}}, {4, {}}, {2, {0, 2, 7}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        ClickOutput(4);  // a stray tick is replaced
        ClickInput(c.input);
        EXPECT_EQ(page.m_nSelInput, c.input);
        EXPECT_EQ(Ticked(), c.ticked);
        EXPECT_EQ(page.Item<QAbstractButton>(1151)->text(), page.m_pTxButtons[c.input]->text());
    }
    EXPECT_EQ(page.Item<QAbstractButton>(1151)->text(), QStringLiteral("Camera"));
}

TEST_F(SwitchPageTest, OkSendsTheInputThenTheTickedOutputPorts) {
    struct Case {
        const char* what;
        int input;  // -1: none clicked
        std::vector<int> tick;
        std::vector<std::uint8_t> payload;
    };
    const Case cases[] = {
        {"input 2, outputs 0 and 5", 2, {0, 5}, {2, 8, 13}},
        {"nothing ticked", 2, {}, {2}},
        {"no input clicked", -1, {1}, {0, 9}},
        {"ticks sent in ascending order", 7, {7, 0, 3}, {7, 8, 11, 15}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CPageSwitchDlg& page = StartOnline();
        if (c.input >= 0) {
            ClickInput(c.input);
        }
        Press(CPageSwitchDlg::IDC_CLEAR);
        for (int j : c.tick) {
            ClickOutput(j);
        }
        log.Clear();
        Press(CPageSwitchDlg::IDC_OK);
        EXPECT_EQ(SwitchPayloads(), std::vector<std::vector<std::uint8_t>>{c.payload});
        EXPECT_EQ(errors.Count(), 0);
        for (int j = 0; j < 8; ++j) {
            EXPECT_EQ(page.m_outputChecked[j], std::count(c.tick.begin(), c.tick.end(), j)) << j;
        }
        dlg.reset();
    }
}

TEST_F(SwitchPageTest, OkRoutesOnTheDeviceAndThePageFollows) {
    CPageSwitchDlg& page = StartOnline();
    ClickInput(2);
    ClickOutput(0);
    ClickOutput(5);
    Press(CPageSwitchDlg::IDC_OK);
    const CSwitcher::Image live = sim.LiveImage();
    EXPECT_EQ(live[7 + 8 + 0], 3);
    EXPECT_EQ(live[7 + 8 + 5], 3);
    EXPECT_EQ(live[7 + 8 + 1], 2);  // outputs left out keep their input
    EXPECT_TRUE(WaitFor([&] { return std::equal(live.begin(), live.end(), page.m_image.begin()); },
                        kPollMs));
}

TEST_F(SwitchPageTest, OkWithTheLinkClosedSendsNothingAndSaysSo) {
    CPageSwitchDlg& page = StartOffline();
    page.SetImage(MakeImage(8, 8).data());
    ClickInput(1);
    ClickOutput(2);
    Press(CPageSwitchDlg::IDC_OK);
    EXPECT_EQ(page.m_outputChecked[2], 1);  // taken before the link is looked at
    EXPECT_EQ(sim.Requests(), 0);
    EXPECT_EQ(errors.Texts(), QStringList{QStringLiteral("Operation failed, no response.")});
}

TEST_F(SwitchPageTest, OkWithoutAnswerOrRefusedReportsWhichAndKeepsTheTicks) {
    StartOnline();
    ClickInput(1);
    Press(CPageSwitchDlg::IDC_CLEAR);
    ClickOutput(3);
    sim.SetSilent(true);
    Press(CPageSwitchDlg::IDC_OK);
    EXPECT_EQ(errors.Texts(), QStringList{QStringLiteral("Operation failed, no response.")});
    EXPECT_EQ(errors.Calls().front().owner, &Page());
    EXPECT_EQ(Ticked(), std::vector<int>{3});
    sim.SetSilent(false);
    errors.Clear();

    log.Refuse(12);
    Press(CPageSwitchDlg::IDC_OK);
    EXPECT_EQ(errors.Texts(), QStringList{QStringLiteral("The device refused the command.")});
    EXPECT_EQ(Ticked(), std::vector<int>{3});
}

TEST_F(SwitchPageTest, ShrinkingCountsTakeAwayTheButtonsBeyondThem) {
    CPageSwitchDlg& page = StartOffline();
    page.SetImage(MakeImage(8, 8).data());
    ClickOutput(2);
    ClickOutput(6);
    struct Step {
        int inputs, outputs;
    };
    for (const Step step : {Step{8, 4}, Step{4, 4}, Step{6, 7}}) {
        SCOPED_TRACE(testing::Message() << step.inputs << " x " << step.outputs);
        page.SetImage(MakeImage(step.inputs, step.outputs).data());
        for (int i = 0; i < CPageSwitchDlg::kButtonCount; ++i) {
            EXPECT_EQ(page.m_pTxButtons[i]->isHidden(), i >= step.inputs) << "input " << i;
            EXPECT_EQ(page.m_pRxButtons[i]->isHidden(), i >= step.outputs) << "output " << i;
        }
    }
    // A tick on an output that went away does not come back with it.
    EXPECT_EQ(Ticked(), std::vector<int>{2});
}

TEST_F(SwitchPageTest, HiddenLabelButtonsAreNoTabStops) {
    CPageSwitchDlg& page = StartOnline();
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    page.m_pTxButtons[0]->setFocus(Qt::TabFocusReason);
    std::set<QWidget*> reached;
    for (int i = 0; i < 200; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.insert(QApplication::focusWidget());
    }
    for (int i = 0; i < CPageSwitchDlg::kButtonCount; ++i) {
        EXPECT_EQ(reached.count(page.m_pTxButtons[i]), i < 8 ? 1u : 0u) << "input " << i;
        EXPECT_EQ(reached.count(page.m_pRxButtons[i]), i < 8 ? 1u : 0u) << "output " << i;
    }
}

TEST_F(SwitchPageTest, DoubleClickAtAPersonsPaceRenamesAndLeavesTheTick) {
    // Press, 100 ms, release, 100 ms, press: the rename dialog opens on the second press and
    // the second release comes only after it. The simulated clock moves half a second after
    // every release, hence the long interval.
    QStyleHints* hints = QGuiApplication::styleHints();
    const int interval = hints->mouseDoubleClickInterval();
    hints->setMouseDoubleClickInterval(3000);
    CPageSwitchDlg& page = StartOnline();
    ClickInput(0);
    const std::vector<int> ticked = Ticked();
    ASSERT_EQ(ticked, std::vector<int>{0});
    for (const int j : {0, 3}) {
        SCOPED_TRACE(j);
        CRxButton* button = page.m_pRxButtons[j];
        QWindow* window = dlg->windowHandle();
        const QPoint at = button->mapTo(dlg.get(), button->rect().center());
        AnswerNextModal([&](QWidget* modal) {
            FindById<QLineEdit>(modal, SetNewDlg::IDC_NEW_NAME)->setText(QStringLiteral("Cam"));
            QTest::mouseClick(FindById<QAbstractButton>(modal, SetNewDlg::IDC_SAVE),
                              Qt::LeftButton);
        });
        QTest::mousePress(window, Qt::LeftButton, {}, at);
        QTest::qWait(100);
        QTest::mouseRelease(window, Qt::LeftButton, {}, at, 100);
        QTest::qWait(100);
        QTest::mousePress(window, Qt::LeftButton, {}, at, 100);
        EXPECT_TRUE(WaitFor([] { return QApplication::activeModalWidget() == nullptr; }, 5000));
        QTest::mouseRelease(window, Qt::LeftButton, {}, at);
        EXPECT_EQ(button->m_strName, QStringLiteral("Cam"));
        EXPECT_EQ(Ticked(), ticked);
    }
    hints->setMouseDoubleClickInterval(interval);
}

TEST_F(SwitchPageTest, AllAndClearTouchTheOutputsOfTheImage) {
    CPageSwitchDlg& page = StartOffline();
    Press(CPageSwitchDlg::IDC_ALL);  // no image yet: no output
    EXPECT_TRUE(Ticked().empty());
    page.SetImage(MakeImage(8, 5).data());
    Press(CPageSwitchDlg::IDC_ALL);
    EXPECT_EQ(Ticked(), (std::vector<int>{0, 1, 2, 3, 4}));
    Press(CPageSwitchDlg::IDC_CLEAR);
    EXPECT_TRUE(Ticked().empty());
}

TEST_F(SwitchPageTest, CountsAbove72StayOnTheButtonsThatExist) {
    CPageSwitchDlg& page = StartOnline();
    SwitchImage wide = MakeImage(100, 200);
    std::fill(wide.begin() + 7 + 100, wide.begin() + 7 + 100 + 200, 1);
    page.SetImage(wide.data());
    ClickInput(0);
    EXPECT_EQ(Ticked().size(), 72u);
    Press(CPageSwitchDlg::IDC_CLEAR);
    EXPECT_TRUE(Ticked().empty());
    Press(CPageSwitchDlg::IDC_ALL);
    log.Clear();
    Press(CPageSwitchDlg::IDC_OK);
    const auto payloads = SwitchPayloads();
    ASSERT_EQ(payloads.size(), 1u);
    ASSERT_EQ(payloads[0].size(), 73u);
    EXPECT_EQ(payloads[0][1], 100);
    EXPECT_EQ(payloads[0][72], 171);
    errors.Clear();  // the 8 x 8 device refuses those ports

    // Port numbers that do not fit a byte: nothing is sent, and the operator is told.
    page.SetImage(MakeImage(250, 80).data());
    Press(CPageSwitchDlg::IDC_ALL);
    log.Clear();
    Press(CPageSwitchDlg::IDC_OK);
    EXPECT_TRUE(SwitchPayloads().empty());
    EXPECT_EQ(errors.Texts(), QStringList{QStringLiteral("Output port number out of range.")});
}

// ---- grid trackbars ----

TEST_F(SwitchPageTest, GridChangesOnlyWhenATrackbarLetsTheMouseGo) {
    CPageSwitchDlg& page = StartOnline();
    const int width = page.width();
    page.m_sliderLine->setFocus();
    QTest::keyClick(page.m_sliderLine, Qt::Key_Right);
    QTest::keyClick(page.m_sliderRow, Qt::Key_Left);
    EXPECT_EQ(page.m_sliderLine->value(), 13);
    EXPECT_EQ(page.m_sliderRow->value(), 11);
    QCoreApplication::processEvents();
    EXPECT_EQ(page.m_nLine, 12);
    EXPECT_EQ(page.m_nRow, 12);
    EXPECT_EQ(Stored("LINE", "NUMBER"), "<none>");
    EXPECT_EQ(page.m_pRxButtons[0]->m_nCellWidth, width / 12);

    // A drag of the row trackbar's handle ends with the release.
    QSlider* row = page.m_sliderRow;
    QTest::mousePress(row, Qt::LeftButton, {}, QPoint(row->width() - 2, row->height() / 2));
    QTest::mouseRelease(row, Qt::LeftButton, {}, QPoint(row->width() - 2, row->height() / 2));
    ASSERT_TRUE(WaitFor([&] { return page.m_nLine == 13; }, 2000));
    EXPECT_EQ(page.m_nRow, row->value());
    EXPECT_EQ(Stored("LINE", "NUMBER"), "13");
    EXPECT_EQ(Stored("ROW", "NUMBER"), std::to_string(row->value()));
    EXPECT_EQ(page.m_pRxButtons[0]->m_nCellWidth, width / 13);
    EXPECT_EQ(page.m_pRxButtons[0]->geometry(), page.m_pRxButtons[0]->m_rcCell);

    // The next start uses the stored grid.
    const int rows = page.m_nRow;
    Restart();
    EXPECT_EQ(Page().m_nLine, 13);
    EXPECT_EQ(Page().m_nRow, rows);
}

// ---- renaming ----

TEST_F(SwitchPageTest, RenameStoresTheNameUnderTheButtonsId) {
    CPageSwitchDlg& page = StartOnline();
    Rename(kRx + 2, QStringLiteral("Projector"), true);
    EXPECT_EQ(page.m_pRxButtons[2]->text(), QStringLiteral("Projector"));
    EXPECT_EQ(page.m_pRxButtons[2]->m_strName, QStringLiteral("Projector"));
    EXPECT_EQ(Stored("2502", "BUTTON"), "Projector");
    EXPECT_FALSE(page.m_pRxButtons[2]->isChecked());  // the double-click leaves the tick

    Rename(kTx + 7, QStringLiteral("Camera"), true);
    EXPECT_EQ(page.m_pTxButtons[7]->text(), QStringLiteral("Camera"));
    EXPECT_EQ(Stored("3007", "BUTTON"), "Camera");

    Rename(kRx + 2, QStringLiteral("ignored"), false);
    EXPECT_EQ(page.m_pRxButtons[2]->text(), QStringLiteral("Projector"));
    EXPECT_EQ(Stored("2502", "BUTTON"), "Projector");

    Rename(kTx + 7, QString(), true);
    EXPECT_EQ(page.m_pTxButtons[7]->text(), QString());
    EXPECT_EQ(Stored("3007", "BUTTON"), "");

    page.RenameButton(kRx + 72, QStringLiteral("none"));  // no such button: nothing happens
    page.RenameButton(kTx + 150, QStringLiteral("none"));
    EXPECT_EQ(Stored("2572", "BUTTON"), "<none>");
    EXPECT_EQ(Stored("3150", "BUTTON"), "<none>");
}

TEST_F(SwitchPageTest, NamesSurviveTheFileAndARestart) {
    const QString longName(300, QChar(u'\u6444'));  // 900 bytes of UTF-8
    struct Case {
        QString typed;
        QString shown;     // on the button at once
        QString restored;  // after a restart
    };
    const Case cases[] = {
        {QStringLiteral("two\nlines"), QStringLiteral("two lines"), QStringLiteral("two lines")},
        {QStringLiteral("\r\n[BUTTON]\n3000=x"), QStringLiteral("  [BUTTON] 3000=x"),
         QStringLiteral("  [BUTTON] 3000=x")},
        {QStringLiteral("[x]"), QStringLiteral("[x]"), QStringLiteral("[x]")},
        {QStringLiteral(" padded "), QStringLiteral(" padded "), QStringLiteral(" padded ")},
        {QStringLiteral("\"quoted\""), QStringLiteral("\"quoted\""), QStringLiteral("\"quoted\"")},
        {QStringLiteral("摄像机 2"), QStringLiteral("摄像机 2"), QStringLiteral("摄像机 2")},
        // Kept as far as a value of the file is read back (254 bytes), in whole characters.
        {longName, QString(84, QChar(u'\u6444')), QString(84, QChar(u'\u6444'))},
    };
    StartOnline("[setup]\nmode=1\nip=127.0.0.1\n[NUMBER]\nLINE=8\n[BUTTON]\n3001=kept\n");
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        Page().RenameButton(kRx + static_cast<int>(i), cases[i].typed);
        EXPECT_EQ(Page().m_pRxButtons[i]->text(), cases[i].shown) << i;
    }
    Restart();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(Page().m_pRxButtons[i]->text(), cases[i].restored) << i;
    }
    EXPECT_EQ(Page().m_pTxButtons[1]->text(), QStringLiteral("kept"));
    EXPECT_EQ(Page().m_pTxButtons[0]->text(), QStringLiteral("1"));
    EXPECT_EQ(Page().m_nLine, 8);
}

// ---- the whole round trip through the simulator process ----

TEST_F(SwitchPageTest, RoutesThroughVantelSimAndBothPagesFollow) {
    SimProcess simProcess;
    ASSERT_TRUE(simProcess.Start({"--listen", "127.0.0.1:0", "--inputs", "8", "--outputs", "8"}));
    const std::string ini =
        "[setup]\nmode=1\nip=127.0.0.1\nport=" + std::to_string(simProcess.TcpPort()) + "\n";
    WriteIni(ini.c_str());
    dlg = std::make_unique<CVantelDlg>();  // the real transports
    dlg->Create();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    ShowTab(kTabSwitch);
    CPageSwitchDlg& page = Page();
    ASSERT_TRUE(WaitFor([&] { return page.m_image[0] == 0xAA; }, kPollMs));
    ASSERT_TRUE(page.m_pTxButtons[2]->isVisible());

    ClickInput(2);
    Press(CPageSwitchDlg::IDC_CLEAR);
    ClickOutput(0);
    ClickOutput(4);
    Press(CPageSwitchDlg::IDC_OK);
    EXPECT_EQ(errors.Count(), 0);

    EXPECT_TRUE(WaitFor(
        [&] { return page.m_image[7 + 8 + 0] == 3 && page.m_image[7 + 8 + 4] == 3; }, kPollMs));
    const auto rows = ListedRows(dlg->m_pageView);
    const auto row3 = std::find_if(rows.begin(), rows.end(),
                                   [](const CStateImage::ListRow& r) { return r.in == "03"; });
    ASSERT_NE(row3, rows.end());
    EXPECT_NE(row3->out.find("01"), std::string::npos) << row3->out;
    EXPECT_NE(row3->out.find("05"), std::string::npos) << row3->out;
    ClickInput(2);
    std::vector<int> fed;
    for (int j = 0; j < 8; ++j) {
        if (page.m_image[static_cast<std::size_t>(7 + 8 + j)] == 3) {
            fed.push_back(j);
        }
    }
    EXPECT_EQ(Ticked(8), fed);
    EXPECT_TRUE(std::find(fed.begin(), fed.end(), 4) != fed.end());
}

}  // namespace
}  // namespace vantel::test
