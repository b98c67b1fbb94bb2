// Every template of the application: a sound table, and a window built from it.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "appearance/resizabledlg.h"
#include "res/dlgtemplate.h"
#include "support/guitest.h"

namespace {

TEST(Templates, EachTableIsSound) {
    const std::set<int> expected = {IDD_ABOUTBOX,    IDD_VANTEL_DIALOG, IDD_SETNEW,    IDD_PAGE_VIEW,
                                    IDD_PAGE_SWITCH, IDD_PAGE_SETUP,    IDD_PAGE_SALVO};
    std::set<int> found;
    for (const DlgTemplate& dlg : AllDlgTemplates()) {
        found.insert(dlg.id);
        EXPECT_EQ(FindDlgTemplate(dlg.id), &dlg);
        const bool popup = (dlg.style & kDlgPopup) != 0;
        EXPECT_NE(popup, (dlg.style & kDlgChild) != 0) << dlg.id;
        std::set<int> ids;
        for (const CtlTemplate& ctl : dlg.controls) {
            if (ctl.id != IDC_STATIC) {
                EXPECT_TRUE(ids.insert(ctl.id).second) << dlg.id << ": id " << ctl.id << " twice";
            }
            EXPECT_GE(ctl.x, 0) << dlg.id << "/" << ctl.id;
            EXPECT_GE(ctl.y, 0) << dlg.id << "/" << ctl.id;
            EXPECT_GT(ctl.cx, 0) << dlg.id << "/" << ctl.id;
            EXPECT_GT(ctl.cy, 0) << dlg.id << "/" << ctl.id;
            EXPECT_LE(ctl.x + ctl.cx, dlg.cx) << dlg.id << "/" << ctl.id;
            EXPECT_LE(ctl.y + ctl.cy, dlg.cy) << dlg.id << "/" << ctl.id;
            ASSERT_NE(ctl.caption, nullptr);
        }
    }
    EXPECT_EQ(found, expected);
    EXPECT_EQ(FindDlgTemplate(999), nullptr);
}

TEST(Templates, SceneButtonsSitInTwoColumns) {
    const DlgTemplate* view = FindDlgTemplate(IDD_PAGE_VIEW);
    ASSERT_NE(view, nullptr);
    int scenes = 0;
    for (const CtlTemplate& ctl : view->controls) {
        if (ctl.kind != CtlKind::RadioPushLike) {
            continue;
        }
        const int n = ctl.id - 1006;
        ASSERT_GE(n, 0);
        ASSERT_LT(n, 12);
        EXPECT_EQ(ctl.x, 318 + 55 * (n % 2)) << ctl.id;
        EXPECT_EQ(ctl.y, 7 + 30 * (n / 2)) << ctl.id;
        EXPECT_EQ(QString::fromUtf8(ctl.caption),
                  n == 0 ? QString("Scene") : QString("Scene%1").arg(n));
        EXPECT_EQ((ctl.style & kStyleGroup) != 0, n == 0) << ctl.id;
        ++scenes;
    }
    EXPECT_EQ(scenes, 12);
}

// One control of a template as the product's dialog tables give it.
struct PinnedControl {
    int id;
    const char* caption;
    int x, y, cx, cy;
};

std::string Describe(int id, const char* caption, int x, int y, int cx, int cy) {
    return std::to_string(id) + " \"" + caption + "\" at " + std::to_string(x) + "," +
           std::to_string(y) + " size " + std::to_string(cx) + "x" + std::to_string(cy);
}

// The switch page: positions only (its label buttons are made at run time).
const PinnedControl kSwitchPage[] = {
    {1018, "OK", 252, 180, 90, 30},   {1158, "ALL", 176, 180, 74, 30},
    {1159, "clear", 99, 180, 74, 30}, {1151, "", 7, 180, 86, 30},
    {1160, "", 7, 104, 415, 1},       {1164, "", 346, 175, 76, 15},
    {1165, "", 346, 195, 76, 15},
};
// The setup page in template order, which is its tab order.
const PinnedControl kSetupPage[] = {
    {1135, "", 56, 59, 100, 15},
    {1073, "SET", 7, 7, 181, 191},
    {1018, "save", 106, 161, 68, 20},
    {IDC_STATIC, "INPUT:", 15, 27, 33, 8},
    {IDC_STATIC, "OUTPUT:", 15, 46, 33, 8},
    {IDC_STATIC, "IP:", 15, 65, 38, 8},
    {IDC_STATIC, "MASK:", 15, 84, 21, 8},
    {IDC_STATIC, "Gateway:", 15, 103, 33, 8},
    {1069, "", 56, 79, 100, 15},
    {1072, "", 56, 99, 100, 15},
    {1019, "load", 26, 161, 68, 20},
    {1137, "", 56, 25, 40, 14},
    {1138, "", 56, 42, 40, 14},
    {1068, "", 208, 25, 100, 15},
    {1070, "NET", 325, 27, 28, 10},
    {1074, "", 208, 48, 100, 142},
    {1076, "COM", 325, 51, 28, 10},
    {1020, "save", 328, 77, 68, 20},
    {IDC_STATIC, "Buzzer:", 15, 124, 37, 13},
    {1163, "", 56, 122, 100, 15},
    {1166, "CONNECT", 197, 7, 215, 107},
};
// The name entry dialog.
const PinnedControl kNameEntry[] = {
    {1157, "", 11, 25, 49, 18},
    {1151, "save", 65, 25, 37, 18},
    {1152, "cancel", 117, 25, 37, 18},
};

TEST(Templates, ControlsSitWhereTheDialogTablesPutThem) {
    struct Case {
        int id;
        int cx, cy;  // 0: the size is not pinned
        std::span<const PinnedControl> controls;
        bool ordered;  // the table gives the template (tab) order
    };
    const Case cases[] = {
        {IDD_PAGE_SWITCH, 0, 0, kSwitchPage, false},
        {IDD_PAGE_SETUP, 430, 220, kSetupPage, true},
        {IDD_SETNEW, 160, 67, kNameEntry, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const DlgTemplate* tpl = FindDlgTemplate(c.id);
        ASSERT_NE(tpl, nullptr);
        if (c.cx != 0) {
            EXPECT_EQ(tpl->cx, c.cx);
            EXPECT_EQ(tpl->cy, c.cy);
        }
        std::vector<std::string> expected;
        for (const PinnedControl& p : c.controls) {
            expected.push_back(Describe(p.id, p.caption, p.x, p.y, p.cx, p.cy));
        }
        std::vector<std::string> actual;
        for (const CtlTemplate& ctl : tpl->controls) {
            actual.push_back(Describe(ctl.id, ctl.caption, ctl.x, ctl.y, ctl.cx, ctl.cy));
        }
        if (!c.ordered) {
            std::sort(expected.begin(), expected.end());
            std::sort(actual.begin(), actual.end());
        }
        EXPECT_EQ(actual, expected);
    }
}

// Builds every template the way the application does: pages inside a parent, popups alone.
TEST(Templates, EveryTemplateBuildsItsControls) {
    for (const DlgTemplate& tpl : AllDlgTemplates()) {
        QWidget host;
        CResizableDlg dlg(tpl.id);
        const bool child = (tpl.style & kDlgChild) != 0;
        ASSERT_TRUE(dlg.Create(child ? &host : nullptr)) << tpl.id;
        if (child) {
            EXPECT_EQ(dlg.parentWidget(), &host);
            EXPECT_FALSE(dlg.isWindow()) << tpl.id;
        } else {
            EXPECT_TRUE(dlg.isWindow()) << tpl.id;
            EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8(tpl.title));
        }
        EXPECT_EQ(dlg.size(), QSize(dlg.DluX(tpl.cx), dlg.DluY(tpl.cy))) << tpl.id;
        for (const CtlTemplate& ctl : tpl.controls) {
            if (ctl.id == IDC_STATIC) {
                continue;
            }
            QWidget* widget = dlg.GetDlgItem(ctl.id);
            ASSERT_NE(widget, nullptr) << tpl.id << "/" << ctl.id;
            EXPECT_EQ(widget->objectName(), QString::number(ctl.id));
            EXPECT_TRUE(dlg.rect().contains(widget->geometry())) << tpl.id << "/" << ctl.id;
        }
        dlg.close();
    }
}

TEST(Templates, PagesStartHiddenOrVisibleAndDisabledAsTheirTemplateSays) {
    struct Case {
        int id;
        bool hidden;
    };
    const Case cases[] = {{IDD_PAGE_VIEW, true}, {IDD_PAGE_SWITCH, false}, {IDD_PAGE_SETUP, true}};
    for (const Case& c : cases) {
        QWidget host;
        CResizableDlg page(c.id);
        ASSERT_TRUE(page.Create(&host));
        host.show();
        EXPECT_EQ(page.isHidden(), c.hidden) << c.id;
        EXPECT_FALSE(page.isEnabled()) << c.id;
        // Escape must not end an embedded page.
        page.setEnabled(true);
        page.show();
        page.reject();
        EXPECT_TRUE(page.isVisible()) << c.id;
    }
}

TEST(Templates, MainWindowIsResizableAndPopupsAreFixed) {
    CResizableDlg main(IDD_VANTEL_DIALOG);
    ASSERT_TRUE(main.Create());
    EXPECT_EQ(main.windowTitle(), "Control software");
    EXPECT_TRUE(main.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_NE(main.minimumSize(), main.maximumSize());
    main.close();

    CResizableDlg about(IDD_ABOUTBOX);
    ASSERT_TRUE(about.Create());
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    auto* ok = about.Item<QPushButton>(1);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QString::fromUtf8("确定"));
    EXPECT_TRUE(ok->isDefault());
}

TEST(Templates, SetupPageFillsTheSerialPortList) {
    QWidget host;
    CResizableDlg page(IDD_PAGE_SETUP);
    ASSERT_TRUE(page.Create(&host));
    auto* ports = page.Item<QComboBox>(1074);
    ASSERT_NE(ports, nullptr);
    ASSERT_EQ(ports->count(), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(ports->itemText(i), QString("COM%1").arg(i + 1));
    }
    EXPECT_FALSE(ports->isEditable());
    EXPECT_TRUE(FindCtlItems(IDD_PAGE_SETUP, 1068).empty());
}

}  // namespace
