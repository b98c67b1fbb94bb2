#pragma once
// CSkinStyle: the application's built-in skin drawn in code on top of the Fusion style. Calm
// grey surfaces with dark text and one steel-blue accent (selected tab, checked buttons,
// focus); rounded buttons, entry fields, lists, group frames, tabs, radio marks and
// trackbars. It draws what the skin's style sheet describes, but a style costs nothing per
// control when a window is built, where the style-sheet engine resolves its rules for every
// widget it polishes.

#include <QProxyStyle>

class CSkinStyle : public QProxyStyle {
    Q_OBJECT
public:
    CSkinStyle();

    // The skin's colours; the application takes them when the style is set.
    QPalette standardPalette() const override;
    // Pages inside the tab control are dialogs that are not windows: the skin fills them with
    // the window colour, as every dialog.
    void polish(QWidget* widget) override;
    void unpolish(QWidget* widget) override;
    using QProxyStyle::polish;
    using QProxyStyle::unpolish;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;

private:
    void DrawPushLabel(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
    void DrawTabLabel(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
    void DrawGroupBox(const QStyleOptionComplex* option, QPainter* painter,
                      const QWidget* widget) const;
    void DrawSlider(const QStyleOptionComplex* option, QPainter* painter,
                    const QWidget* widget) const;
};
