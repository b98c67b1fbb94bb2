#include "appearance/controlbuilder.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTableWidget>

#include "appearance/skintabctrl.h"

namespace vantel {
namespace {

QPushButton* MakeButton(const QString& text, const CtlTemplate& ctl, bool checkable,
                        QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setCheckable(checkable);
    button->setAutoDefault(false);
    if ((ctl.style & kStyleDefault) != 0) {
        button->setDefault(true);
    }
    return button;
}

QLabel* MakeLabel(const QString& text, unsigned style, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    const Qt::Alignment horizontal = (style & kStyleCentre) != 0 ? Qt::AlignHCenter : Qt::AlignLeft;
    label->setAlignment(horizontal | Qt::AlignVCenter);
    if ((style & kStyleSunken) != 0) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setProperty("sunken", true);  // for the skin
    } else if ((style & kStyleBorder) != 0) {
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
    }
    return label;
}

QFrame* MakeFrame(const CtlTemplate& ctl, QWidget* parent) {
    auto* frame = new QFrame(parent);
    const QFrame::Shadow shadow = (ctl.style & kStyleSunken) != 0 ? QFrame::Sunken : QFrame::Plain;
    if (ctl.cy <= 2) {
        frame->setFrameStyle(QFrame::HLine | shadow);
    } else if (ctl.cx <= 2) {
        frame->setFrameStyle(QFrame::VLine | shadow);
    } else {
        frame->setFrameStyle(QFrame::Box | shadow);
    }
    return frame;
}

QComboBox* MakeDropList(const CtlTemplate& ctl, int dlgId, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(false);
    for (const char* item : FindCtlItems(dlgId, ctl.id)) {
        combo->addItem(QString::fromUtf8(item));
    }
    return combo;
}

// A list in report view: rows of cells under column headings, whole rows selected, no
// editing in place, one tab stop (the arrow keys move within it; Tab and Shift+Tab leave it).
// The owner inserts the columns.
QTableWidget* MakeReportList(const CtlTemplate& ctl, QWidget* parent) {
    auto* table = new QTableWidget(parent);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setShowGrid(true);
    table->setWordWrap(false);
    table->setCornerButtonEnabled(false);
    table->setTabKeyNavigation(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    table->horizontalHeader()->setHighlightSections(false);
    table->horizontalHeader()->setStretchLastSection(false);
    if ((ctl.style & kStyleBorder) == 0) {
        table->setFrameShape(QFrame::NoFrame);
    }
    return table;
}

QLineEdit* MakeEdit(const CtlTemplate& ctl, QWidget* parent) {
    auto* edit = new QLineEdit(QString::fromUtf8(ctl.caption), parent);
    edit->setFrame((ctl.style & kStyleBorder) != 0);
    return edit;
}

}  // namespace

QWidget* CreateStandardControl(const CtlTemplate& ctl, int dlgId, QWidget* parent) {
    const QString text = QString::fromUtf8(ctl.caption != nullptr ? ctl.caption : "");
    switch (ctl.kind) {
        case CtlKind::PushButton:
            return MakeButton(text, ctl, false, parent);
        case CtlKind::CheckBoxPushLike:
        case CtlKind::RadioPushLike:
            return MakeButton(text, ctl, true, parent);
        case CtlKind::RadioButton:
            return new QRadioButton(text, parent);
        case CtlKind::GroupBox:
            return new QGroupBox(text, parent);
        case CtlKind::Label:
            return MakeLabel(text, ctl.style, parent);
        case CtlKind::Frame:
        case CtlKind::Rect:
            return MakeFrame(ctl, parent);
        case CtlKind::Edit:
        case CtlKind::IpAddress:
            return MakeEdit(ctl, parent);
        case CtlKind::DropList:
            return MakeDropList(ctl, dlgId, parent);
        case CtlKind::ListReport:
            return MakeReportList(ctl, parent);
        case CtlKind::TabControl:
            return new CSkinTabCtrl(parent);
        case CtlKind::Trackbar:
            return new QSlider(Qt::Horizontal, parent);
    }
    return new QWidget(parent);
}

QString PlainCaption(const QString& caption) {
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&') {
            if (i + 1 < caption.size() && caption[i + 1] == u'&') {
                plain += u'&';
                ++i;
            }
            continue;
        }
        plain += caption[i];
    }
    return plain;
}

}  // namespace vantel
