#pragma once
// The application's pictures and strings: icon 128, the tab image strip 129 and string 101.
// The pictures are drawn in code, so they scale cleanly and need no binary files.

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <vector>

constexpr int IDS_ABOUTBOX = 101;
constexpr int IDR_MAINFRAME = 128;
constexpr int IDB_TABIMAGES = 129;
constexpr unsigned IDM_ABOUTBOX = 0x0010;

// Tab image strip: five square images side by side on a pure green background.
constexpr int kTabImageSize = 24;
constexpr int kTabImageCount = 5;
inline const QColor kTabMaskColor{0x00, 0xFF, 0x00};

// Icon 128 in 32 x 32 and 48 x 48 pixels.
QIcon LoadAppIcon();
// Bitmap 129: 120 x 24 pixels, images 0 clapperboard, 1 two-digit display, 2 folder with an
// arrow, 3 tools, 4 coloured blocks, on kTabMaskColor.
QPixmap LoadTabStrip();
// The images of the strip cut apart, with the mask colour made transparent.
std::vector<QPixmap> LoadTabImages();
// The string resource with the given id; empty for an unknown id.
QString LoadResString(int id);
