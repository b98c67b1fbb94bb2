#pragma once
// GuiCommander: sends a command on the GUI thread every few hundred milliseconds, as a page
// does: reads stored scene 1, which no test changes, so its reply is known exactly. A reply
// that differs was taken for another command (the monitor polls scene 0 meanwhile).

#include <QTimer>
#include <algorithm>
#include <array>

#include "device/switcher.h"
#include "link/vexalib.h"

namespace vantel::test {

class GuiCommander {
public:
    static constexpr int kTimeoutMs = 500;

    explicit GuiCommander(CVexaLib& link) : m_link(link) {
        m_timer.setInterval(300);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Send(); });
    }
    void Start() { m_timer.start(); }
    void Stop() { m_timer.stop(); }

    int Sent() const { return m_sent; }
    int Answered() const { return m_answered; }
    int Mismatched() const { return m_mismatched; }

private:
    void Send() {
        std::array<unsigned char, CVexaLib::kDefaultBufferSize> buf{};
        buf[0] = 1;
        ++m_sent;
        if (m_link.Command(7, buf.data(), buf.size(), 1, kTimeoutMs) != kVexaOk) {
            return;
        }
        ++m_answered;
        const auto expected = CSwitcher(8, 8).StateImage(1);
        if (!std::equal(expected.begin(), expected.end(), buf.begin() + 1)) {
            ++m_mismatched;
        }
    }

    CVexaLib& m_link;
    QTimer m_timer;
    int m_sent = 0;
    int m_answered = 0;
    int m_mismatched = 0;
};

}  // namespace vantel::test
