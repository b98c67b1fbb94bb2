// The icon, the tab images, the strings and the trace category.

#include <gtest/gtest.h>

#include <QImage>

#include "appearance/trace.h"
#include "res/resources.h"

namespace {

// Pixels of the image that are neither transparent nor the mask colour.
int PaintedPixels(const QImage& image) {
    int painted = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            painted += c.alpha() != 0 && c.rgb() != kTabMaskColor.rgb();
        }
    }
    return painted;
}

TEST(Resources, IconComesInBothSizes) {
    const QIcon icon = LoadAppIcon();
    const QList<QSize> sizes = icon.availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_TRUE(sizes.contains(QSize(48, 48)));
    EXPECT_GT(PaintedPixels(icon.pixmap(32, 32).toImage()), 32 * 32 / 2);
}

TEST(Resources, TabStripHoldsFiveImagesOnGreen) {
    const QImage strip = LoadTabStrip().toImage();
    ASSERT_EQ(strip.size(), QSize(120, 24));
    for (int i = 0; i < kTabImageCount; ++i) {
        const QImage cell = strip.copy(i * 24, 0, 24, 24);
        EXPECT_EQ(cell.pixelColor(0, 0).rgb(), kTabMaskColor.rgb()) << i;
        EXPECT_EQ(cell.pixelColor(23, 23).rgb(), kTabMaskColor.rgb()) << i;
        EXPECT_GT(PaintedPixels(cell), 60) << i;
    }
    const std::vector<QPixmap> images = LoadTabImages();
    ASSERT_EQ(images.size(), 5u);
    for (const QPixmap& image : images) {
        const QImage masked = image.toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(masked.size(), QSize(24, 24));
        EXPECT_EQ(masked.pixelColor(0, 0).alpha(), 0);
        EXPECT_GT(PaintedPixels(masked), 60);
    }
}

TEST(Resources, AboutStringAndUnknownIds) {
    EXPECT_EQ(LoadResString(IDS_ABOUTBOX), QString::fromUtf8("关于 Vantel(&A)..."));
    EXPECT_TRUE(LoadResString(0).isEmpty());
}

TEST(Trace, CategoryIsOffByDefault) {
    EXPECT_FALSE(lcVantel().isDebugEnabled());
    EXPECT_TRUE(lcVantel().isWarningEnabled());
    vantel::Trace("........%d\r\n", 8);  // formats nothing while off
}

}  // namespace
