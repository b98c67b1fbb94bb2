#pragma once
// CStreamSession: serves the device on one stream (a TCP connection or the pseudo-terminal's
// master side). Reads a chunk, lets the device answer every complete request in it, waits the
// configured latency, writes the replies, and only then reads again, so a client that does
// not read its replies stalls itself and never makes the server buffer without bound.

#include <array>
#include <asio.hpp>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "device/deviceport.h"

namespace vantel {

// What every session of one server shares. Lives as long as the server.
struct SessionShared {
    CSwitcher& device;
    CReplyFaults* faults = nullptr;
    std::chrono::milliseconds latency{0};
    // Asked after a command changed the device; false refuses and undoes the change.
    CDevicePort::Keeper keep;
};

template <class Stream>
class CStreamSession : public std::enable_shared_from_this<CStreamSession<Stream>> {
public:
    // Bytes taken from the stream per read.
    static constexpr std::size_t kReadSize = 4096;

    using Ended = std::function<void(const asio::error_code&)>;

    CStreamSession(Stream stream, SessionShared& shared, Ended ended = {})
        : m_stream(std::move(stream)),
          m_timer(m_stream.get_executor()),
          m_shared(shared),
          m_port(shared.device, shared.faults),
          m_ended(std::move(ended)) {
        m_port.SetKeeper(shared.keep);
    }

    void Start() { Read(); }
    void Close() {
        asio::error_code ignored;
        m_stream.close(ignored);
        m_timer.cancel();
    }

private:
    void Read() {
        m_stream.async_read_some(asio::buffer(m_in),
                                 [self = this->shared_from_this()](
                                     asio::error_code ec, std::size_t n) { self->OnRead(ec, n); });
    }

    void OnRead(const asio::error_code& ec, std::size_t n) {
        if (ec) {
            End(ec);
            return;
        }
        m_out.clear();
        m_port.Feed(m_in.data(), n, m_out);
        if (m_out.empty()) {
            Read();
        } else if (m_shared.latency.count() > 0) {
            m_timer.expires_after(m_shared.latency);
            m_timer.async_wait([self = this->shared_from_this()](asio::error_code waitEc) {
                if (!waitEc) {
                    self->Write();
                }
            });
        } else {
            Write();
        }
    }

    void Write() {
        asio::async_write(m_stream, asio::buffer(m_out),
                          [self = this->shared_from_this()](asio::error_code ec, std::size_t) {
                              if (ec) {
                                  self->End(ec);
                                  return;
                              }
                              self->Read();
                          });
    }

    void End(const asio::error_code& ec) {
        if (m_ended && ec != asio::error::operation_aborted) {
            m_ended(ec);
        }
    }

    Stream m_stream;
    asio::steady_timer m_timer;
    SessionShared& m_shared;
    CDevicePort m_port;
    Ended m_ended;
    std::array<std::uint8_t, kReadSize> m_in{};
    std::vector<std::uint8_t> m_out;
};

}  // namespace vantel
