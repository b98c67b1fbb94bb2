#include "hub/ratelog.h"

namespace vantel {

void CRateLog::Note(const std::string& what, Clock::time_point now) {
    ++m_unlogged;
    if (now < m_next) {
        return;
    }
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(now - m_lastLogged).count();
    m_log(m_unlogged == 1 ? what
                          : what + " (" + std::to_string(m_unlogged) + " times in the last " +
                                std::to_string(seconds) + " s)");
    m_unlogged = 0;
    m_lastLogged = now;
    m_next = now + m_period;
}

}  // namespace vantel
