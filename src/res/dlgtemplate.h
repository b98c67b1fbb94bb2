#pragma once
// Dialog templates: every window of the application is described by a table of controls
// (id, kind, caption, rectangle in dialog units, style). One builder (appearance/) turns a
// table into widgets; every control keeps its id as its object name.

#include <span>

// Kinds of control a template can hold.
enum class CtlKind {
    PushButton,        // push button (kStyleMultiLine for multi-line text)
    CheckBoxPushLike,  // push-like automatic check box
    RadioPushLike,     // push-like automatic radio button
    RadioButton,       // automatic radio button
    GroupBox,          // frame with a caption
    Label,             // static text
    Frame,             // static frame / separator line
    Rect,              // static rectangle (taken over by custom controls such as the lamp)
    Edit,              // single-line edit
    DropList,          // drop-down list without free text
    ListReport,        // list in report view
    TabControl,        // tab strip with a page area
    Trackbar,          // horizontal trackbar
    IpAddress,         // four-field IPv4 address control
};

enum CtlStyle : unsigned {
    kStyleNone = 0,
    kStyleHidden = 1u << 0,    // created not visible
    kStyleDisabled = 1u << 1,  // created disabled
    kStyleGroup = 1u << 2,     // starts a group (radio buttons)
    kStyleTabStop = 1u << 3,
    kStyleMultiLine = 1u << 4,
    kStyleDefault = 1u << 5,  // default push button
    kStyleCentre = 1u << 6,   // centred text
    kStyleSunken = 1u << 7,   // sunken static edge
    kStyleBorder = 1u << 8,
    kStyleAutoHScroll = 1u << 9,
    kStyleVScroll = 1u << 10,
};

// Id of controls that have none (labels, frames).
constexpr int IDC_STATIC = -1;

struct CtlTemplate {
    int id;
    CtlKind kind;
    const char* caption;  // UTF-8
    int x, y, cx, cy;     // dialog units
    unsigned style;
};

enum DlgStyle : unsigned {
    kDlgPopup = 1u << 0,      // top-level window with caption
    kDlgChild = 1u << 1,      // child page without caption
    kDlgVisible = 1u << 2,    // created visible
    kDlgDisabled = 1u << 3,   // created disabled
    kDlgResizable = 1u << 4,  // sizing border, minimise and maximise boxes
};

struct DlgTemplate {
    int id;
    const char* title;  // UTF-8
    int cx, cy;         // dialog units
    const char* fontFace;
    int fontPoints;
    unsigned style;  // DlgStyle bits
    std::span<const CtlTemplate> controls;
};

constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_VANTEL_DIALOG = 102;
constexpr int IDD_SETNEW = 103;
constexpr int IDD_PAGE_VIEW = 130;
constexpr int IDD_PAGE_SWITCH = 131;
constexpr int IDD_PAGE_SETUP = 133;
constexpr int IDD_PAGE_SALVO = 134;

// The template with the given id, or nullptr.
const DlgTemplate* FindDlgTemplate(int id);
// Every template of the application.
std::span<const DlgTemplate> AllDlgTemplates();

// The entries a list control (drop-down list) of a template holds when the window is built,
// in order; empty for controls without a fixed list.
std::span<const char* const> FindCtlItems(int dlgId, int ctlId);
