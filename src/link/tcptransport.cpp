#include "link/tcptransport.h"

#include <algorithm>

#include "link/keepalive.h"

namespace vantel {

TcpTransport::TcpTransport(asio::ip::tcp::endpoint endpoint) : m_endpoint(std::move(endpoint)) {}

bool TcpTransport::Open(Clock::time_point deadline) {
    Shut();
    deadline = std::min(deadline, Clock::now() + kConnectTimeout);
    if (m_io.Connect(m_stream, m_endpoint, deadline) != IoStatus::kOk) {
        Shut();
        return false;
    }
    std::error_code ignored;
    m_stream.set_option(asio::ip::tcp::no_delay(true), ignored);
    // A device that lost power says nothing: keepalive finds it, and the keeper connects
    // again once it is back.
    EnableKeepAlive(m_stream.native_handle());
    m_open.store(true);
    return true;
}

}  // namespace vantel
