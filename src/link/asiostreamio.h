#pragma once
// AsioStreamIo: blocking reads, writes and connects with a deadline on top of Asio's
// asynchronous operations, run on the calling thread: start the operation, run the
// io_context until it completes or the deadline passes, and on a time-out cancel the
// operation and let its handler run before returning. Cancel may be called from any thread.

#include <asio.hpp>
#include <atomic>
#include <chrono>

#include "link/transport.h"

namespace vantel {

class AsioStreamIo {
public:
    using Clock = ITransport::Clock;

    asio::io_context& Context() { return m_io; }

    template <class Stream>
    IoStatus Write(Stream& stream, const std::uint8_t* data, std::size_t size,
                   Clock::time_point deadline) {
        std::size_t done = 0;
        return Run(
            stream, deadline,
            [&](auto handler) { asio::async_write(stream, asio::buffer(data, size), handler); },
            done);
    }

    template <class Stream>
    IoStatus Read(Stream& stream, std::uint8_t* data, std::size_t capacity, std::size_t& received,
                  Clock::time_point deadline) {
        received = 0;
        return Run(
            stream, deadline,
            [&](auto handler) { stream.async_read_some(asio::buffer(data, capacity), handler); },
            received);
    }

    template <class Socket, class Endpoint>
    IoStatus Connect(Socket& socket, const Endpoint& endpoint, Clock::time_point deadline) {
        std::size_t unused = 0;
        return Run(
            socket, deadline,
            [&](auto handler) {
                socket.async_connect(endpoint,
                                     [handler](const std::error_code& ec) { handler(ec, 0); });
            },
            unused);
    }

    void Cancel() {
        m_cancelled.store(true);
        m_io.stop();
    }
    void ClearCancel() { m_cancelled.store(false); }
    bool Cancelled() const { return m_cancelled.load(); }

private:
    template <class Stream, class Start>
    IoStatus Run(Stream& stream, Clock::time_point deadline, Start start,
                 std::size_t& transferred) {
        m_io.restart();
        if (m_cancelled.load()) {
            return IoStatus::kCancelled;
        }
        bool done = false;
        std::error_code error;
        start([&](const std::error_code& ec, std::size_t n) {
            error = ec;
            transferred = n;
            done = true;
        });
        while (!done) {
            const auto now = Clock::now();
            if (now >= deadline) {
                break;
            }
            // Restart before looking at the flag: a Cancel after the look stops this run.
            m_io.restart();
            if (m_cancelled.load()) {
                break;
            }
            m_io.run_for(deadline - now);
        }
        if (!done) {
            // Abort the operation; its handler must run before the locals it refers to go.
            std::error_code ignored;
            stream.cancel(ignored);
            while (!done) {
                m_io.restart();
                m_io.run();
            }
            if (!error || error != asio::error::operation_aborted) {
                return error ? IoStatus::kFailed : IoStatus::kOk;
            }
            return m_cancelled.load() ? IoStatus::kCancelled : IoStatus::kTimeout;
        }
        return error ? IoStatus::kFailed : IoStatus::kOk;
    }

    asio::io_context m_io{1};
    std::atomic<bool> m_cancelled{false};
};

}  // namespace vantel
