#pragma once
// CLedRect: a small rectangular indicator lamp with a caption, drawn entirely by itself.
//
// The lamp has one of four colours (0 red, 1 green, 2 yellow, 3 blue) and one of three light
// states (0 lit, 1 dim, 2 off). SetLed, SetColor and SetLight may be called from any thread:
// the state is stored at once (colour and light together, so a reader never sees half a
// change) and the lamp is repainted on the GUI thread at once. Everything else belongs to the
// GUI thread.

#include <QBasicTimer>
#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>
#include <array>
#include <atomic>

class CLedRect : public QWidget {
    Q_OBJECT
public:
    static constexpr int kColors = 4;
    static constexpr int kLights = 3;

    explicit CLedRect(QWidget* parent = nullptr);
    ~CLedRect() override;

    // Out-of-range arguments (colour outside 0..3, light outside 0..2) change nothing.
    void SetLed(int nColor, int nLight);
    void SetColor(int nColor);
    void SetLight(int nLight);

    void SetText(const QString& text);
    QString GetText() const { return m_strText; }
    void ClearText() { SetText(QString()); }

    // Lights the lamp now and dims it nElapse ms later; a second call restarts the period.
    void Flash(unsigned nElapse);

    int GetColor() const { return ColorOf(m_nState.load()); }
    int GetLight() const { return LightOf(m_nState.load()); }

    // Body and caption colours of the table, by colour and light.
    static QColor FillColor(int nColor, int nLight);
    static QColor TextColor(int nColor, int nLight);
    static QColor BorderColor() { return QColor(0, 0, 0); }

    const QFont& CaptionFont() const { return m_font; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    // Colour and light packed into one value, so both change together.
    static constexpr int Pack(int nColor, int nLight) { return nColor * kLights + nLight; }
    static constexpr int ColorOf(int state) { return state / kLights; }
    static constexpr int LightOf(int state) { return state % kLights; }
    static bool ValidColor(int nColor) { return nColor >= 0 && nColor < kColors; }
    static bool ValidLight(int nLight) { return nLight >= 0 && nLight < kLights; }

    // Stores a new state; repaints when it differs from the one shown.
    void Store(int state);
    // Repaints now on the GUI thread, or asks the GUI thread to (once per pending change).
    void Redraw();
    void DrawLed(QPainter& painter, int nColor, int nLight);

    std::atomic<int> m_nState{Pack(0, 1)};
    std::atomic<bool> m_bRedrawQueued{false};
    bool m_bFlash = false;
    QBasicTimer m_flashTimer;
    QFont m_font;
    QString m_strText;
};
