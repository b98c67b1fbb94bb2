#include "app/firstpaintprobe.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace vantel {

namespace {
constexpr char kVariable[] = "VANTEL_BENCH_FIRST_PAINT";
}

void FirstPaintProbe::InstallIfRequested(QWidget* window) {
    if (!qEnvironmentVariableIsSet(kVariable)) {
        return;
    }
    const bool quit = qEnvironmentVariable(kVariable) == QStringLiteral("quit");
    window->installEventFilter(new FirstPaintProbe(window, quit));
}

FirstPaintProbe::FirstPaintProbe(QWidget* window, bool quit)
    : QObject(window), m_window(window), m_bQuit(quit) {}

bool FirstPaintProbe::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Paint && !m_bSeen) {
        m_bSeen = true;
        // Reported once the whole paint pass, children included, has run.
        QTimer::singleShot(0, this, [this] {
            std::printf("first-paint %dx%d\n", m_window->width(), m_window->height());
            std::fflush(stdout);
            if (m_bQuit) {
                m_window->close();
            }
        });
    }
    return false;
}

}  // namespace vantel
