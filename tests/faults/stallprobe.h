#pragma once
// StallProbe: a timer ticking every 10 ms on the GUI thread; the largest gap between two ticks
// is the longest time the GUI thread did not serve its events.

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

namespace vantel::test {

class StallProbe {
public:
    StallProbe() {
        m_timer.setInterval(10);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout,
                         [this] { m_maxGapMs = std::max(m_maxGapMs, m_clock.restart()); });
    }
    void Start() {
        m_maxGapMs = 0;
        m_clock.start();
        m_timer.start();
    }
    void Stop() { m_timer.stop(); }
    qint64 MaxGapMs() const { return m_maxGapMs; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_maxGapMs = 0;
};

}  // namespace vantel::test
