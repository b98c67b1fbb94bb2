#include "controls/led.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QThread>
#include <QTimerEvent>
#include <algorithm>
#include <climits>

namespace {

// Body and caption colours, element [colour][light] at colour * 3 + light.
constexpr std::array<QRgb, CLedRect::kColors* CLedRect::kLights> kFill = {
    qRgb(255, 0, 0),     qRgb(128, 0, 0),    qRgb(192, 192, 192),  // red
    qRgb(0, 255, 0),     qRgb(0, 128, 0),    qRgb(192, 192, 192),  // green
    qRgb(255, 255, 0),   qRgb(128, 128, 64), qRgb(192, 192, 192),  // yellow
    qRgb(128, 255, 255), qRgb(0, 0, 100),    qRgb(192, 192, 192),  // blue
};
constexpr std::array<QRgb, CLedRect::kColors* CLedRect::kLights> kText = {
    qRgb(0, 255, 255),  qRgb(127, 255, 255), qRgb(0, 0, 0),  // red
    qRgb(255, 0, 255),  qRgb(255, 127, 255), qRgb(0, 0, 0),  // green
    qRgb(0, 0, 255),    qRgb(192, 192, 255), qRgb(0, 0, 0),  // yellow
    qRgb(255, 128, 64), qRgb(255, 255, 0),   qRgb(0, 0, 0),  // blue
};

// The caption font: 12-pixel regular "宋体" of the swiss family, taken from the CJK fonts
// present when that face is not installed.
QFont MakeCaptionFont() {
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                      QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans CJK")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

}  // namespace

CLedRect::CLedRect(QWidget* parent) : QWidget(parent), m_font(MakeCaptionFont()) {
    // Every pixel is drawn by paintEvent: no background erase between frames, so no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

CLedRect::~CLedRect() = default;

QColor CLedRect::FillColor(int nColor, int nLight) {
    return QColor(kFill.at(static_cast<std::size_t>(Pack(nColor, nLight))));
}

QColor CLedRect::TextColor(int nColor, int nLight) {
    return QColor(kText.at(static_cast<std::size_t>(Pack(nColor, nLight))));
}

void CLedRect::SetLed(int nColor, int nLight) {
    if (ValidColor(nColor) && ValidLight(nLight)) {
        Store(Pack(nColor, nLight));
    }
}

void CLedRect::SetColor(int nColor) {
    if (!ValidColor(nColor)) {
        return;
    }
    int old = m_nState.load();
    while (!m_nState.compare_exchange_weak(old, Pack(nColor, LightOf(old)))) {
    }
    if (old != Pack(nColor, LightOf(old))) {
        Redraw();
    }
}

void CLedRect::SetLight(int nLight) {
    if (!ValidLight(nLight)) {
        return;
    }
    int old = m_nState.load();
    while (!m_nState.compare_exchange_weak(old, Pack(ColorOf(old), nLight))) {
    }
    if (old != Pack(ColorOf(old), nLight)) {
        Redraw();
    }
}

void CLedRect::Store(int state) {
    if (m_nState.exchange(state) != state) {
        Redraw();
    }
}

void CLedRect::SetText(const QString& text) {
    m_strText = text;
    setAccessibleName(text);
    Redraw();
}

void CLedRect::Redraw() {
    if (QThread::currentThread() == thread()) {
        repaint();
        return;
    }
    // Another thread: the GUI thread repaints as soon as it gets to it. One request at a
    // time is enough, the paint reads the latest state.
    if (!m_bRedrawQueued.exchange(true)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_bRedrawQueued.store(false);
                repaint();
            },
            Qt::QueuedConnection);
    }
}

void CLedRect::Flash(unsigned nElapse) {
    if (m_bFlash) {
        m_flashTimer.stop();
    }
    m_bFlash = true;
    SetLed(GetColor(), 0);
    m_flashTimer.start(static_cast<int>(std::min<unsigned>(nElapse, INT_MAX)), this);
}

void CLedRect::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_flashTimer.timerId()) {
        SetLed(GetColor(), 1);
        m_flashTimer.stop();
        m_bFlash = false;
    }
    QWidget::timerEvent(event);
}

void CLedRect::paintEvent(QPaintEvent* /*event*/) {
    // The widget's backing store is the off-screen buffer: the whole frame is composed there
    // and reaches the screen in one copy.
    QPainter painter(this);
    const int state = m_nState.load();
    DrawLed(painter, ColorOf(state), LightOf(state));
}

void CLedRect::DrawLed(QPainter& painter, int nColor, int nLight) {
    const QRect rect(0, 0, width(), height());
    painter.fillRect(rect, BorderColor());
    const QRect inner = rect.adjusted(1, 1, -1, -1);
    if (inner.isEmpty()) {
        return;
    }
    painter.fillRect(inner, FillColor(nColor, nLight));
    if (m_strText.isEmpty()) {
        return;
    }
    painter.setClipRect(inner);
    painter.setFont(m_font);
    painter.setPen(TextColor(nColor, nLight));
    // The caption's character cells are filled white, as an opaque text background.
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(QColor(255, 255, 255));
    // No Qt::TextShowMnemonic: "&" is drawn as itself.
    painter.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, m_strText);
}
