#include "appearance/skintabbar.h"

#include <algorithm>

namespace vantel {

void SkinTabBar::SetMinTabWidth(int pixels) {
    m_nMinTabWidth = std::max(0, pixels);
    // Lets the bar lay out its tabs again with the new hint.
    setIconSize(iconSize());
    updateGeometry();
    update();
}

QSize SkinTabBar::tabSizeHint(int index) const {
    QSize size = QTabBar::tabSizeHint(index);
    size.setWidth(std::max(size.width(), m_nMinTabWidth));
    return size;
}

QSize SkinTabBar::minimumTabSizeHint(int index) const {
    QSize size = QTabBar::minimumTabSizeHint(index);
    size.setWidth(std::max(size.width(), m_nMinTabWidth));
    return size;
}

}  // namespace vantel
