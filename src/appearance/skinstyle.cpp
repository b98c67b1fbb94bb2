#include "appearance/skinstyle.h"

#include <QAbstractItemView>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOption>
#include <algorithm>

#include "appearance/skinpaint.h"

namespace {

using namespace vantel::skin;

// Geometry of the skin, in pixels.
constexpr int kButtonPadX = 6;
constexpr int kButtonPadY = 2;
constexpr int kButtonMinText = 14;
constexpr qreal kButtonRadius = 3;
constexpr int kEditPadX = 3;
constexpr int kEditPadY = 1;
constexpr qreal kFieldRadius = 2;
constexpr int kRadioMark = 12;
constexpr int kTabPadX = 10;
constexpr int kTabPadY = 4;
constexpr int kTabGap = 2;
constexpr int kTabIconSpace = 12;  // room for the icon's spacing in a tab's width
constexpr int kTabTextGap = 9;     // from a tab's icon to its text
constexpr int kTabSlack = 6;       // a tab of its natural width is this much wider than its label
constexpr qreal kTabRadius = 4;
constexpr int kGroupTop = 8;
constexpr int kGroupTitleLeft = 10;
constexpr int kGroupTitlePad = 3;
constexpr qreal kGroupRadius = 4;
constexpr int kHeaderPadX = 4;
constexpr int kHeaderPadY = 2;
constexpr int kGroove = 4;
constexpr int kHandleLength = 14;
constexpr int kHandleThickness = 16;

void SetAllGroups(QPalette& palette, QPalette::ColorRole role, const QColor& color) {
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, role, color);
    }
}

bool IsPage(const QWidget* widget) {
    return qobject_cast<const QDialog*>(widget) != nullptr && !widget->isWindow();
}

bool IsSunkenLabel(const QWidget* widget) {
    return qobject_cast<const QLabel*>(widget) != nullptr && widget->property("sunken").toBool();
}

bool IsFramedList(const QWidget* widget) {
    const auto* view = qobject_cast<const QAbstractItemView*>(widget);
    return view != nullptr && view->frameShape() != QFrame::NoFrame;
}

void DrawLineEditPanel(const QStyleOption* option, QPainter* painter) {
    const bool enabled = (option->state & QStyle::State_Enabled) != 0;
    const bool focus = (option->state & QStyle::State_HasFocus) != 0;
    DrawBox(painter, option->rect,
            {enabled ? kBase : kWindow, enabled && focus ? kAccent : kBorder, kText, 1},
            kFieldRadius);
}

void DrawRadioMark(const QStyleOption* option, QPainter* painter) {
    const QRectF mark(
        QPointF(option->rect.center()) - QPointF(kRadioMark / 2.0 - 0.5, kRadioMark / 2.0 - 0.5),
        QSizeF(kRadioMark, kRadioMark));
    const bool enabled = (option->state & QStyle::State_Enabled) != 0;
    const bool on = (option->state & QStyle::State_On) != 0;
    const QColor border = !enabled ? kGroupBorder : on ? kAccentDark : kRadioBorder;
    DrawBox(painter, mark, {enabled ? kBase : kWindow, border, kText, 1}, kRadioMark / 2.0);
    if (on && enabled) {
        const qreal dot = (kRadioMark - 2) * 0.6;
        const QRectF inner(mark.center() - QPointF(dot / 2, dot / 2), QSizeF(dot, dot));
        DrawBox(painter, inner, {kAccent, kAccent, kText, 0}, dot / 2);
    }
}

void DrawHeaderSection(const QStyleOption* option, QPainter* painter) {
    const QRect r = option->rect;
    painter->fillRect(r, kHeader);
    painter->fillRect(QRect(r.right(), r.top(), 1, r.height()), kDisabledBorder);
    painter->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), kDisabledBorder);
}

QRect SliderHandleRect(const QStyleOptionSlider& slider) {
    const QRect r = slider.rect;
    const int span = std::max(0, r.width() - kHandleLength);
    const int x = QStyle::sliderPositionFromValue(slider.minimum, slider.maximum,
                                                  slider.sliderPosition, span, slider.upsideDown);
    return {r.left() + x, r.center().y() - kHandleThickness / 2 + 1, kHandleLength,
            kHandleThickness};
}

QRect SliderGrooveRect(const QStyleOptionSlider& slider) {
    const QRect r = slider.rect;
    return {r.left(), r.center().y() - kGroove / 2 + 1, r.width(), kGroove};
}

QRect GroupLabelRect(const QStyleOptionGroupBox& box) {
    const int width = box.fontMetrics.horizontalAdvance(box.text) + 2 * kGroupTitlePad;
    return {box.rect.left() + kGroupTitleLeft, box.rect.top(), width, box.fontMetrics.height()};
}

// The room inside a one-pixel border and padding of padX and padY on each side.
QRect InsideBorder(const QRect& rect, int padX, int padY) {
    return rect.adjusted(1 + padX, 1 + padY, -(1 + padX), -(1 + padY));
}

}  // namespace

CSkinStyle::CSkinStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

QPalette CSkinStyle::standardPalette() const {
    QPalette palette(kWindow);
    SetAllGroups(palette, QPalette::Window, kWindow);
    SetAllGroups(palette, QPalette::Button, kWindow);
    SetAllGroups(palette, QPalette::Base, kBase);
    SetAllGroups(palette, QPalette::AlternateBase, kAlternateBase);
    SetAllGroups(palette, QPalette::Highlight, kAccent);
    SetAllGroups(palette, QPalette::HighlightedText, kBase);
    SetAllGroups(palette, QPalette::ToolTipBase, kToolTip);
    SetAllGroups(palette, QPalette::ToolTipText, kText);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Active, role, kText);
        palette.setColor(QPalette::Inactive, role, kText);
        palette.setColor(QPalette::Disabled, role, kDisabledText);
    }
    return palette;
}

void CSkinStyle::polish(QWidget* widget) {
    QProxyStyle::polish(widget);
    if (IsPage(widget)) {
        widget->setAutoFillBackground(true);
    }
}

void CSkinStyle::unpolish(QWidget* widget) {
    if (IsPage(widget)) {
        widget->setAutoFillBackground(false);
    }
    QProxyStyle::unpolish(widget);
}

void CSkinStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
    switch (element) {
        case PE_PanelButtonCommand:
            if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option)) {
                DrawBox(painter, option->rect, PushButtonLook(*button), kButtonRadius);
                return;
            }
            break;
        case PE_FrameDefaultButton:
            return;
        case PE_FrameFocusRect:
            if (qobject_cast<const QPushButton*>(widget) != nullptr) {
                return;  // the border's colour shows the focus
            }
            break;
        case PE_PanelLineEdit:
            if (qobject_cast<const QLineEdit*>(widget) != nullptr) {
                // A frameless edit (the address control's fields) lies on its owner's box.
                const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
                if (frame == nullptr || frame->lineWidth > 0) {
                    DrawLineEditPanel(option, painter);
                }
                return;
            }
            break;
        case PE_FrameLineEdit:
            if (qobject_cast<const QLineEdit*>(widget) != nullptr) {
                return;  // the panel has its border
            }
            break;
        case PE_IndicatorRadioButton:
            DrawRadioMark(option, painter);
            return;
        case PE_PanelTipLabel:
            DrawBox(painter, option->rect, {kToolTip, kToolTipBorder, kText, 1}, 0);
            return;
        default:
            break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void CSkinStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
    switch (element) {
        case CE_PushButtonLabel:
            DrawPushLabel(option, painter, widget);
            return;
        case CE_TabBarTabShape:
            if (const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option)) {
                const bool selected = (tab->state & State_Selected) != 0;
                const bool hover = (tab->state & State_MouseOver) != 0;
                const BoxLook look{selected ? kAccent
                                   : hover  ? kTabHover
                                            : kTab,
                                   selected ? kAccentDark : kGroupBorder, kText, 1};
                DrawTab(painter, QRectF(tab->rect.adjusted(0, 0, -kTabGap, 0)), look, kTabRadius);
                return;
            }
            break;
        case CE_TabBarTabLabel:
            DrawTabLabel(option, painter, widget);
            return;
        case CE_HeaderSection:
            DrawHeaderSection(option, painter);
            return;
        case CE_HeaderLabel:
            if (const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(option)) {
                QStyleOptionHeader label(*header);
                // Where the padding puts the text: Fusion's label keeps a pixel of its own
                // on the left and centres one pixel lower.
                label.rect = header->rect.adjusted(kHeaderPadX - 1, kHeaderPadY - 2,
                                                   -(kHeaderPadX + 1), -(kHeaderPadY + 2));
                QProxyStyle::drawControl(element, &label, painter, widget);
                return;
            }
            break;
        case CE_ShapedFrame:
            if (IsSunkenLabel(widget)) {
                DrawBox(painter, option->rect, {kButton, kBorder, kText, 1}, kFieldRadius);
                return;
            }
            if (IsFramedList(widget)) {
                DrawBox(painter, option->rect, {Qt::transparent, kBorder, kText, 1}, kFieldRadius);
                return;
            }
            break;
        default:
            break;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void CSkinStyle::DrawPushLabel(const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const {
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (button == nullptr) {
        QProxyStyle::drawControl(CE_PushButtonLabel, option, painter, widget);
        return;
    }
    QStyleOptionButton label(*button);
    SetAllGroups(label.palette, QPalette::ButtonText, PushButtonLook(*button).text);
    QProxyStyle::drawControl(CE_PushButtonLabel, &label, painter, widget);
}

void CSkinStyle::DrawTabLabel(const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const {
    const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option);
    if (tab == nullptr) {
        QProxyStyle::drawControl(CE_TabBarTabLabel, option, painter, widget);
        return;
    }
    // The icon, then the text; a tab wider than its natural width (the minimum tab width)
    // centres them.
    const QRect inside =
        tab->rect.adjusted(1 + kTabPadX, 1 + kTabPadY, -(1 + kTabPadX + kTabGap), -kTabPadY);
    const int content = tab->fontMetrics.horizontalAdvance(tab->text) +
                        (tab->icon.isNull() ? 0 : tab->iconSize.width() + kTabTextGap);
    int textLeft = inside.left() + 1 + std::max(0, (inside.width() - content - kTabSlack) / 2);
    if (!tab->icon.isNull()) {
        const QSize icon = tab->iconSize;
        const QPoint at(textLeft, inside.center().y() - icon.height() / 2 + 1);
        const QIcon::Mode mode =
            (tab->state & State_Enabled) != 0 ? QIcon::Normal : QIcon::Disabled;
        painter->drawPixmap(at,
                            tab->icon.pixmap(icon, painter->device()->devicePixelRatio(), mode));
        textLeft += icon.width() + kTabTextGap;
    }
    const QColor text = (tab->state & State_Selected) != 0 ? kBase : kTabText;
    painter->save();
    painter->setPen((tab->state & State_Enabled) != 0 ? text : kDisabledText);
    painter->drawText(QRect(textLeft, inside.top(), inside.right() - textLeft + 1, inside.height()),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, tab->text);
    painter->restore();
}

void CSkinStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                    QPainter* painter, const QWidget* widget) const {
    if (control == CC_GroupBox) {
        DrawGroupBox(option, painter, widget);
        return;
    }
    if (control == CC_Slider && qstyleoption_cast<const QStyleOptionSlider*>(option) != nullptr) {
        DrawSlider(option, painter, widget);
        return;
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

void CSkinStyle::DrawGroupBox(const QStyleOptionComplex* option, QPainter* painter,
                              const QWidget* widget) const {
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (box == nullptr) {
        QProxyStyle::drawComplexControl(CC_GroupBox, option, painter, widget);
        return;
    }
    const QRect frame = subControlRect(CC_GroupBox, box, SC_GroupBoxFrame, widget);
    const QRect label = subControlRect(CC_GroupBox, box, SC_GroupBoxLabel, widget);
    painter->save();
    if (!box->text.isEmpty()) {
        painter->setClipRegion(QRegion(box->rect).subtracted(QRegion(label)));
    }
    DrawBox(painter, frame, {Qt::transparent, kGroupBorder, kText, 1}, kGroupRadius);
    painter->restore();
    painter->save();
    painter->setPen((box->state & State_Enabled) != 0 ? kGroupTitle : kDisabledText);
    painter->drawText(label.adjusted(kGroupTitlePad, 0, -kGroupTitlePad, 0),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, box->text);
    painter->restore();
}

void CSkinStyle::DrawSlider(const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* /*widget*/) const {
    const auto& slider = *qstyleoption_cast<const QStyleOptionSlider*>(option);
    const QRect groove = SliderGrooveRect(slider);
    const QRect handle = SliderHandleRect(slider);
    DrawBox(painter, groove, {kDisabledBorder, kDisabledBorder, kText, 0}, kGroove / 2.0);
    const QRect filled(groove.left(), groove.top(), handle.center().x() - groove.left(),
                       groove.height());
    DrawBox(painter, filled, {kHoverBorder, kHoverBorder, kText, 0}, kGroove / 2.0);
    const bool hover =
        (slider.state & State_MouseOver) != 0 && (slider.activeSubControls & SC_SliderHandle) != 0;
    DrawBox(painter, handle, {hover ? kHover : kButton, kHoverBorder, kText, 1}, kButtonRadius);
}

QRect CSkinStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                 SubControl sub, const QWidget* widget) const {
    if (control == CC_Slider) {
        if (const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option)) {
            if (sub == SC_SliderHandle) {
                return SliderHandleRect(*slider);
            }
            if (sub == SC_SliderGroove) {
                return SliderGrooveRect(*slider);
            }
        }
    }
    if (control == CC_GroupBox) {
        if (const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option)) {
            const QRect frame = box->rect.adjusted(0, kGroupTop, 0, 0);
            switch (sub) {
                case SC_GroupBoxFrame:
                    return frame;
                case SC_GroupBoxLabel:
                    return GroupLabelRect(*box);
                case SC_GroupBoxContents:
                    return frame.adjusted(1, 1, -1, -1);
                case SC_GroupBoxCheckBox:
                    return {};
                default:
                    break;
            }
        }
    }
    return QProxyStyle::subControlRect(control, option, sub, widget);
}

QRect CSkinStyle::subElementRect(SubElement element, const QStyleOption* option,
                                 const QWidget* widget) const {
    switch (element) {
        case SE_PushButtonContents:
            return InsideBorder(option->rect, kButtonPadX, kButtonPadY);
        case SE_LineEditContents:
            if (qobject_cast<const QLineEdit*>(widget) != nullptr) {
                return InsideBorder(option->rect, kEditPadX, kEditPadY);
            }
            break;
        default:
            break;
    }
    return QProxyStyle::subElementRect(element, option, widget);
}

QSize CSkinStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                   const QWidget* widget) const {
    switch (type) {
        case CT_PushButton:
            return {size.width() + 2 * (1 + kButtonPadX),
                    std::max(size.height(), kButtonMinText) + 2 * (1 + kButtonPadY)};
        case CT_TabBarTab:
            return {size.width() + 2 * (1 + kTabPadX) + kTabGap, size.height() + 1 + 2 * kTabPadY};
        case CT_HeaderSection:
            // One more pixel for the line under the headings.
            return QProxyStyle::sizeFromContents(type, option, size, widget) + QSize(0, 1);
        default:
            break;
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

int CSkinStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                            const QWidget* widget) const {
    switch (metric) {
        case PM_ButtonShiftHorizontal:
        case PM_ButtonShiftVertical:
        case PM_TabBarTabShiftHorizontal:
        case PM_TabBarTabShiftVertical:
        case PM_TabBarTabVSpace:
            return 0;
        case PM_TabBarTabHSpace:
            return kTabIconSpace;
        case PM_ExclusiveIndicatorWidth:
        case PM_ExclusiveIndicatorHeight:
            return kRadioMark;
        case PM_SliderLength:
            return kHandleLength;
        case PM_SliderThickness:
        case PM_SliderControlThickness:
            return kHandleThickness;
        default:
            break;
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

int CSkinStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                          QStyleHintReturn* returnData) const {
    if (hint == SH_Table_GridLineColor) {
        return static_cast<int>(kGrid.rgba());
    }
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}
