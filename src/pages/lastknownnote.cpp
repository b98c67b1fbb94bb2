#include "pages/lastknownnote.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QFont>
#include <QPalette>
#include <algorithm>

namespace {

constexpr int kMargin = 2;
constexpr int kPadding = 1;

}  // namespace

CLastKnownNote::CLastKnownNote(QWidget* host, Corner corner)
    : QLabel(QStringLiteral("last known routing, not live"), host), m_host(host), m_corner(corner) {
    setObjectName(QString::fromLatin1(kObjectName));
    setAccessibleName(text());
    setTextFormat(Qt::PlainText);
    setMargin(kPadding);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    // Dark text on a pale warning colour, readable under any skin.
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0xff, 0xf2, 0xb3));
    colours.setColor(QPalette::WindowText, QColor(0x80, 0x20, 0x00));
    setPalette(colours);
    setAutoFillBackground(true);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
    host->installEventFilter(this);
}

void CLastKnownNote::Show(bool shown) {
    if (shown) {
        Place();
        raise();
    }
    setVisible(shown);
}

bool CLastKnownNote::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_host && (event->type() == QEvent::Resize || event->type() == QEvent::Show) &&
        !isHidden()) {
        Place();
    }
    return QLabel::eventFilter(watched, event);
}

void CLastKnownNote::Place() {
    // Over a list: within its visible rows, clear of its header and scroll bars.
    QRect area = m_host->rect();
    if (const auto* list = qobject_cast<const QAbstractScrollArea*>(m_host)) {
        area = list->viewport()->geometry();
    }
    const QSize size = sizeHint();
    const int x = area.right() + 1 - kMargin - size.width();
    const int y =
        m_corner == Corner::kTopRight ? area.top() : area.bottom() + 1 - kMargin - size.height();
    setGeometry(QRect(QPoint(std::max(area.left(), x), std::max(area.top(), y)), size));
}
