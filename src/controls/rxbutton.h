#pragma once
// CRxButton: an output label button of the switch page (lower half): a push-like check box
// whose grid starts 2 pixels below the middle of the page, rows (H / 2) / rows high.

#include "controls/labelbutton.h"

class CRxButton : public CLabelButton {
    Q_OBJECT
public:
    explicit CRxButton(QWidget* parent = nullptr);
    ~CRxButton() override;

    // Also writes the area to the debug trace.
    QRect CalcRect(const QRect& area, int nColumns, int nRows) override;
};
