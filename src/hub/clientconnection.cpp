#include "hub/clientconnection.h"

#include "link/keepalive.h"

namespace vantel {

namespace {

std::string PeerText(const asio::ip::tcp::socket& socket) {
    asio::error_code ec;
    const auto peer = socket.remote_endpoint(ec);
    return ec ? std::string("?") : peer.address().to_string() + ":" + std::to_string(peer.port());
}

std::string PeerAddressOf(const asio::ip::tcp::socket& socket) {
    asio::error_code ec;
    auto address = socket.remote_endpoint(ec).address();
    if (ec) {
        return "?";
    }
    if (address.is_v6() && address.to_v6().is_v4_mapped()) {
        address = asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
    }
    return address.to_string();
}

}  // namespace

CClientConnection::CClientConnection(asio::ip::tcp::socket socket, ClientId id, std::string face,
                                     HubLog log, Closed closed)
    : m_socket(std::move(socket)),
      m_id(id),
      m_peerAddress(PeerAddressOf(m_socket)),
      m_name(face + " client " + std::to_string(id) + " (" + PeerText(m_socket) + ")"),
      m_log(std::move(log)),
      m_closedCallback(std::move(closed)) {
    asio::error_code ignored;
    m_socket.set_option(asio::ip::tcp::no_delay(true), ignored);
    // A client that lost power or its network never says goodbye: keepalive finds it, and
    // its connection is closed like any other that ends.
    EnableKeepAlive(m_socket.native_handle());
}

void CClientConnection::UseBudget(CByteBudget* budget) {
    m_budget = budget;
    if (m_budget != nullptr) {
        std::weak_ptr<CClientConnection> weak = weak_from_this();
        m_budget->Join(m_id, [weak] {
            if (const auto self = weak.lock()) {
                self->End(
                    "holds the most while the hub's memory for clients is full; "
                    "disconnected");
            }
        });
    }
}

void CClientConnection::Start() {
    m_log(m_name + " connected");
    OnStart();
    Read();
}

void CClientConnection::Send(std::string_view bytes) {
    if (m_closed || bytes.empty()) {
        return;
    }
    Send(std::make_shared<const std::string>(bytes));
}

void CClientConnection::Send(SharedBytes bytes) {
    if (m_closed || !bytes || bytes->empty()) {
        return;
    }
    // What was pushed before an answer reaches the client before it.
    FlushStale();
    Enqueue(std::move(bytes));
    if (!m_writing) {
        WriteNext();
    }
}

void CClientConnection::MarkStale() {
    if (m_closed) {
        return;
    }
    m_stale = true;
    if (!m_writing) {
        WriteNext();
    }
}

void CClientConnection::FlushStale() {
    if (!m_stale || m_closed) {
        return;
    }
    m_stale = false;
    if (auto bytes = TakeStale(); bytes && !bytes->empty()) {
        Enqueue(std::move(bytes));
    }
}

void CClientConnection::Enqueue(SharedBytes bytes) {
    const std::size_t size = bytes->size();
    if (m_queued + size > kMaxQueuedBytes) {
        End("does not read what it is sent; disconnected");
        return;
    }
    if (m_budget != nullptr && !m_budget->Add(m_id, size)) {
        End("holds the most while the hub's memory for clients is full; disconnected");
        return;
    }
    m_queue.push_back(std::move(bytes));
    m_queued += size;
}

void CClientConnection::Close() {
    if (m_closed) {
        return;
    }
    m_closed = true;
    asio::error_code ignored;
    m_socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    m_socket.close(ignored);
    if (m_budget != nullptr) {
        m_budget->Leave(m_id);
    }
    if (m_closedCallback) {
        m_closedCallback(m_id);
    }
}

void CClientConnection::ResumeReading() {
    m_paused = false;
    if (!m_reading && !m_closed) {
        Read();
    }
}

void CClientConnection::Read() {
    if (m_paused || m_reading || m_closed) {
        return;
    }
    m_reading = true;
    m_socket.async_read_some(
        asio::buffer(m_in), [self = shared_from_this()](const asio::error_code& ec, std::size_t n) {
            self->m_reading = false;
            if (ec) {
                self->End(ec == asio::error::eof ? "disconnected" : "lost: " + ec.message());
                return;
            }
            self->OnData(std::string_view(self->m_in.data(), n));
            self->Read();
        });
}

void CClientConnection::WriteNext() {
    FlushStale();
    if (m_closed || m_queue.empty()) {
        m_writing = false;
        return;
    }
    m_writing = true;
    m_gather.clear();
    for (std::size_t i = 0; i < m_queue.size() && i < kMaxGather; ++i) {
        m_gather.push_back(asio::buffer(*m_queue[i]));
    }
    asio::async_write(m_socket, m_gather,
                      [self = shared_from_this()](const asio::error_code& ec, std::size_t) {
                          if (ec) {
                              self->m_writing = false;
                              self->End("lost: " + ec.message());
                              return;
                          }
                          self->Written();
                          self->WriteNext();
                      });
}

// The buffers of the write that just ended leave the queue.
void CClientConnection::Written() {
    for (std::size_t i = 0; i < m_gather.size() && !m_queue.empty(); ++i) {
        const std::size_t size = m_queue.front()->size();
        m_queued -= size;
        if (m_budget != nullptr) {
            m_budget->Remove(m_id, size);
        }
        m_queue.pop_front();
    }
    m_gather.clear();
}

void CClientConnection::End(const std::string& why) {
    if (m_closed) {
        return;
    }
    m_log(m_name + " " + why);
    Close();
}

}  // namespace vantel
