#pragma once
// CRateLog: a log for events that can come in storms (accepting failing at the file
// descriptor limit, clients refused over the cap). The first is logged at once; those that
// follow within the period are counted and logged as one line with the count when the next
// one comes after the period, so a storm costs one line a period, not one line an event.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace vantel {

class CRateLog {
public:
    using Clock = std::chrono::steady_clock;
    using Log = std::function<void(const std::string&)>;

    CRateLog(Log log, Clock::duration period) : m_log(std::move(log)), m_period(period) {}

    // One event; what says what happened (the latest text stands for the counted ones).
    void Note(const std::string& what, Clock::time_point now = Clock::now());

private:
    Log m_log;
    Clock::duration m_period;
    Clock::time_point m_next{};
    Clock::time_point m_lastLogged{};
    std::size_t m_unlogged = 0;
};

}  // namespace vantel
