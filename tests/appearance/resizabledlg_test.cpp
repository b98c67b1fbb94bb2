// The dialog builder on a small template of every control kind, and the anchors.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTableWidget>
#include <QTest>

#include "appearance/dlgfont.h"
#include "appearance/resizabledlg.h"
#include "appearance/skintabctrl.h"
#include "support/guitest.h"

using vantel::test::FindById;

namespace {

constexpr CtlTemplate kSmallControls[] = {
    {10, CtlKind::PushButton, "&Go", 5, 5, 40, 14, kStyleTabStop},
    {IDC_STATIC, CtlKind::Label, "Name:", 5, 25, 30, 8, kStyleNone},
    {11, CtlKind::Edit, "", 40, 23, 60, 14, kStyleBorder | kStyleTabStop},
    {20, CtlKind::RadioPushLike, "A", 5, 45, 30, 14, kStyleGroup},
    {21, CtlKind::RadioPushLike, "B", 40, 45, 30, 14, kStyleNone},
    {22, CtlKind::RadioPushLike, "C", 75, 45, 30, 14, kStyleNone},
    {30, CtlKind::RadioButton, "X", 5, 65, 30, 10, kStyleGroup},
    {31, CtlKind::DropList, "", 40, 65, 60, 100, kStyleTabStop},
    {32, CtlKind::RadioButton, "Y", 105, 65, 30, 10, kStyleNone},
    {40, CtlKind::CheckBoxPushLike, "Tick", 5, 80, 30, 14, kStyleGroup | kStyleHidden},
    {41, CtlKind::Trackbar, "", 40, 80, 60, 14, kStyleDisabled},
    {42, CtlKind::GroupBox, "Box", 2, 2, 140, 100, kStyleNone},
    {43, CtlKind::ListReport, "", 150, 5, 80, 60, kStyleBorder},
    {44, CtlKind::TabControl, "", 150, 70, 80, 40, kStyleNone},
    {45, CtlKind::Rect, "", 5, 105, 20, 8, kStyleNone},
    {46, CtlKind::Frame, "", 5, 115, 200, 1, kStyleNone},
};
constexpr DlgTemplate kSmall = {
    900, "Small", 240, 130, "宋体", 9, kDlgPopup | kDlgResizable, kSmallControls};
// The same controls as a visible page, for resizing inside a shown parent.
constexpr DlgTemplate kSmallPage = {901,           "", 240, 130, "宋体", 9, kDlgChild | kDlgVisible,
                                    kSmallControls};

// A shown host with the small page in it: a visible child is resized at once.
struct PageHost {
    PageHost() {
        host.resize(800, 600);
        page.Create(&host);
        host.show();
    }
    QWidget host;
    CResizableDlg page{kSmallPage};
};

TEST(ResizableDlg, BuildsEveryKindNamedByItsId) {
    CResizableDlg dlg(kSmall);
    ASSERT_TRUE(dlg.Create());
    EXPECT_NE(FindById<QPushButton>(&dlg, 10), nullptr);
    EXPECT_NE(FindById<QLineEdit>(&dlg, 11), nullptr);
    EXPECT_NE(FindById<QRadioButton>(&dlg, 30), nullptr);
    EXPECT_NE(FindById<QComboBox>(&dlg, 31), nullptr);
    EXPECT_NE(FindById<QSlider>(&dlg, 41), nullptr);
    EXPECT_NE(FindById<QGroupBox>(&dlg, 42), nullptr);
    EXPECT_NE(FindById<QTableWidget>(&dlg, 43), nullptr);
    EXPECT_NE(FindById<CSkinTabCtrl>(&dlg, 44), nullptr);
    EXPECT_NE(FindById<QFrame>(&dlg, 45), nullptr);
    for (int id : {20, 21, 22, 40}) {
        auto* button = FindById<QPushButton>(&dlg, id);
        ASSERT_NE(button, nullptr) << id;
        EXPECT_TRUE(button->isCheckable()) << id;
    }
    EXPECT_FALSE(dlg.Item<QPushButton>(10)->isCheckable());
    EXPECT_EQ(dlg.GetDlgItem(10), FindById(&dlg, 10));
    EXPECT_EQ(dlg.GetDlgItem(12345), nullptr);

    // The label has no id and so no name; every control takes the template font.
    const auto labels = dlg.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_TRUE(labels.front()->objectName().isEmpty());
    EXPECT_EQ(labels.front()->text(), "Name:");
    EXPECT_EQ(labels.front()->font(), dlg.DialogFont());
    EXPECT_EQ(dlg.Item<QPushButton>(10)->accessibleName(), "Go");
    EXPECT_EQ(dlg.windowTitle(), "Small");
}

TEST(ResizableDlg, StyleBitsGiveVisibilityAndState) {
    CResizableDlg dlg(kSmall);
    ASSERT_TRUE(dlg.Create());
    dlg.show();
    EXPECT_FALSE(dlg.GetDlgItem(40)->isVisible());
    EXPECT_TRUE(dlg.GetDlgItem(41)->isVisible());
    EXPECT_FALSE(dlg.GetDlgItem(41)->isEnabled());
    EXPECT_TRUE(dlg.GetDlgItem(40)->isEnabled());
    EXPECT_FALSE(dlg.Item<QTableWidget>(43)->verticalHeader()->isVisible());
    EXPECT_EQ(dlg.Item<QTableWidget>(43)->selectionBehavior(), QAbstractItemView::SelectRows);
}

TEST(ResizableDlg, RadioGroupsAreExclusiveWithinTheirGroupOnly) {
    CResizableDlg dlg(kSmall);
    ASSERT_TRUE(dlg.Create());
    auto checked = [&dlg](int id) { return dlg.Item<QAbstractButton>(id)->isChecked(); };

    dlg.Item<QPushButton>(20)->click();
    dlg.Item<QRadioButton>(30)->click();
    EXPECT_TRUE(checked(20));
    EXPECT_TRUE(checked(30));

    dlg.Item<QPushButton>(22)->click();  // same group as 20: 20 goes out
    EXPECT_FALSE(checked(20));
    EXPECT_TRUE(checked(22));
    EXPECT_TRUE(checked(30));  // the other group keeps its choice

    dlg.Item<QRadioButton>(32)->click();  // 31 (a list) between them does not split the group
    EXPECT_FALSE(checked(30));
    EXPECT_TRUE(checked(32));
    EXPECT_TRUE(checked(22));

    // The push-like check box after a new group start is no radio: it toggles.
    dlg.Item<QPushButton>(40)->click();
    dlg.Item<QPushButton>(40)->click();
    EXPECT_FALSE(checked(40));
    EXPECT_TRUE(checked(22));
}

TEST(ResizableDlg, DialogUnitsFollowTheTemplateFont) {
    CResizableDlg dlg(kSmall);
    ASSERT_TRUE(dlg.Create());
    const QFontMetrics metrics(dlg.DialogFont());
    const int letters =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int baseX = (letters / 26 + 1) / 2;
    const int baseY = metrics.height();
    ASSERT_GT(baseX, 0);
    // A CJK face reports the full ideograph width as its average; the base must be the Latin one.
    EXPECT_LT(baseX, metrics.horizontalAdvance(QString::fromUtf8("确")));

    EXPECT_EQ(dlg.DluX(40), 10 * baseX);
    EXPECT_EQ(dlg.DluY(16), 2 * baseY);
    EXPECT_EQ(dlg.DluX(1), (baseX + 2) / 4);
    EXPECT_EQ(dlg.size(), QSize(dlg.DluX(240), dlg.DluY(130)));
    EXPECT_EQ(dlg.GetDlgItem(11)->geometry(), dlg.DluRect(40, 23, 60, 14));
    // A drop-down list is as high as its closed box, not as its template rectangle.
    EXPECT_LT(dlg.GetDlgItem(31)->height(), dlg.DluY(100));
}

TEST(DialogFont, ChineseFaceFallsBackToAnInstalledCjkFont) {
    const QFont font = vantel::DialogFont("宋体", 9);
    EXPECT_EQ(font.pointSize(), 9);
    const QFontMetrics metrics(font);
    EXPECT_TRUE(metrics.inFont(QChar(0x786E)));  // 确
    EXPECT_TRUE(metrics.inFont(QChar(0x5B9A)));  // 定
}

TEST(DialogFont, MulDivRoundsHalvesAwayFromZero) {
    struct Case {
        int a, b, c, expected;
    };
    const Case cases[] = {
        {1, 6, 4, 2},   {1, 5, 4, 1}, {2, 3, 4, 2}, {3, 1, 2, 2},
        {-3, 1, 2, -2}, {7, 0, 4, 0}, {5, 5, 0, 0}, {100000, 100000, 100000, 100000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vantel::MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
    }
}

QWidget* NextFocusable(QWidget* widget) {
    QWidget* next = widget->nextInFocusChain();
    while (next != widget && next->focusPolicy() == Qt::NoFocus) {
        next = next->nextInFocusChain();
    }
    return next;
}

TEST(ResizableDlg, TabOrderFollowsTheTemplate) {
    CResizableDlg dlg(kSmall);
    ASSERT_TRUE(dlg.Create());
    const int order[] = {10, 11, 20, 21, 22, 30, 31, 32, 40, 41};
    for (size_t i = 0; i + 1 < std::size(order); ++i) {
        EXPECT_EQ(NextFocusable(dlg.GetDlgItem(order[i])), dlg.GetDlgItem(order[i + 1]))
            << "after " << order[i];
    }
}

TEST(ResizableDlg, GroupBoxStaysBeneathAndLetsClicksThrough) {
    CResizableDlg dlg(kSmall);
    ASSERT_TRUE(dlg.Create());
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    auto* go = dlg.Item<QPushButton>(10);
    EXPECT_EQ(dlg.childAt(go->geometry().center()), go);
    int clicks = 0;
    QObject::connect(go, &QPushButton::clicked, [&clicks] { ++clicks; });
    QTest::mouseClick(go, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

// A custom control takes the place of the standard one, named and placed alike.
class CustomDlg : public CResizableDlg {
public:
    CustomDlg() : CResizableDlg(kSmall) {}
    int initCalls = 0;

protected:
    bool OnInitDialog() override {
        ++initCalls;
        return true;
    }
    QWidget* CreateCustomControl(const CtlTemplate& ctl, QWidget* parent) override {
        return ctl.id == 45 ? new QLabel("lamp", parent) : nullptr;
    }
};

TEST(ResizableDlg, SubclassesProvideCustomControlsAndInitialiseOnce) {
    CustomDlg dlg;
    ASSERT_TRUE(dlg.Create());
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.initCalls, 1);
    auto* lamp = dlg.Item<QLabel>(45);
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(lamp->text(), "lamp");
    EXPECT_EQ(lamp->geometry(), dlg.DluRect(5, 105, 20, 8));
}

TEST(ResizableDlg, UnknownTemplateIsNotCreated) {
    CResizableDlg dlg(4242);
    EXPECT_FALSE(dlg.Create());
    EXPECT_EQ(dlg.DoModal(), QDialog::Rejected);
}

TEST(ResizableDlg, AnchorsMoveAndStretchByTheGrowth) {
    struct Case {
        const char* what;
        QPointF topLeft, bottomRight;
    };
    const Case cases[] = {
        {"fixed", {0, 0}, {0, 0}},
        {"stretching", {0, 0}, {1, 1}},
        {"following the bottom-right corner", {1, 1}, {1, 1}},
        {"following the top-right corner", {1, 0}, {1, 0}},
        {"half of the growth", {0.5, 0.5}, {0.5, 0.5}},
    };
    const QSize deltas[] = {{120, 80}, {-40, -30}, {7, 3}};
    for (const Case& c : cases) {
        for (const QSize& delta : deltas) {
            PageHost h;
            CResizableDlg& dlg = h.page;
            const QSize initialSize = dlg.size();
            const QRect initial = dlg.GetDlgItem(11)->geometry();
            dlg.AddAnchor(11, c.topLeft, c.bottomRight);
            dlg.resize(initialSize + delta);
            const QRect now = dlg.GetDlgItem(11)->geometry();
            const double dx = delta.width(), dy = delta.height();
            EXPECT_EQ(now.left(), initial.left() + qRound(c.topLeft.x() * dx)) << c.what;
            EXPECT_EQ(now.top(), initial.top() + qRound(c.topLeft.y() * dy)) << c.what;
            EXPECT_EQ(now.x() + now.width(),
                      initial.x() + initial.width() + qRound(c.bottomRight.x() * dx))
                << c.what;
            EXPECT_EQ(now.y() + now.height(),
                      initial.y() + initial.height() + qRound(c.bottomRight.y() * dy))
                << c.what;
            // Back to the initial size, the control is where it started.
            dlg.resize(initialSize);
            EXPECT_EQ(dlg.GetDlgItem(11)->geometry(), initial) << c.what;
        }
    }
}

TEST(ResizableDlg, AnchorsOfAHiddenPageApplyWhenItIsShown) {
    PageHost h;
    h.page.hide();
    const QRect initial = h.page.GetDlgItem(11)->geometry();
    h.page.AddAnchor(11, {1, 1}, {1, 1});
    h.page.resize(h.page.size() + QSize(30, 20));
    h.page.show();
    EXPECT_EQ(h.page.GetDlgItem(11)->geometry(), initial.translated(30, 20));
}

TEST(ResizableDlg, AnchorsNeverGiveANegativeSizeAndIgnoreUnknownIds) {
    PageHost h;
    h.page.AddAnchor(777, {0, 0}, {1, 1});
    h.page.AddAnchor(11, {0, 0}, {1, 1});
    h.page.resize(20, 20);
    EXPECT_EQ(h.page.GetDlgItem(11)->width(), 0);
    EXPECT_EQ(h.page.GetDlgItem(11)->height(), 0);
}

TEST(ResizableDlg, AnchorRegisteredAgainReplacesTheFirst) {
    PageHost h;
    const QRect initial = h.page.GetDlgItem(10)->geometry();
    h.page.AddAnchor(10, {0, 0}, {1, 1});
    h.page.AddAnchor(10, {0, 0}, {0, 0});
    h.page.resize(h.page.size() + QSize(50, 50));
    EXPECT_EQ(h.page.GetDlgItem(10)->geometry(), initial);
}

TEST(ResizableDlg, AnchorIsMeasuredFromTheSizeAtRegistration) {
    PageHost h;
    const QSize start = h.page.size();
    h.page.resize(start + QSize(100, 0));
    const QRect before = h.page.GetDlgItem(11)->geometry();
    h.page.AddAnchor(11, {1, 0}, {1, 0});
    h.page.resize(start + QSize(110, 0));
    EXPECT_EQ(h.page.GetDlgItem(11)->geometry(), before.translated(10, 0));
}

}  // namespace
