#pragma once
// ITransport: a byte stream to the device (TCP, serial line or in-memory pipe). Every wait has
// a deadline; Cancel wakes a wait from another thread. A transport whose stream failed closes
// itself; Reopen brings it back where the medium allows it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace vantel {

enum class IoStatus {
    kOk,         // done
    kTimeout,    // the deadline passed first
    kCancelled,  // Cancel was called
    kFailed,     // the stream broke or is closed; the transport is closed now
};

class ITransport {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~ITransport() = default;

    virtual bool IsOpen() const = 0;
    // Writes all size bytes by the deadline.
    virtual IoStatus Write(const std::uint8_t* data, std::size_t size,
                           Clock::time_point deadline) = 0;
    // Waits for at least one byte and reads up to capacity bytes; received tells how many.
    virtual IoStatus Read(std::uint8_t* data, std::size_t capacity, std::size_t& received,
                          Clock::time_point deadline) = 0;
    // Opens the stream again after a failure (TCP: a new connection). False when it cannot
    // by the deadline, or the medium cannot be reopened.
    virtual bool Reopen(Clock::time_point deadline) = 0;
    virtual void Close() = 0;

    // Reads what has arrived already, without waiting; received may be 0. kFailed when the
    // stream turns out broken (the transport is closed then).
    virtual IoStatus ReadWaiting(std::uint8_t* /*data*/, std::size_t /*capacity*/,
                                 std::size_t& received) {
        received = 0;
        return IsOpen() ? IoStatus::kOk : IoStatus::kFailed;
    }
    // A new transport to the same place, not yet opened (Reopen opens it), so that a lost
    // connection can be made again beside this one; null where the medium cannot be reopened.
    virtual std::unique_ptr<ITransport> Remake() const { return nullptr; }

    // Thread-safe. Wakes a pending wait, and makes every wait return kCancelled until
    // ClearCancel.
    virtual void Cancel() = 0;
    virtual void ClearCancel() = 0;
};

}  // namespace vantel
