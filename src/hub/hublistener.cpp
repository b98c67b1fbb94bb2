#include "hub/hublistener.h"

#include <algorithm>

#include "link/tcplisten.h"

namespace vantel {

CHubListener::CHubListener(asio::io_context& io, Face face, HubLog log, Make make)
    : m_acceptor(io),
      m_pause(io),
      m_face(std::move(face)),
      m_log(std::move(log)),
      m_make(std::move(make)),
      m_failures(m_log, kLogPeriod),
      m_refusals(m_log, kLogPeriod) {}

bool CHubListener::Open(const std::string& host, unsigned short port, std::string& where,
                        std::string& error) {
    if (!ListenOn(m_acceptor, host, port, error)) {
        return false;
    }
    where = EndpointText(m_acceptor.local_endpoint());
    return true;
}

unsigned short CHubListener::Port() const {
    asio::error_code ec;
    const auto endpoint = m_acceptor.local_endpoint(ec);
    return ec ? 0 : endpoint.port();
}

void CHubListener::Start() {
    Accept();
}

void CHubListener::Close() {
    asio::error_code ignored;
    m_acceptor.close(ignored);
    m_pause.cancel();
}

void CHubListener::Accept() {
    m_acceptor.async_accept([this](const asio::error_code& ec, asio::ip::tcp::socket socket) {
        if (ec == asio::error::operation_aborted || !m_acceptor.is_open()) {
            return;
        }
        if (ec) {
            PauseAfter(ec);
            return;
        }
        m_nextPause = kFirstPause;
        OnAccepted(std::move(socket));
        Accept();
    });
}

// The connection waiting in the backlog stays there: it is accepted once descriptors are
// free again, or its client gives up.
void CHubListener::PauseAfter(const asio::error_code& ec) {
    m_failures.Note(m_face.name + " face cannot accept connections: " + ec.message() + "; pausing");
    m_pause.expires_after(m_nextPause);
    m_nextPause = std::min(m_nextPause * 2, kLongestPause);
    m_pause.async_wait([this](const asio::error_code& waited) {
        if (!waited && m_acceptor.is_open()) {
            Accept();
        }
    });
}

void CHubListener::OnAccepted(asio::ip::tcp::socket socket) {
    if (m_clients >= m_face.maxClients) {
        Refuse(std::move(socket));
        return;
    }
    ++m_clients;
    const auto session = m_make(std::move(socket), [this](ClientId) { --m_clients; });
    session->UseBudget(m_face.budget);
    session->Start();
}

// Tells the client why, without waiting for it: a fresh connection's send buffer takes a
// line. What it sent already is read first, so the close does not reset the connection
// before the line is read.
void CHubListener::Refuse(asio::ip::tcp::socket socket) {
    asio::error_code ec;
    const auto peer = socket.remote_endpoint(ec);
    m_refusals.Note(m_face.name + " face full (" + std::to_string(m_face.maxClients) +
                    " clients): refused " + (ec ? std::string("?") : EndpointText(peer)));
    socket.non_blocking(true, ec);
    if (!m_face.refusal.empty()) {
        socket.write_some(asio::buffer(m_face.refusal), ec);
    }
    char unread[4096];
    socket.read_some(asio::buffer(unread), ec);
    socket.shutdown(asio::ip::tcp::socket::shutdown_both, ec);
    socket.close(ec);
}

}  // namespace vantel
