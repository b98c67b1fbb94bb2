#pragma once
// CNamedComboBox: a drop-down list whose accessible name is the name given to it
// (setAccessibleName), with its current entry as its value. Qt's own interface for a combo box
// reports the current entry as the name on Linux, where a screen reader would then announce
// "Scene3" instead of what the list is for.

#include <QComboBox>

class CNamedComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit CNamedComboBox(QWidget* parent = nullptr);
};
