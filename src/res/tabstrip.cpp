// Bitmap 129: the tab images, drawn without antialiasing so that the green background masks
// out cleanly, pixel for pixel, as in an image list with a mask colour.

#include <QBitmap>
#include <QPainter>
#include <QPolygon>

#include "res/resources.h"

namespace vantel {
namespace {

const QColor kInk(0x20, 0x20, 0x20);

void DrawClapperboard(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(QColor(0x30, 0x30, 0x30));
    p.drawRect(3, 10, 18, 11);
    // The hinged clapper, opened upwards, with its diagonal stripes.
    p.drawPolygon(QPolygon({QPoint(3, 9), QPoint(19, 3), QPoint(20, 6), QPoint(4, 12)}));
    p.setPen(QPen(Qt::white, 2));
    for (int x = 7; x <= 17; x += 5) {
        p.drawLine(x, 6 + (19 - x) / 3 - 2, x + 2, 9 + (19 - x) / 3 - 2);
        p.drawLine(x - 1, 12, x + 2, 15);
    }
    p.setPen(QColor(0xC0, 0xC0, 0xC0));
    p.drawLine(5, 18, 18, 18);
}

void DrawSegmentDigit(QPainter& p, int x0, int y0) {
    // An "8" of seven segments, 6 wide and 11 high.
    p.drawLine(x0 + 1, y0, x0 + 4, y0);
    p.drawLine(x0 + 1, y0 + 5, x0 + 4, y0 + 5);
    p.drawLine(x0 + 1, y0 + 10, x0 + 4, y0 + 10);
    p.drawLine(x0, y0 + 1, x0, y0 + 4);
    p.drawLine(x0 + 5, y0 + 1, x0 + 5, y0 + 4);
    p.drawLine(x0, y0 + 6, x0, y0 + 9);
    p.drawLine(x0 + 5, y0 + 6, x0 + 5, y0 + 9);
}

void DrawDisplay(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(QColor(0x10, 0x10, 0x10));
    p.drawRect(2, 5, 19, 15);
    p.setPen(QColor(0xFF, 0x40, 0x30));
    DrawSegmentDigit(p, 5, 7);
    DrawSegmentDigit(p, 13, 7);
}

void DrawFolder(QPainter& p) {
    p.setPen(QColor(0x8A, 0x60, 0x10));
    p.setBrush(QColor(0xF0, 0xC0, 0x40));
    p.drawPolygon(QPolygon(
        {QPoint(2, 6), QPoint(9, 6), QPoint(11, 8), QPoint(21, 8), QPoint(21, 20), QPoint(2, 20)}));
    p.setBrush(QColor(0xFF, 0xD8, 0x68));
    p.drawRect(2, 10, 19, 10);
    // The arrow into the folder.
    p.setPen(QColor(0x10, 0x40, 0xB0));
    p.setBrush(QColor(0x20, 0x60, 0xD0));
    p.drawPolygon(QPolygon({QPoint(6, 13), QPoint(12, 13), QPoint(12, 11), QPoint(17, 15),
                            QPoint(12, 19), QPoint(12, 17), QPoint(6, 17)}));
}

void DrawTools(QPainter& p) {
    // Screwdriver from top left to bottom right.
    p.setPen(QPen(QColor(0x70, 0x70, 0x78), 2));
    p.drawLine(4, 4, 12, 12);
    p.setPen(QPen(QColor(0xC0, 0x20, 0x20), 4));
    p.drawLine(13, 13, 19, 19);
    // Wrench from bottom left to top right.
    p.setPen(QPen(QColor(0x90, 0x90, 0x98), 3));
    p.drawLine(5, 19, 15, 9);
    p.setPen(kInk);
    p.setBrush(QColor(0x90, 0x90, 0x98));
    p.drawEllipse(14, 3, 7, 7);
    p.setBrush(Qt::white);
    p.drawRect(17, 4, 3, 3);
}

void DrawBlocks(QPainter& p) {
    const QColor colours[4] = {QColor(0xD0, 0x30, 0x30), QColor(0x30, 0x60, 0xD0),
                               QColor(0xF0, 0xC8, 0x20), QColor(0x20, 0x90, 0x50)};
    p.setPen(kInk);
    for (int i = 0; i < 4; ++i) {
        p.setBrush(colours[i]);
        p.drawRect(3 + (i % 2) * 10, 3 + (i / 2) * 10, 8, 8);
    }
}

}  // namespace
}  // namespace vantel

QPixmap LoadTabStrip() {
    QPixmap strip(kTabImageSize * kTabImageCount, kTabImageSize);
    strip.fill(kTabMaskColor);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing, false);
    void (*const draw[kTabImageCount])(QPainter&) = {
        vantel::DrawClapperboard, vantel::DrawDisplay, vantel::DrawFolder,
        vantel::DrawTools,        vantel::DrawBlocks,
    };
    for (int i = 0; i < kTabImageCount; ++i) {
        p.save();
        p.setClipRect(i * kTabImageSize, 0, kTabImageSize, kTabImageSize);
        p.translate(i * kTabImageSize, 0);
        draw[i](p);
        p.restore();
    }
    return strip;
}

std::vector<QPixmap> LoadTabImages() {
    const QPixmap strip = LoadTabStrip();
    std::vector<QPixmap> images;
    images.reserve(kTabImageCount);
    for (int i = 0; i < kTabImageCount; ++i) {
        QPixmap image = strip.copy(i * kTabImageSize, 0, kTabImageSize, kTabImageSize);
        image.setMask(image.createMaskFromColor(kTabMaskColor, Qt::MaskInColor));
        images.push_back(image);
    }
    return images;
}
