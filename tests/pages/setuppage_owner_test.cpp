// The SET page on an owner of the test's own, without the main window: every label button,
// count and reconnect it asks for goes through its owner, and nothing else is reached.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "controls/rxbutton.h"
#include "controls/txbutton.h"
#include "pages/pagesetupdlg.h"
#include "pages/pageswitchdlg.h"
#include "settings/inifile.h"
#include "support/tempdir.h"
#include "testpageowner.h"

namespace vantel::test {
namespace {

constexpr int kButtons = CPageSwitchDlg::kButtonCount;

class SetupPageOwner : public OwnedPageTest {
protected:
    void SetUp() override {
        // As the main window does: the owner first, then the pages are created.
        owner.switchPage = &switchPage;
        switchPage.m_pMainDlg = &owner;
        page.m_pMainDlg = &owner;
        ASSERT_TRUE(switchPage.Create(&host));
        ASSERT_TRUE(page.Create(&host));
        host.resize(page.size());
        page.setEnabled(true);
        page.show();
        host.show();
        // Every label button shown, so that a page hiding them shows.
        switchPage.ShowLabelButtons(kButtons, kButtons);
    }

    void Click(int id) { QTest::mouseClick(page.Item<QAbstractButton>(id), Qt::LeftButton); }

    // '1' per label button not hidden, inputs then outputs.
    std::string Shown() {
        std::string shown;
        for (int i = 0; i < kButtons; ++i) {
            shown += switchPage.m_pTxButtons[static_cast<std::size_t>(i)]->isHidden() ? '0' : '1';
        }
        for (int i = 0; i < kButtons; ++i) {
            shown += switchPage.m_pRxButtons[static_cast<std::size_t>(i)]->isHidden() ? '0' : '1';
        }
        return shown;
    }
    static std::string FirstShown(int inputs, int outputs) {
        const auto run = [](int n) {
            return std::string(static_cast<std::size_t>(n), '1') +
                   std::string(static_cast<std::size_t>(kButtons - n), '0');
        };
        return run(inputs) + run(outputs);
    }

    CPageSwitchDlg switchPage;
    CPageSetupDlg page;
};

TEST_F(SetupPageOwner, LoadAndSaveReachTheSwitchPageThroughTheOwner) {
    Click(CPageSetupDlg::IDC_LOAD);
    EXPECT_EQ(page.m_editInput->text(), "8");
    EXPECT_EQ(page.m_editOutput->text(), "8");
    EXPECT_EQ(Shown(), FirstShown(8, 8));

    page.m_editInput->setText(QStringLiteral("4"));
    page.m_editOutput->setText(QStringLiteral("6"));
    Click(CPageSetupDlg::IDC_SAVE);
    EXPECT_TRUE(errors.Texts().isEmpty()) << errors.Texts().join('\n').toStdString();
    EXPECT_EQ(owner.counts, (std::vector<std::pair<int, int>>{{4, 6}}));
    EXPECT_EQ(Shown(), FirstShown(4, 6));

    // With the link closed, "load" still hides the buttons and "save" sends nothing.
    d.lib.Close();
    Click(CPageSetupDlg::IDC_LOAD);
    EXPECT_EQ(Shown(), FirstShown(0, 0));
    Click(CPageSetupDlg::IDC_SAVE);
    EXPECT_EQ(owner.counts.size(), 1u);
}

TEST_F(SetupPageOwner, ConnectionSaveStoresInTheOwnersFileAndAsksItToReconnect) {
    page.m_radioNet->setChecked(true);
    Click(CPageSetupDlg::IDC_SAVE_CONNECT);
    EXPECT_EQ(owner.connects, 1);
    CIniFile ini(settings.string());
    EXPECT_EQ(ini.GetString("mode", "setup", "<none>"), "1");
    EXPECT_EQ(ini.GetString("serial", "setup", "<none>"), "1");

    // A file that cannot be written: the choice is not kept, so no reconnect either.
    std::filesystem::remove(settings);
    std::filesystem::create_directory(settings);
    Click(CPageSetupDlg::IDC_SAVE_CONNECT);
    EXPECT_EQ(owner.connects, 1);
    EXPECT_EQ(errors.Texts().size(), 1);
}

TEST_F(SetupPageOwner, SwitchPageUsesTheOwnersSettingsFile) {
    WriteFile(settings.string(), "[NUMBER]\nLINE=9\nROW=14\n[BUTTON]\n3002=Camera\n");
    CPageSwitchDlg other;
    other.m_pMainDlg = &owner;
    ASSERT_TRUE(other.Create(&host));
    EXPECT_EQ(other.m_pIniFile->m_strPath, settings.string());
    EXPECT_EQ(other.m_nLine, 9);
    EXPECT_EQ(other.m_nRow, 14);
    EXPECT_EQ(other.m_pTxButtons[2]->m_strName, "Camera");
}

}  // namespace
}  // namespace vantel::test
