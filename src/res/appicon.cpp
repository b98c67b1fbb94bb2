// Icon 128: a rounded tile with three inputs on the left routed across to three outputs on
// the right, the picture of a matrix switcher.

#include <QPainter>
#include <QPainterPath>

#include "res/resources.h"

namespace vantel {
namespace {

QPixmap DrawAppIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);

    QLinearGradient tile(0, 0, 0, 48);
    tile.setColorAt(0, QColor(0x3A, 0x6E, 0xA5));
    tile.setColorAt(1, QColor(0x1F, 0x3F, 0x66));
    p.setPen(QPen(QColor(0x16, 0x2C, 0x48), 1.5));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(2, 2, 44, 44), 8, 8);

    const qreal rows[3] = {13, 24, 35};
    // Routes: input 0 -> output 2, input 1 -> output 1, input 2 -> output 0.
    p.setPen(QPen(QColor(0xF2, 0xC1, 0x4E), 3, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        QPainterPath route(QPointF(12, rows[i]));
        route.cubicTo(QPointF(24, rows[i]), QPointF(24, rows[2 - i]), QPointF(36, rows[2 - i]));
        p.setBrush(Qt::NoBrush);
        p.drawPath(route);
    }
    p.setPen(Qt::NoPen);
    for (qreal y : rows) {
        p.setBrush(QColor(0xFF, 0xFF, 0xFF));
        p.drawEllipse(QPointF(10, y), 3.5, 3.5);
        p.setBrush(QColor(0x9F, 0xD8, 0x6B));
        p.drawEllipse(QPointF(38, y), 3.5, 3.5);
    }
    return pixmap;
}

}  // namespace
}  // namespace vantel

QIcon LoadAppIcon() {
    QIcon icon;
    icon.addPixmap(vantel::DrawAppIcon(32));
    icon.addPixmap(vantel::DrawAppIcon(48));
    return icon;
}
