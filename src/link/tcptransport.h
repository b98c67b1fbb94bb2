#pragma once
// TcpTransport: the link over a TCP connection (TCP_NODELAY, so every frame leaves at once;
// keepalive, so a peer that died silently is found). A connection that broke is made again by
// Reopen.

#include <asio.hpp>
#include <chrono>
#include <memory>

#include "link/asiotransport.h"

namespace vantel {

class TcpTransport : public AsioTransport<asio::ip::tcp::socket> {
public:
    // Connecting never waits longer than this, whatever the caller's deadline.
    static constexpr std::chrono::milliseconds kConnectTimeout{2000};

    explicit TcpTransport(asio::ip::tcp::endpoint endpoint);

    // Connects by the deadline (at most kConnectTimeout from now).
    bool Open(Clock::time_point deadline);
    bool Reopen(Clock::time_point deadline) override { return Open(deadline); }
    std::unique_ptr<ITransport> Remake() const override {
        return std::make_unique<TcpTransport>(m_endpoint);
    }

private:
    asio::ip::tcp::endpoint m_endpoint;
};

}  // namespace vantel
