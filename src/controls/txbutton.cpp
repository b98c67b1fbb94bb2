#include "controls/txbutton.h"

#include <algorithm>

CTxButton::CTxButton(QWidget* parent) : CLabelButton(parent) {}

CTxButton::~CTxButton() = default;

QRect CTxButton::CalcRect(const QRect& area, int nColumns, int nRows) {
    nColumns = std::max(1, nColumns);
    nRows = std::max(1, nRows);
    m_nCellWidth = area.width() / nColumns;
    m_nCellHeight = (area.height() / nRows) / 2;
    const int row = Row(nColumns);
    return StoreCell(nColumns, row * m_nCellHeight + 16, (row + 1) * m_nCellHeight + 14);
}
