#include "controls/labelbutton.h"

#include <QMouseEvent>

CLabelButton::CLabelButton(QWidget* parent) : QPushButton(parent) {
    setAutoDefault(false);
}

CLabelButton::~CLabelButton() = default;

void CLabelButton::SetName(QString strName) {
    m_strName = std::move(strName);
}

void CLabelButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press still acts as a press (its release clicks, as on the first press), so
    // a double-click leaves an output's check as it was; the owner renames once the mouse
    // sequence is over.
    QPushButton::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        emit doubleClicked();
    }
}

QRect CLabelButton::StoreCell(int nColumns, int top, int bottom) {
    const int column = m_nIndex % nColumns;
    const int left = column * m_nCellWidth + 2;
    const int right = (column + 1) * m_nCellWidth - 2;
    m_rcCell = QRect(left, top, right - left, bottom - top);
    return m_rcCell;
}
