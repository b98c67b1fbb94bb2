// The main window: start state, tab changes, resizing by anchors, the About entry, and every
// way the window ends stopping the worker first.

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QScreen>
#include <QTabBar>
#include <string>
#include <vector>

#include "app/aboutdlg.h"
#include "appearance/skintabctrl.h"
#include "controls/labelbutton.h"
#include "maindlgfixture.h"

namespace vantel::test {
namespace {

// Pages by tab index: LOAD, SWITCH, SAVE / VIEW, SET, SALVO.
std::vector<QWidget*> PagesByTab(CVantelDlg& d) {
    return {&d.m_pageLoad, &d.m_pageSwitch, &d.m_pageView, &d.m_pageSetup, &d.m_pageSalvo};
}

std::vector<QWidget*> VisiblePages(CVantelDlg& d) {
    std::vector<QWidget*> visible;
    for (QWidget* page : PagesByTab(d)) {
        if (page->isVisible()) {
            visible.push_back(page);
        }
    }
    return visible;
}

void ClickTab(CVantelDlg& d, int index) {
    QTabBar* bar = d.m_tab->TabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

TEST_F(MainDlgTest, StartsOnTheLoadTabWithOnlyTheLoadPageVisible) {
    WriteIni("[setup]\nmode=0\nserial=0\n");
    CVantelDlg& d = Start();
    EXPECT_EQ(d.windowTitle(), "Control software");
    ASSERT_NE(d.m_tab, nullptr);
    EXPECT_EQ(d.m_tab, FindById<CSkinTabCtrl>(&d, 1003));
    const QStringList texts = {"LOAD", "SWITCH", "SAVE / VIEW", "SET", "SALVO"};
    ASSERT_EQ(d.m_tab->GetItemCount(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(d.m_tab->TabBar()->tabText(i), texts[i]);
        EXPECT_FALSE(d.m_tab->TabBar()->tabIcon(i).isNull()) << i;
    }
    EXPECT_EQ(d.m_tab->GetCurSel(), 0);
    EXPECT_EQ(VisiblePages(d), std::vector<QWidget*>{&d.m_pageLoad});
    EXPECT_TRUE(d.m_pageLoad.isEnabled());
    EXPECT_EQ(d.m_pageLoad.m_bLoadMode, 1);
    EXPECT_EQ(d.m_pageView.m_bLoadMode, 0);
    for (QWidget* page : PagesByTab(d)) {
        EXPECT_EQ(page->parentWidget(), d.m_tab);
    }
    EXPECT_EQ(d.m_pageSetup.m_pMainDlg, &d);
    EXPECT_EQ(d.m_pageSwitch.m_pMainDlg, &d);
    EXPECT_EQ(d.m_pageView.m_pMainDlg, &d);
    EXPECT_EQ(d.m_pageLoad.m_pMainDlg, &d);
    EXPECT_EQ(d.m_pageSalvo.m_pMainDlg, &d);
    // The status row, left to right, with its captions.
    EXPECT_EQ(FindById<QLabel>(&d, 1074), d.m_stcPort);
    const std::pair<int, CLedRect*> lamps[] = {{1075, &d.m_ledConnect},
                                               {1077, &d.m_ledCommand},
                                               {1067, &d.m_ledRespond},
                                               {1068, &d.m_ledStatus}};
    int left = d.m_stcPort->geometry().right();
    for (const auto& [id, lamp] : lamps) {
        EXPECT_EQ(FindById<CLedRect>(&d, id), lamp);
        EXPECT_GT(lamp->x(), left);
        left = lamp->x();
    }
    EXPECT_EQ(d.m_ledConnect.GetText(), "Connect");
    EXPECT_EQ(d.m_ledCommand.GetText(), "Command");
    EXPECT_EQ(d.m_ledRespond.GetText(), "Respond");
    EXPECT_EQ(d.m_ledStatus.GetText(), "Status");
}

TEST_F(MainDlgTest, BuildsThePagesNotInViewAfterItsFirstPaintOrWhenOneIsNeeded) {
    WriteIni("[setup]\nmode=0\nserial=0\n");
    dlg = std::make_unique<CVantelDlg>();
    dlg->Create();
    // Before any event is served, only the page in view exists.
    EXPECT_TRUE(dlg->m_pageLoad.IsCreated());
    EXPECT_FALSE(dlg->m_pageSwitch.IsCreated());
    EXPECT_FALSE(dlg->m_pageSetup.IsCreated());
    // The SET page's use of the label buttons builds the switch page, out of view.
    static_cast<IPageOwner&>(*dlg).UseCounts(4, 4);
    EXPECT_TRUE(dlg->m_pageSwitch.IsCreated());
    EXPECT_EQ(dlg->m_pageSwitch.parentWidget(), dlg->m_tab);
    EXPECT_FALSE(dlg->m_pageSetup.IsCreated());
    // The first paint brings the rest; the LOAD page is still the one in view.
    EXPECT_TRUE(AllPagesBuilt(*dlg));
    EXPECT_EQ(VisiblePages(*dlg), std::vector<QWidget*>{&dlg->m_pageLoad});
}

TEST_F(MainDlgTest, EachTabShowsExactlyItsPage) {
    WriteIni("[setup]\nmode=0\nserial=0\n");
    CVantelDlg& d = Start();
    const std::vector<QWidget*> pages = PagesByTab(d);
    for (int index : {1, 2, 3, 4, 3, 0, 4, 2, 2, 1}) {
        ClickTab(d, index);
        EXPECT_EQ(d.m_tab->GetCurSel(), index);
        EXPECT_EQ(VisiblePages(d), std::vector<QWidget*>{pages[static_cast<std::size_t>(index)]})
            << "tab " << index;
        EXPECT_TRUE(pages[static_cast<std::size_t>(index)]->isEnabled());
    }
}

TEST_F(MainDlgTest, ResizingStretchesTheTabsAndKeepsTheStatusRowAtTheCorner) {
    WriteIni("[setup]\nmode=0\nserial=0\n");
    CVantelDlg& d = Start();
    std::vector<QWidget*> row = {d.m_stcPort, &d.m_ledConnect, &d.m_ledCommand, &d.m_ledRespond,
                                 &d.m_ledStatus};
    // Room to shrink above the minimum size.
    d.resize(d.minimumSize() + QSize(100, 100));
    QCoreApplication::processEvents();
    const QSize size0 = d.size();
    const QRect tab0 = d.m_tab->geometry();
    std::vector<QRect> row0;
    for (QWidget* w : row) {
        row0.push_back(w->geometry());
    }
    for (QSize delta : {QSize(180, 120), QSize(-60, -40), QSize(0, 0), QSize(300, -20)}) {
        d.resize(size0 + delta);
        QCoreApplication::processEvents();
        SCOPED_TRACE(testing::Message() << delta.width() << "x" << delta.height());
        EXPECT_EQ(d.m_tab->geometry(), tab0.adjusted(0, 0, delta.width(), delta.height()));
        for (std::size_t i = 0; i < row.size(); ++i) {
            EXPECT_EQ(row[i]->geometry(), row0[i].translated(delta.width(), delta.height()));
        }
        const QRect area = d.m_tab->GetPageArea();
        EXPECT_FALSE(area.isEmpty());
        for (QWidget* page : PagesByTab(d)) {
            EXPECT_EQ(page->geometry(), area) << "visible or not, every page fills the area";
        }
    }
}

// Controls of a window that overlap another or reach out of it. Group boxes frame others and
// the separator line spans the page; label buttons lie on their own grid.
std::vector<std::string> CrowdedControls(QWidget& window) {
    std::vector<QWidget*> controls;
    for (QWidget* c : window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        const bool frame = QByteArray(c->metaObject()->className()) == "QFrame";
        if (!c->isHidden() && !frame && qobject_cast<QGroupBox*>(c) == nullptr &&
            qobject_cast<CLabelButton*>(c) == nullptr) {
            controls.push_back(c);
        }
    }
    std::vector<std::string> crowded;
    const auto name = [](QWidget* c) {
        return c->objectName().isEmpty() ? std::string(c->metaObject()->className())
                                         : c->objectName().toStdString();
    };
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (!window.rect().contains(controls[i]->geometry())) {
            crowded.push_back(name(controls[i]) + " out of the window");
        }
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            if (controls[i]->geometry().intersects(controls[j]->geometry())) {
                crowded.push_back(name(controls[i]) + " over " + name(controls[j]));
            }
        }
    }
    return crowded;
}

TEST_F(MainDlgTest, StartsWithinTheScreenAndStopsShrinkingWhereControlsWouldCrowd) {
    WriteIni("[setup]\nmode=0\nserial=0\n");
    CVantelDlg& d = Start();
    const QRect available = d.screen()->availableGeometry();
    EXPECT_TRUE(available.contains(d.frameGeometry()))
        << d.frameGeometry().width() << "x" << d.frameGeometry().height() << " on "
        << available.width() << "x" << available.height();

    ASSERT_GT(d.minimumWidth(), 0);
    ASSERT_GT(d.minimumHeight(), 0);
    for (const QSize asked : {QSize(560, 400), QSize(1, 1), d.minimumSize()}) {
        SCOPED_TRACE(testing::Message() << asked.width() << "x" << asked.height());
        d.resize(asked);
        QCoreApplication::processEvents();
        EXPECT_EQ(d.size(), d.minimumSize());
        EXPECT_EQ(CrowdedControls(d), std::vector<std::string>{});
        for (int tab = 0; tab < 5; ++tab) {
            ClickTab(d, tab);
            QWidget* page = PagesByTab(d)[static_cast<std::size_t>(tab)];
            SCOPED_TRACE(page->metaObject()->className());
            EXPECT_EQ(CrowdedControls(*page), std::vector<std::string>{});
        }
    }
}

TEST_F(MainDlgTest, ContextMenuOpensWithAboutAndHasTheAskingUndoBelowASeparator) {
    WriteIni("[setup]\nmode=0\nserial=0\n");
    CVantelDlg& d = Start();
    EXPECT_EQ(d.contextMenuPolicy(), Qt::ActionsContextMenu);
    // The menu's entries in order, separators as "-"; a menu drops a leading separator.
    QStringList entries;
    for (const QAction* action : d.actions()) {
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    EXPECT_EQ(entries, (QStringList{"-", QString::fromUtf8("关于 Vantel(&A)..."), "-",
                                    QString::fromUtf8("Undo…")}));
    EXPECT_EQ(d.actions().back(), d.m_pageSalvo.UndoAskAction());
    // Ctrl+Z undoes at once, so it is no menu entry.
    EXPECT_FALSE(d.actions().contains(d.m_pageSalvo.UndoAction()));
    QAction* about = d.actions()[1];

    for (const auto& open : std::vector<std::function<void()>>{
             [&] { about->trigger(); },
             [&] {
                 d.activateWindow();
                 ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
                 QTest::keyClick(&d, Qt::Key_F1);
             },
         }) {
        QString button;
        bool aboutBox = false;
        AnswerNextModal([&](QWidget* modal) {
            aboutBox = qobject_cast<CAboutDlg*>(modal) != nullptr;
            auto* ok = FindById<QAbstractButton>(modal, 1);
            ASSERT_NE(ok, nullptr);
            button = ok->text();
            ok->click();
        });
        open();
        EXPECT_TRUE(aboutBox);
        EXPECT_EQ(button, QString::fromUtf8("确定"));
    }
}

TEST_F(MainDlgTest, ClosingWhileTheWorkerWaitsInACommandStopsItFirst) {
    WriteIni("[setup]\nmode=1\nip=127.0.0.1\n");
    sim.SetSilent(true);
    CVantelDlg& d = Start();
    // The first poll is under way and waits for a reply that never comes.
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.Requests() > 0; }, 5000));
    EXPECT_TRUE(d.close());
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.CloseAllThread(0), 0) << "no worker outlived the close";
}

TEST_F(MainDlgTest, EscapeAndEnterStopTheWorkerBeforeTheDialogEnds) {
    WriteIni("[setup]\nmode=1\nip=127.0.0.1\n");
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        CVantelDlg& d = Start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return sim.Requests() > 0; }, 5000));
        if (key == Qt::Key_Escape) {
            QTest::keyClick(&d, key);
            EXPECT_FALSE(d.isVisible());
        } else {
            d.accept();  // what Enter does where the dialog has a default button
        }
        EXPECT_EQ(d.CloseAllThread(0), 0) << "key " << key;
        dlg.reset();
    }
}

TEST_F(MainDlgTest, DestroyingTheRunningWindowStopsTheWorkerFirst) {
    WriteIni("[setup]\nmode=1\nip=127.0.0.1\n");
    sim.SetSilent(true);
    Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.Requests() > 0; }, 5000));
    // The worker is inside a command on the link, which the destructor takes down.
    dlg.reset();
    SUCCEED();
}

}  // namespace
}  // namespace vantel::test
