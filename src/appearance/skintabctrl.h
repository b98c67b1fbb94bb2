#pragma once
// CSkinTabCtrl: a tab strip whose pages are plain child windows placed by the owner in the
// page area (the control's inner area less the strip of tabs), as a dialog's tab control.

#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QRect>
#include <QWidget>
#include <vector>

class QTabBar;

class CSkinTabCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CSkinTabCtrl(QWidget* parent = nullptr);

    void SetMinTabWidth(int pixels);
    // Images of the tabs, by index.
    void SetImageList(std::vector<QPixmap> images);
    void InsertItem(int index, const QString& text, int image);
    int GetItemCount() const;
    int GetCurSel() const;
    void SetCurSel(int index);  // does not emit selChange, as a dialog's tab control
    // The page area in this control's coordinates.
    QRect GetPageArea() const;
    QTabBar* TabBar() const { return m_bar; }

signals:
    // The user selected another tab.
    void selChange(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QIcon ImageIcon(int image) const;
    QRect FrameRect() const;
    void LayoutBar();

    QTabBar* m_bar;
    std::vector<QPixmap> m_images;
    QList<int> m_nImages;  // image index of each tab
    int m_nMinTabWidth = 0;
    bool m_bProgrammatic = false;  // a selection change made by code, not by the user
};
