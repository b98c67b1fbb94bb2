// Every template of the application: a sound table, and a window built from it.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <set>

#include "appearance/resizabledlg.h"
#include "res/dlgtemplate.h"
#include "support/guitest.h"

namespace {

TEST(Templates, EachTableIsSound) {
    const std::set<int> expected = {IDD_ABOUTBOX,  IDD_VANTEL_DIALOG, IDD_SETNEW,
                                    IDD_PAGE_VIEW, IDD_PAGE_SWITCH,   IDD_PAGE_SETUP};
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
