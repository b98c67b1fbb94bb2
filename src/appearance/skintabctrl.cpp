#include "appearance/skintabctrl.h"

#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <algorithm>

#include "appearance/skintabbar.h"

namespace {

constexpr int kFrameWidth = 2;

}  // namespace

CSkinTabCtrl::CSkinTabCtrl(QWidget* parent) : QWidget(parent), m_bar(new vantel::SkinTabBar(this)) {
    m_bar->setDrawBase(false);
    m_bar->setExpanding(false);
    m_bar->setUsesScrollButtons(true);
    connect(m_bar, &QTabBar::currentChanged, this, [this](int index) {
        if (!m_bProgrammatic) {
            emit selChange(index);
        }
    });
}

void CSkinTabCtrl::SetMinTabWidth(int pixels) {
    m_nMinTabWidth = std::max(0, pixels);
    static_cast<vantel::SkinTabBar*>(m_bar)->SetMinTabWidth(m_nMinTabWidth);
    LayoutBar();
}

void CSkinTabCtrl::SetImageList(std::vector<QPixmap> images) {
    m_images = std::move(images);
    if (!m_images.empty()) {
        m_bar->setIconSize(m_images.front().size());
    }
    for (int i = 0; i < m_bar->count(); ++i) {
        m_bar->setTabIcon(i, ImageIcon(m_nImages.value(i, -1)));
    }
    LayoutBar();
}

void CSkinTabCtrl::InsertItem(int index, const QString& text, int image) {
    const int at = std::clamp(index, 0, m_bar->count());
    m_bProgrammatic = true;
    m_bar->insertTab(at, ImageIcon(image), text);
    m_bProgrammatic = false;
    m_nImages.insert(at, image);
    LayoutBar();
}

int CSkinTabCtrl::GetItemCount() const {
    return m_bar->count();
}

int CSkinTabCtrl::GetCurSel() const {
    return m_bar->currentIndex();
}

void CSkinTabCtrl::SetCurSel(int index) {
    if (index < 0 || index >= m_bar->count()) {
        return;
    }
    m_bProgrammatic = true;
    m_bar->setCurrentIndex(index);
    m_bProgrammatic = false;
}

QRect CSkinTabCtrl::GetPageArea() const {
    const QRect frame = FrameRect();
    QRect area = frame.adjusted(kFrameWidth, kFrameWidth, -kFrameWidth, -kFrameWidth);
    area.setTop(std::max(area.top(), m_bar->geometry().bottom() + 1 + kFrameWidth));
    if (area.height() < 0) {
        area.setHeight(0);
    }
    if (area.width() < 0) {
        area.setWidth(0);
    }
    return area;
}

void CSkinTabCtrl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutBar();
}

void CSkinTabCtrl::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    QStyleOptionTabWidgetFrame option;
    option.initFrom(this);
    option.rect = FrameRect();
    option.lineWidth = kFrameWidth;
    option.shape = QTabBar::RoundedNorth;
    option.tabBarSize = m_bar->size();
    option.tabBarRect = m_bar->geometry();
    option.selectedTabRect = m_bar->tabRect(m_bar->currentIndex()).translated(m_bar->pos());
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, this);
}

QIcon CSkinTabCtrl::ImageIcon(int image) const {
    if (image < 0 || static_cast<size_t>(image) >= m_images.size()) {
        return {};
    }
    return QIcon(m_images[static_cast<size_t>(image)]);
}

QRect CSkinTabCtrl::FrameRect() const {
    const int top = m_bar->geometry().bottom() + 1 -
                    style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
    return QRect(0, std::max(0, top), width(), std::max(0, height() - std::max(0, top)));
}

void CSkinTabCtrl::LayoutBar() {
    const int barHeight = m_bar->sizeHint().height();
    m_bar->setGeometry(0, 0, width(), barHeight);
    update();
}
