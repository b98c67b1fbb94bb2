// The tab control: layout of strip and page area, and which selection changes it reports.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTabBar>
#include <QTest>

#include "appearance/skintabctrl.h"
#include "res/resources.h"

namespace {

class SkinTabCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        tab.resize(600, 400);
        tab.SetMinTabWidth(100);
        tab.SetImageList(LoadTabImages());
        const char* texts[] = {"LOAD", "SWITCH", "SAVE / VIEW", "SET"};
        const int images[] = {1, 2, 0, 3};
        for (int i = 0; i < 4; ++i) {
            tab.InsertItem(i, texts[i], images[i]);
        }
        tab.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&tab));
    }

    void ClickTab(int index) {
        const QRect r = tab.TabBar()->tabRect(index);
        QTest::mouseClick(tab.TabBar(), Qt::LeftButton, {}, r.center());
    }

    CSkinTabCtrl tab;
};

TEST_F(SkinTabCtrlTest, PageAreaLiesBelowTheStripInsideTheControl) {
    const QRect area = tab.GetPageArea();
    const QRect strip = tab.TabBar()->geometry();
    EXPECT_GT(area.top(), strip.bottom());
    EXPECT_TRUE(tab.rect().contains(area));
    EXPECT_GT(area.width(), 550);
    EXPECT_GT(area.height(), 300);

    tab.resize(800, 500);
    const QRect grown = tab.GetPageArea();
    EXPECT_EQ(grown.width() - area.width(), 200);
    EXPECT_EQ(grown.height() - area.height(), 100);
    EXPECT_EQ(grown.topLeft(), area.topLeft());

    tab.resize(10, 10);
    EXPECT_GE(tab.GetPageArea().width(), 0);
    EXPECT_GE(tab.GetPageArea().height(), 0);
}

TEST_F(SkinTabCtrlTest, TabsKeepTheirTextImageAndMinimumWidth) {
    ASSERT_EQ(tab.GetItemCount(), 4);
    EXPECT_EQ(tab.TabBar()->tabText(2), "SAVE / VIEW");
    for (int i = 0; i < 4; ++i) {
        EXPECT_GE(tab.TabBar()->tabRect(i).width(), 100) << i;
        EXPECT_FALSE(tab.TabBar()->tabIcon(i).isNull()) << i;
    }
    tab.InsertItem(4, "NONE", 99);  // an image index the list does not have
    EXPECT_TRUE(tab.TabBar()->tabIcon(4).isNull());
}

TEST_F(SkinTabCtrlTest, OnlyTheUserChangesAreReported) {
    QSignalSpy spy(&tab, &CSkinTabCtrl::selChange);
    EXPECT_EQ(tab.GetCurSel(), 0);

    tab.SetCurSel(2);
    EXPECT_EQ(tab.GetCurSel(), 2);
    EXPECT_EQ(spy.count(), 0);

    ClickTab(1);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1);
    EXPECT_EQ(tab.GetCurSel(), 1);

    ClickTab(1);  // the selected tab again: no change
    EXPECT_EQ(spy.count(), 1);

    tab.SetCurSel(7);  // out of range: nothing
    tab.SetCurSel(-1);
    EXPECT_EQ(tab.GetCurSel(), 1);
    EXPECT_EQ(spy.count(), 1);

    tab.InsertItem(0, "FIRST", 0);  // inserting shifts the selection without a report
    EXPECT_EQ(spy.count(), 1);
}

TEST(SkinTabCtrl, FirstTabInsertedIsNotAUserChange) {
    CSkinTabCtrl tab;
    QSignalSpy spy(&tab, &CSkinTabCtrl::selChange);
    tab.InsertItem(0, "ONE", -1);
    EXPECT_EQ(tab.GetCurSel(), 0);
    EXPECT_EQ(spy.count(), 0);
}

}  // namespace
