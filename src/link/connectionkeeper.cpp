#include "link/connectionkeeper.h"

#include <algorithm>

namespace vantel {

ConnectionKeeper::~ConnectionKeeper() {
    RequestStop();
    Join();
}

void ConnectionKeeper::NoteConnected() {
    std::lock_guard lock(m_mutex);
    m_attempted = false;
    m_lastAttempt = Clock::now();
    m_backoff = kFirstBackoff;
}

void ConnectionKeeper::NoteOpenFailed() {
    std::lock_guard lock(m_mutex);
    Claim();
    m_backoff = kFirstBackoff;
}

void ConnectionKeeper::Start(Tasks tasks) {
    Join();
    {
        std::lock_guard lock(m_mutex);
        m_stop = false;
        m_woken = false;
        m_tasks = std::move(tasks);
    }
    m_thread = std::thread([this] { Run(); });
}

void ConnectionKeeper::RequestStop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
}

void ConnectionKeeper::Join() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool ConnectionKeeper::Stopping() const {
    std::lock_guard lock(m_mutex);
    return m_stop;
}

void ConnectionKeeper::NoteBroken() {
    {
        std::lock_guard lock(m_mutex);
        m_woken = true;
    }
    m_wake.notify_all();
}

bool ConnectionKeeper::ClaimCommandAttempt() {
    std::lock_guard lock(m_mutex);
    if (m_attempted) {
        return false;
    }
    Claim();
    return true;
}

void ConnectionKeeper::AttemptDone(bool connected) {
    std::lock_guard lock(m_mutex);
    if (connected) {
        m_attempted = false;
        m_backoff = kFirstBackoff;
    } else {
        m_backoff = std::min(m_backoff * 2, kLongestBackoff);
    }
}

// Under m_mutex.
void ConnectionKeeper::Claim() {
    m_attempted = true;
    m_lastAttempt = Clock::now();
}

bool ConnectionKeeper::ClaimScheduledAttempt() {
    std::lock_guard lock(m_mutex);
    // The first attempt after a break waits only for the one-a-second rule; later ones for
    // the grown back-off.
    const auto wait = m_attempted ? m_backoff : kFirstBackoff;
    if (Clock::now() < m_lastAttempt + wait) {
        return false;
    }
    Claim();
    return true;
}

void ConnectionKeeper::Run() {
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        m_wake.wait_for(lock, kCheckPeriod, [this] { return m_stop || m_woken; });
        m_woken = false;
        if (m_stop) {
            break;
        }
        lock.unlock();
        if (!m_tasks.check() && ClaimScheduledAttempt()) {
            AttemptDone(m_tasks.reconnect());
        }
        lock.lock();
    }
}

}  // namespace vantel
