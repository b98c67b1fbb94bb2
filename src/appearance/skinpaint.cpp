#include "appearance/skinpaint.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <algorithm>

namespace vantel::skin {

BoxLook PushButtonLook(const QStyleOptionButton& option) {
    const QStyle::State state = option.state;
    const bool checked = (state & QStyle::State_On) != 0;
    if ((state & QStyle::State_Enabled) == 0) {
        return checked ? BoxLook{kCheckedDisabled, kCheckedDisabled, kDisabledButton, 2}
                       : BoxLook{kDisabledButton, kDisabledBorder, kDisabledText, 1};
    }
    const bool hover = (state & QStyle::State_MouseOver) != 0;
    BoxLook look{kButton, kBorder, kText, 1};
    if (hover) {
        look.fill = kHover;
        look.border = kHoverBorder;
    }
    if ((state & QStyle::State_Sunken) != 0) {
        look.fill = kPressed;
    }
    if (checked) {
        look = {hover ? kCheckedHover : kAccent, kAccentDark, kBase, 2};
    }
    if ((option.features & QStyleOptionButton::DefaultButton) != 0) {
        look.border = kHoverBorder;
        look.borderWidth = 2;
    }
    if ((state & QStyle::State_HasFocus) != 0) {
        look.border = kAccent;
    }
    return look;
}

void DrawBox(QPainter* painter, const QRectF& rect, const BoxLook& look, qreal radius) {
    const qreal w = look.borderWidth;
    QPainterPath outer;
    outer.addRoundedRect(rect, radius, radius);
    QPainterPath inner;
    const qreal innerRadius = std::max<qreal>(0, radius - w);
    inner.addRoundedRect(rect.adjusted(w, w, -w, -w), innerRadius, innerRadius);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->fillPath(outer.subtracted(inner), look.border);
    if (look.fill.alpha() != 0) {
        painter->fillPath(inner, look.fill);
    }
    painter->restore();
}

QPainterPath TopRoundedRect(const QRectF& rect, qreal radius) {
    const qreal d = 2 * radius;
    QPainterPath path;
    path.moveTo(rect.bottomLeft());
    path.lineTo(rect.left(), rect.top() + radius);
    path.arcTo(QRectF(rect.left(), rect.top(), d, d), 180, -90);
    path.lineTo(rect.right() - radius, rect.top());
    path.arcTo(QRectF(rect.right() - d, rect.top(), d, d), 90, -90);
    path.lineTo(rect.bottomRight());
    path.closeSubpath();
    return path;
}

void DrawTab(QPainter* painter, const QRectF& rect, const BoxLook& look, qreal radius) {
    const qreal w = look.borderWidth;
    const QPainterPath outer = TopRoundedRect(rect, radius);
    const QPainterPath inner =
        TopRoundedRect(rect.adjusted(w, w, -w, 0), std::max<qreal>(0, radius - w));
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillPath(outer.subtracted(inner), look.border);
    painter->fillPath(inner, look.fill);
    painter->restore();
}

}  // namespace vantel::skin
