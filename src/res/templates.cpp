// The dialog templates of the application, as tables of controls in tab order.

#include <array>

#include "res/dlgtemplate.h"

namespace vantel {

// The salvo page's controls (salvotemplate.cpp).
extern const std::span<const CtlTemplate> kSalvoControls;

namespace {

constexpr unsigned kButton = kStyleTabStop;
constexpr unsigned kEditStyle = kStyleBorder | kStyleAutoHScroll | kStyleTabStop;
constexpr const char kSimSun[] = "宋体";

// About box.
constexpr CtlTemplate kAboutControls[] = {
    {1, CtlKind::PushButton, "确定", 178, 7, 50, 14, kStyleGroup | kStyleDefault | kButton},
};

// Main window.
constexpr CtlTemplate kMainControls[] = {
    {1003, CtlKind::TabControl, "", 4, 4, 438, 244, kStyleTabStop},
    {1074, CtlKind::Label, "255.255.255.255", 199, 255, 85, 10, kStyleCentre | kStyleSunken},
    {1081, CtlKind::Label, "last known routing, not live", 4, 255, 190, 10, kStyleHidden},
    {1075, CtlKind::Rect, "", 290, 255, 36, 10, kStyleNone},
    {1077, CtlKind::Rect, "", 328, 255, 36, 10, kStyleNone},
    {1067, CtlKind::Rect, "", 366, 255, 36, 10, kStyleNone},
    {1068, CtlKind::Rect, "", 406, 255, 36, 10, kStyleNone},
};

// Name entry dialog.
constexpr CtlTemplate kSetNewControls[] = {
    {1157, CtlKind::Edit, "", 11, 25, 49, 18, kEditStyle | kStyleGroup},
    {1151, CtlKind::PushButton, "save", 65, 25, 37, 18, kButton | kStyleDefault},
    {1152, CtlKind::PushButton, "cancel", 117, 25, 37, 18, kButton},
};

// Scene page: the routing list, twelve scene buttons in two columns, the action button.
constexpr int kSceneCount = 12;
constexpr const char* kSceneCaptions[kSceneCount] = {
    "Scene",  "Scene1", "Scene2", "Scene3", "Scene4",  "Scene5",
    "Scene6", "Scene7", "Scene8", "Scene9", "Scene10", "Scene11",
};

constexpr std::array<CtlTemplate, kSceneCount + 2> MakeViewControls() {
    std::array<CtlTemplate, kSceneCount + 2> controls{};
    controls[0] = {1005, CtlKind::ListReport, "", 7, 7, 304, 206, kStyleBorder | kStyleTabStop};
    for (int n = 0; n < kSceneCount; ++n) {
        const unsigned style = n == 0 ? kStyleGroup | kStyleTabStop : kStyleNone;
        controls[1 + n] = {1006 + n,
                           CtlKind::RadioPushLike,
                           kSceneCaptions[n],
                           318 + 55 * (n % 2),
                           7 + 30 * (n / 2),
                           50,
                           24,
                           style};
    }
    controls[kSceneCount + 1] = {1018, CtlKind::PushButton,  "load/save", 318, 189, 105,
                                 24,   kStyleGroup | kButton};
    return controls;
}
constexpr auto kViewControls = MakeViewControls();

// Switch page: the label buttons are created by the page itself.
constexpr CtlTemplate kSwitchControls[] = {
    {1018, CtlKind::PushButton, "OK", 252, 180, 90, 30, kButton},
    {1158, CtlKind::PushButton, "ALL", 176, 180, 74, 30, kButton},
    {1159, CtlKind::PushButton, "clear", 99, 180, 74, 30, kButton},
    {1151, CtlKind::PushButton, "", 7, 180, 86, 30, kButton | kStyleMultiLine},
    {1160, CtlKind::Frame, "", 7, 104, 415, 1, kStyleBorder},
    {1164, CtlKind::Trackbar, "", 346, 175, 76, 15, kStyleTabStop},
    {1165, CtlKind::Trackbar, "", 346, 195, 76, 15, kStyleTabStop},
};

// Setup page.
constexpr CtlTemplate kSetupControls[] = {
    {1135, CtlKind::IpAddress, "", 56, 59, 100, 15, kStyleTabStop},
    {1073, CtlKind::GroupBox, "SET", 7, 7, 181, 191, kStyleNone},
    {1018, CtlKind::PushButton, "save", 106, 161, 68, 20, kButton},
    {IDC_STATIC, CtlKind::Label, "INPUT:", 15, 27, 33, 8, kStyleNone},
    {IDC_STATIC, CtlKind::Label, "OUTPUT:", 15, 46, 33, 8, kStyleNone},
    {IDC_STATIC, CtlKind::Label, "IP:", 15, 65, 38, 8, kStyleNone},
    {IDC_STATIC, CtlKind::Label, "MASK:", 15, 84, 21, 8, kStyleNone},
    {IDC_STATIC, CtlKind::Label, "Gateway:", 15, 103, 33, 8, kStyleNone},
    {1069, CtlKind::IpAddress, "", 56, 79, 100, 15, kStyleTabStop},
    {1072, CtlKind::IpAddress, "", 56, 99, 100, 15, kStyleTabStop},
    {1019, CtlKind::PushButton, "load", 26, 161, 68, 20, kButton},
    {1137, CtlKind::Edit, "", 56, 25, 40, 14, kEditStyle},
    {1138, CtlKind::Edit, "", 56, 42, 40, 14, kEditStyle},
    {1068, CtlKind::IpAddress, "", 208, 25, 100, 15, kStyleTabStop},
    {1070, CtlKind::RadioButton, "NET", 325, 27, 28, 10, kStyleGroup | kStyleTabStop},
    {1074, CtlKind::DropList, "", 208, 48, 100, 142, kStyleVScroll | kStyleTabStop},
    {1076, CtlKind::RadioButton, "COM", 325, 51, 28, 10, kStyleNone},
    {1020, CtlKind::PushButton, "save", 328, 77, 68, 20, kStyleGroup | kButton},
    {IDC_STATIC, CtlKind::Label, "Buzzer:", 15, 124, 37, 13, kStyleNone},
    {1163, CtlKind::Edit, "", 56, 122, 100, 15, kEditStyle},
    {1166, CtlKind::GroupBox, "CONNECT", 197, 7, 215, 107, kStyleNone},
};

constexpr const char* kComPorts[] = {"COM1", "COM2", "COM3", "COM4", "COM5",
                                     "COM6", "COM7", "COM8", "COM9"};

constexpr unsigned kPageVisible = kDlgChild | kDlgVisible | kDlgDisabled;
constexpr unsigned kPageHidden = kDlgChild | kDlgDisabled;

// Not constexpr: the salvo page's table lives in a file of its own.
const DlgTemplate kTemplates[] = {
    {IDD_ABOUTBOX, "", 235, 55, kSimSun, 9, kDlgPopup, kAboutControls},
    {IDD_VANTEL_DIALOG, "Control software", 446, 269, kSimSun, 12,
     kDlgPopup | kDlgVisible | kDlgResizable, kMainControls},
    {IDD_SETNEW, "INPUT YOUR NAME", 160, 67, kSimSun, 9, kDlgPopup, kSetNewControls},
    {IDD_PAGE_VIEW, "", 430, 220, kSimSun, 9, kPageHidden, kViewControls},
    {IDD_PAGE_SWITCH, "", 430, 220, kSimSun, 9, kPageVisible, kSwitchControls},
    {IDD_PAGE_SETUP, "", 430, 220, kSimSun, 9, kPageHidden, kSetupControls},
    {IDD_PAGE_SALVO, "", 430, 220, kSimSun, 9, kPageHidden, kSalvoControls},
};

struct CtlItemList {
    int dlgId;
    int ctlId;
    std::span<const char* const> items;
};

constexpr CtlItemList kItemLists[] = {
    {IDD_PAGE_SETUP, 1074, kComPorts},
};

}  // namespace
}  // namespace vantel

const DlgTemplate* FindDlgTemplate(int id) {
    for (const DlgTemplate& dlg : vantel::kTemplates) {
        if (dlg.id == id) {
            return &dlg;
        }
    }
    return nullptr;
}

std::span<const DlgTemplate> AllDlgTemplates() {
    return vantel::kTemplates;
}

std::span<const char* const> FindCtlItems(int dlgId, int ctlId) {
    for (const vantel::CtlItemList& list : vantel::kItemLists) {
        if (list.dlgId == dlgId && list.ctlId == ctlId) {
            return list.items;
        }
    }
    return {};
}
