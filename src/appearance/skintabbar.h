#pragma once
// The tab strip of CSkinTabCtrl: a QTabBar whose tabs are never narrower than a minimum.

#include <QTabBar>

namespace vantel {

class SkinTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit SkinTabBar(QWidget* parent = nullptr) : QTabBar(parent) {}

    void SetMinTabWidth(int pixels);

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;

private:
    int m_nMinTabWidth = 0;
};

}  // namespace vantel
