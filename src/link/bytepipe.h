#pragma once
// BytePipe: a one-way byte stream between two threads of one process, the wire of the
// in-memory transport. Bounded by nothing but the traffic of one command at a time.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "link/transport.h"

namespace vantel {

class BytePipe {
public:
    using Clock = ITransport::Clock;

    // False when the pipe is closed; the bytes are then lost, as on a broken line.
    bool Write(const std::uint8_t* data, std::size_t size);
    // Waits until bytes arrive, the pipe closes, cancelled is set (with Wake) or the deadline
    // passes. Bytes written before the close are still read.
    IoStatus Read(std::uint8_t* data, std::size_t capacity, std::size_t& received,
                  Clock::time_point deadline, const std::atomic<bool>& cancelled);
    void Close();
    bool Closed() const;
    // Wakes a waiting Read so that it looks at its cancel flag again.
    void Wake();

private:
    std::size_t Take(std::uint8_t* data, std::size_t capacity);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_head = 0;
    bool m_closed = false;
};

}  // namespace vantel
