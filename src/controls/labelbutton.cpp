#include "controls/labelbutton.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>

CLabelButton::CLabelButton(QWidget* parent) : CWrapButton(parent) {
    setAutoDefault(false);
}

CLabelButton::~CLabelButton() = default;

void CLabelButton::SetName(QString strName) {
    m_strName = std::move(strName);
}

void CLabelButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_bCheckedAtPress = isChecked();
        m_nPressTime = event->timestamp();
        m_bPressed = true;
    }
    CWrapButton::mousePressEvent(event);
}

void CLabelButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        CWrapButton::mouseDoubleClickEvent(event);
        return;
    }
    // The first press of the pair has clicked already (an output's check flipped). The second
    // press is not a press of the button: the owner opens its rename dialog now, so the
    // release of this press may never reach the button. The check goes back to what it was
    // before the pair began, and a late release finds the button up and clicks nothing.
    setDown(false);
    const quint64 interval =
        static_cast<quint64>(QGuiApplication::styleHints()->mouseDoubleClickInterval());
    if (m_bPressed && event->timestamp() - m_nPressTime <= interval) {
        setChecked(m_bCheckedAtPress);
    }
    m_bPressed = false;
    event->accept();
    emit doubleClicked();
}

QRect CLabelButton::StoreCell(int nColumns, int top, int bottom) {
    const int column = m_nIndex % nColumns;
    const int left = column * m_nCellWidth + 2;
    const int right = (column + 1) * m_nCellWidth - 2;
    m_rcCell = QRect(left, top, right - left, bottom - top);
    return m_rcCell;
}
