// The salvo page's template: the list of salvos and the table of what the selected one would
// change side by side, the capture source and the page's buttons below them, then the line
// that tells the result of the last action and the line that names unreadable salvo files.
// Controls in tab order.

#include <span>

#include "res/dlgtemplate.h"

namespace vantel {
namespace {

constexpr unsigned kButton = kStyleTabStop;

constexpr CtlTemplate kControls[] = {
    {1201, CtlKind::ListReport, "", 7, 7, 120, 150, kStyleBorder | kStyleTabStop},
    {1202, CtlKind::ListReport, "", 134, 7, 289, 150, kStyleBorder | kStyleTabStop},
    {1204, CtlKind::DropList, "", 7, 161, 60, 56, kStyleVScroll | kStyleTabStop},
    {1203, CtlKind::PushButton, "capture", 70, 160, 57, 16, kButton},
    {1205, CtlKind::PushButton, "rename", 134, 160, 50, 16, kButton},
    {1206, CtlKind::PushButton, "delete", 188, 160, 50, 16, kButton},
    {1209, CtlKind::Rect, "", 244, 163, 124, 11, kStyleHidden},
    {1207, CtlKind::PushButton, "TAKE", 373, 160, 50, 16, kButton},
    {1208, CtlKind::Label, "", 7, 180, 416, 20, kStyleNone},
    {1210, CtlKind::Label, "", 7, 202, 416, 12, kStyleNone},
};

}  // namespace

extern const std::span<const CtlTemplate> kSalvoControls = kControls;

}  // namespace vantel
