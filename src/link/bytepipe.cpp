#include "link/bytepipe.h"

#include <algorithm>
#include <cstring>

namespace vantel {

bool BytePipe::Write(const std::uint8_t* data, std::size_t size) {
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) {
            return false;
        }
        if (m_head == m_bytes.size()) {
            m_bytes.clear();
            m_head = 0;
        }
        m_bytes.insert(m_bytes.end(), data, data + size);
    }
    m_changed.notify_all();
    return true;
}

std::size_t BytePipe::Take(std::uint8_t* data, std::size_t capacity) {
    const std::size_t count = std::min(capacity, m_bytes.size() - m_head);
    std::memcpy(data, m_bytes.data() + m_head, count);
    m_head += count;
    return count;
}

IoStatus BytePipe::Read(std::uint8_t* data, std::size_t capacity, std::size_t& received,
                        Clock::time_point deadline, const std::atomic<bool>& cancelled) {
    received = 0;
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_head < m_bytes.size()) {
            received = Take(data, capacity);
            return IoStatus::kOk;
        }
        if (m_closed) {
            return IoStatus::kFailed;
        }
        if (cancelled.load()) {
            return IoStatus::kCancelled;
        }
        if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout &&
            m_head == m_bytes.size() && !m_closed && !cancelled.load()) {
            return IoStatus::kTimeout;
        }
    }
}

void BytePipe::Close() {
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    m_changed.notify_all();
}

bool BytePipe::Closed() const {
    std::lock_guard lock(m_mutex);
    return m_closed;
}

void BytePipe::Wake() {
    // Taking the lock orders the caller's flag store before the reader's next look.
    { std::lock_guard lock(m_mutex); }
    m_changed.notify_all();
}

}  // namespace vantel
