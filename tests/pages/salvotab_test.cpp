// The SALVO tab in the main window: the fifth tab, fed with the live images like the other
// pages, and Ctrl+Z anywhere in the window taking back the switch page's OK or a scene LOAD,
// which are journaled before they go out.
#include <QLabel>
#include <filesystem>

#include "link/devicecommand.h"
#include "pages/pagesalvodlg.h"
#include "routing/journal.h"
#include "switchpagefixture.h"

namespace vantel::test {
namespace {

class SalvoTabTest : public SwitchPageTest {
protected:
    static constexpr int kTabSalvo = 4;

    CPageSalvoDlg& Salvo() { return dlg->m_pageSalvo; }
    QString Result() { return Salvo().Item<QLabel>(CPageSalvoDlg::IDC_RESULT)->text(); }

    void PressUndoKeys() {
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        QTest::keyClick(dlg.get(), Qt::Key_Z, Qt::ControlModifier);
    }

    // Stores the live routing as scene n through the link.
    void StoreScene(int n) {
        std::vector<unsigned char> buf(4096);
        buf[0] = static_cast<unsigned char>(n);
        ASSERT_EQ(dlg->m_link.Command(9, buf.data(), buf.size(), 2, 500), kVexaOk);
    }

    std::filesystem::path JournalFile() {
        return CJournal::FileBeside(dlg->SettingsPath().toStdString());
    }

    // Routes input 3 to outputs 1 and 6 alone on the switch page; output 3 loses it.
    void RouteOnTheSwitchPage() {
        ShowTab(kTabSwitch);
        ClickInput(2);
        Press(CPageSwitchDlg::IDC_CLEAR);
        ClickOutput(0);
        ClickOutput(5);
        Press(CPageSwitchDlg::IDC_OK);
    }
};

TEST_F(SalvoTabTest, FifthTabShowsTheSalvoPageWhichFollowsTheLiveImage) {
    StartOnline();
    ShowTab(kTabSalvo);
    EXPECT_EQ(dlg->m_tab->TabBar()->tabText(kTabSalvo), QStringLiteral("SALVO"));
    EXPECT_TRUE(Salvo().isVisible());
    EXPECT_TRUE(Salvo().isEnabled());
    EXPECT_FALSE(Page().isVisible());
    Switch(0, {0, 1});
    const CSwitcher::Image live = sim.LiveImage();
    EXPECT_TRUE(WaitFor(
        [&] { return std::equal(live.begin(), live.end(), Salvo().m_image.begin()); }, kPollMs));
}

TEST_F(SalvoTabTest, CtrlZTakesBackTheSwitchOkOrTheSceneLoad) {
    for (const bool scene : {false, true}) {
        SCOPED_TRACE(scene ? "scene LOAD" : "switch OK");
        StartOnline();
        const CSwitcher::Image before = sim.LiveImage();
        if (scene) {
            Switch(2, {0, 5});
            StoreScene(5);
            Switch(0, {0});
            Switch(2, {2});
            Switch(5, {5});
            ASSERT_EQ(sim.LiveImage(), before);
            ClickScene(dlg->m_pageLoad, 5);
            ClickAction(dlg->m_pageLoad);
        } else {
            RouteOnTheSwitchPage();
        }
        const CSwitcher::Image taken = sim.LiveImage();
        EXPECT_EQ(taken[7 + 8 + 0], 3);
        EXPECT_EQ(taken[7 + 8 + 2], 0);
        EXPECT_EQ(taken[7 + 8 + 5], 3);
        PressUndoKeys();
        EXPECT_EQ(sim.LiveImage(), before);
        EXPECT_TRUE(Result().contains(QStringLiteral("restored outputs 1, 3, 6")))
            << Result().toStdString();
        // The result is shown where it can be read.
        EXPECT_EQ(dlg->m_tab->GetCurSel(), kTabSalvo);
        EXPECT_TRUE(Salvo().isVisible());
        EXPECT_EQ(errors.Count(), 0);
        std::filesystem::remove(JournalFile());
        dlg.reset();
    }
}

TEST_F(SalvoTabTest, CtrlZPassesOverAnOkOrLoadTheDeviceRefused) {
    for (const bool scene : {false, true}) {
        SCOPED_TRACE(scene ? "scene LOAD" : "switch OK");
        StartOnline();
        const CSwitcher::Image before = sim.LiveImage();
        StoreScene(6);
        RouteOnTheSwitchPage();
        const std::uint8_t refused = scene ? kLoadScene : kSwitch;
        log.Refuse(refused);
        if (scene) {
            ClickScene(dlg->m_pageLoad, 6);
            ClickAction(dlg->m_pageLoad);
        } else {
            ClickInput(0);
            Press(CPageSwitchDlg::IDC_CLEAR);
            ClickOutput(1);
            Press(CPageSwitchDlg::IDC_OK);
        }
        ASSERT_EQ(errors.Count(), 1);
        log.Allow(refused);
        // The refused command changed nothing: the route before it is the one taken back.
        PressUndoKeys();
        EXPECT_EQ(sim.LiveImage(), before);
        EXPECT_TRUE(Result().contains(QStringLiteral("restored outputs 1, 3, 6")))
            << Result().toStdString();
        std::filesystem::remove(JournalFile());
        dlg.reset();
        errors.Clear();
    }
}

TEST_F(SalvoTabTest, OkIsNotSentWhenTheJournalCannotBeWritten) {
    StartOnline();
    std::filesystem::create_directory(JournalFile());  // no file can take its place
    const CSwitcher::Image before = sim.LiveImage();
    log.Clear();
    RouteOnTheSwitchPage();
    EXPECT_TRUE(log.Of(12).empty());
    EXPECT_EQ(sim.LiveImage(), before);
    ASSERT_EQ(errors.Count(), 1);
    EXPECT_TRUE(errors.LastText().contains(QStringLiteral("journal")))
        << errors.LastText().toStdString();
}

}  // namespace
}  // namespace vantel::test
