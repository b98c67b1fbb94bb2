#pragma once
// AsioTransport: what the TCP and serial transports share: an Asio stream driven with
// deadlines by AsioStreamIo. A stream that fails is closed, so the link knows to reopen it.

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "link/asiostreamio.h"
#include "link/transport.h"

namespace vantel {

template <class Stream>
class AsioTransport : public ITransport {
public:
    ~AsioTransport() override { Shut(); }

    bool IsOpen() const override { return m_open.load(); }

    IoStatus Write(const std::uint8_t* data, std::size_t size,
                   Clock::time_point deadline) override {
        if (!IsOpen()) {
            return IoStatus::kFailed;
        }
        return Check(m_io.Write(m_stream, data, size, deadline));
    }

    IoStatus Read(std::uint8_t* data, std::size_t capacity, std::size_t& received,
                  Clock::time_point deadline) override {
        received = 0;
        if (!IsOpen()) {
            return IoStatus::kFailed;
        }
        return Check(m_io.Read(m_stream, data, capacity, received, deadline));
    }

    // Looks without waiting; a hang-up or error of the stream (a peer that closed, a serial
    // line whose device went away) closes the transport.
    IoStatus ReadWaiting(std::uint8_t* data, std::size_t capacity, std::size_t& received) override {
        received = 0;
        if (!IsOpen()) {
            return IoStatus::kFailed;
        }
        pollfd ready{m_stream.native_handle(), POLLIN, 0};
        const int polled = ::poll(&ready, 1, 0);
        if (polled == 0 || (polled < 0 && errno == EINTR)) {
            return IoStatus::kOk;
        }
        const ssize_t got = polled > 0 && (ready.revents & POLLNVAL) == 0
                                ? ::read(m_stream.native_handle(), data, capacity)
                                : -1;
        if (got > 0) {
            received = static_cast<std::size_t>(got);
            return IoStatus::kOk;
        }
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
            return IoStatus::kOk;
        }
        Shut();  // 0: the peer closed; below 0: the line failed
        return IoStatus::kFailed;
    }

    void Close() override { Shut(); }
    void Cancel() override { m_io.Cancel(); }
    void ClearCancel() override { m_io.ClearCancel(); }

protected:
    void Shut() {
        m_open.store(false);
        std::error_code ignored;
        m_stream.close(ignored);
    }

    AsioStreamIo m_io;
    Stream m_stream{m_io.Context()};
    std::atomic<bool> m_open{false};

private:
    IoStatus Check(IoStatus status) {
        if (status == IoStatus::kFailed) {
            Shut();
        }
        return status;
    }
};

}  // namespace vantel
