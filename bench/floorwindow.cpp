#include "floorwindow.h"

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTableWidget>

#include "appearance/dlgfont.h"
#include "res/dlgtemplate.h"

namespace {

constexpr int kLabelButtons = 72;  // inputs, and as many outputs

struct Units {
    QSize base;
    QRect Rect(const CtlTemplate& ctl) const {
        return {vantel::MulDiv(ctl.x, base.width(), 4), vantel::MulDiv(ctl.y, base.height(), 8),
                vantel::MulDiv(ctl.cx, base.width(), 4), vantel::MulDiv(ctl.cy, base.height(), 8)};
    }
};

// The plain Qt widget of a template control; the tab control is the caller's.
QWidget* PlainControl(const CtlTemplate& ctl, QWidget* parent) {
    const QString text = QString::fromUtf8(ctl.caption != nullptr ? ctl.caption : "");
    switch (ctl.kind) {
        case CtlKind::PushButton:
            return new QPushButton(text, parent);
        case CtlKind::CheckBoxPushLike:
        case CtlKind::RadioPushLike: {
            auto* button = new QPushButton(text, parent);
            button->setCheckable(true);
            return button;
        }
        case CtlKind::RadioButton:
            return new QRadioButton(text, parent);
        case CtlKind::GroupBox:
            return new QGroupBox(text, parent);
        case CtlKind::Label:
            return new QLabel(text, parent);
        case CtlKind::Edit:
        case CtlKind::IpAddress:
            return new QLineEdit(text, parent);
        case CtlKind::DropList:
            return new QComboBox(parent);
        case CtlKind::ListReport:
            return new QTableWidget(0, 4, parent);
        case CtlKind::Trackbar:
            return new QSlider(Qt::Horizontal, parent);
        case CtlKind::Frame:
        case CtlKind::Rect:
        case CtlKind::TabControl:
            break;
    }
    auto* frame = new QFrame(parent);  // separators and the lamps
    frame->setFrameStyle(QFrame::Box);
    return frame;
}

void BuildControls(const DlgTemplate& dlg, const Units& units, QWidget* parent) {
    for (const CtlTemplate& ctl : dlg.controls) {
        if (ctl.kind == CtlKind::TabControl) {
            continue;
        }
        QWidget* widget = PlainControl(ctl, parent);
        widget->setGeometry(units.Rect(ctl));
        widget->setVisible((ctl.style & kStyleHidden) == 0);
    }
}

QWidget* BuildPage(int templateId) {
    auto* page = new QWidget;
    if (const DlgTemplate* dlg = FindDlgTemplate(templateId)) {
        page->setFont(vantel::DialogFont(dlg->fontFace, dlg->fontPoints));
        BuildControls(*dlg, Units{vantel::DialogBaseUnits(page->font())}, page);
    }
    if (templateId == IDD_PAGE_SWITCH) {
        for (int i = 0; i < 2 * kLabelButtons; ++i) {
            auto* button = new QPushButton(QString::number(i % kLabelButtons + 1), page);
            button->setCheckable(true);
            button->setGeometry(4 + (i % 12) * 80, 4 + (i / 12) * 26, 76, 24);
        }
    }
    return page;
}

}  // namespace

void BuildFloorWindow(QDialog& dialog, int width, int height) {
    const DlgTemplate* main = FindDlgTemplate(IDD_VANTEL_DIALOG);
    if (main == nullptr) {
        return;
    }
    dialog.setFont(vantel::DialogFont(main->fontFace, main->fontPoints));
    dialog.setWindowTitle(QString::fromUtf8(main->title));
    const Units units{vantel::DialogBaseUnits(dialog.font())};
    BuildControls(*main, units, &dialog);
    for (const CtlTemplate& ctl : main->controls) {
        if (ctl.kind != CtlKind::TabControl) {
            continue;
        }
        auto* tabs = new QTabWidget(&dialog);
        tabs->setGeometry(units.Rect(ctl));
        const std::pair<const char*, int> pages[] = {
            {"LOAD", IDD_PAGE_VIEW}, {"SWITCH", IDD_PAGE_SWITCH}, {"SAVE / VIEW", IDD_PAGE_VIEW},
            {"SET", IDD_PAGE_SETUP}, {"SALVO", IDD_PAGE_SALVO},
        };
        for (const auto& [name, id] : pages) {
            tabs->addTab(BuildPage(id), QString::fromUtf8(name));
        }
    }
    dialog.resize(width > 0 ? width : vantel::MulDiv(main->cx, units.base.width(), 4),
                  height > 0 ? height : vantel::MulDiv(main->cy, units.base.height(), 8));
}
