#pragma once
// CTxButton: an input label button of the switch page (upper half): a push button whose grid
// starts 16 pixels below the top of the page, rows half as high as H / rows.

#include "controls/labelbutton.h"

class CTxButton : public CLabelButton {
    Q_OBJECT
public:
    explicit CTxButton(QWidget* parent = nullptr);
    ~CTxButton() override;

    QRect CalcRect(const QRect& area, int nColumns, int nRows) override;
};
