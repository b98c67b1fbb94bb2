#pragma once
// FirstPaintProbe: for benchmarking only. When the environment variable
// VANTEL_BENCH_FIRST_PAINT is set, prints the line "first-paint WxH" (the window's size) to
// stdout once the watched window has been painted for the first time; with the value "quit"
// it then closes the window.

#include <QObject>

class QWidget;

namespace vantel {

class FirstPaintProbe : public QObject {
public:
    // Watches window when the variable is set; does nothing otherwise.
    static void InstallIfRequested(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FirstPaintProbe(QWidget* window, bool quit);

    QWidget* m_window;
    bool m_bQuit;
    bool m_bSeen = false;
};

}  // namespace vantel
