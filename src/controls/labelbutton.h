#pragma once
// CLabelButton: what the input and output label buttons of the switch page share. A button
// carries its label (m_strName), its 0-based place in its grid (m_nIndex) and the cell that the
// last CalcRect computed; it reports double-clicks so that its owner can rename it. Only the
// geometry of the cell differs between inputs and outputs. Long labels wrap onto the lines the
// button has room for.

#include <QRect>
#include <QString>

#include "controls/wrapbutton.h"

class CLabelButton : public CWrapButton {
    Q_OBJECT
public:
    explicit CLabelButton(QWidget* parent = nullptr);
    ~CLabelButton() override;

    // The button's cell on a page of area's size (its position is not used), with nColumns
    // columns and nRows rows per grid half. Stores the cell in m_rcCell, m_nCellWidth and
    // m_nCellHeight and returns m_rcCell, in the page's coordinates. The rectangle spans from
    // (left, top) to (right, bottom) exclusive: width right - left, height bottom - top.
    // Counts below 1 count as 1.
    virtual QRect CalcRect(const QRect& area, int nColumns, int nRows) = 0;

    // Takes the label; the visible text is the owner's to set.
    void SetName(QString strName);

    QString m_strName;
    int m_nIndex = 0;
    QRect m_rcCell;
    int m_nCellWidth = 0;
    int m_nCellHeight = 0;

signals:
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

    // The grid row of this button for nColumns columns (nColumns >= 1).
    int Row(int nColumns) const { return m_nIndex / nColumns; }
    // Stores and returns the cell between top and bottom in this button's column, 2 pixels
    // in from both sides of a cell of m_nCellWidth.
    QRect StoreCell(int nColumns, int top, int bottom);

private:
    // The check state and time of the last press, which a double-click returns to.
    bool m_bCheckedAtPress = false;
    quint64 m_nPressTime = 0;
    bool m_bPressed = false;
};
