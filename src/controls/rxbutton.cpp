#include "controls/rxbutton.h"

#include <algorithm>

#include "appearance/trace.h"

CRxButton::CRxButton(QWidget* parent) : CLabelButton(parent) {
    setCheckable(true);
}

CRxButton::~CRxButton() = default;

QRect CRxButton::CalcRect(const QRect& area, int nColumns, int nRows) {
    vantel::Trace("top:%d,bottom:%d,left:%d,right:%d\r\n", area.top(), area.top() + area.height(),
                  area.left(), area.left() + area.width());
    nColumns = std::max(1, nColumns);
    nRows = std::max(1, nRows);
    m_nCellWidth = area.width() / nColumns;
    const int half = area.height() / 2;
    m_nCellHeight = half / nRows;
    const int row = Row(nColumns);
    return StoreCell(nColumns, half + row * m_nCellHeight + 2, half + (row + 1) * m_nCellHeight);
}
