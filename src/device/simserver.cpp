#include "device/simserver.h"

#include <algorithm>
#include <iostream>

#include "link/tcplisten.h"

namespace vantel {

CSimServer::CSimServer(CSwitcher& device, const SimOptions& options)
    : m_options(options),
      m_faults(options.drop, options.garble, options.seed),
      m_shared{device, &m_faults, std::chrono::milliseconds(std::max(0, options.latencyMs)), {}},
      m_acceptor(m_io),
      m_signals(m_io) {
    if (!m_faults.Active()) {
        m_shared.faults = nullptr;
    }
}

CSimServer::~CSimServer() {
    CloseAll();
}

bool CSimServer::Open(std::vector<std::string>& endpoints, std::string& error) {
    if (!OpenTcp(error)) {
        return false;
    }
    endpoints.push_back("listening on " + EndpointText(m_acceptor.local_endpoint()));
    if (m_options.pty) {
        if (!OpenPty(error)) {
            return false;
        }
        endpoints.push_back("serial on " + m_pty.SlavePath());
    }
    if (m_options.handleSignals) {
        m_signals.add(SIGINT);
        m_signals.add(SIGTERM);
        m_signals.async_wait([this](const asio::error_code& ec, int) {
            if (!ec) {
                CloseAll();
            }
        });
    }
    Accept();
    return true;
}

bool CSimServer::OpenTcp(std::string& error) {
    if (!ListenOn(m_acceptor, m_options.listenHost, m_options.listenPort, error)) {
        return false;
    }
    m_tcpPort = m_acceptor.local_endpoint().port();
    return true;
}

bool CSimServer::OpenPty(std::string& error) {
    if (!m_pty.Open(error)) {
        return false;
    }
    asio::posix::stream_descriptor master(m_io, m_pty.ReleaseMaster());
    m_ptySession = std::make_shared<PtySession>(
        std::move(master), m_shared, [path = m_pty.SlavePath()](const asio::error_code& ec) {
            std::cerr << "vantel-sim: serial line " << path << " ended: " << ec.message()
                      << std::endl;
        });
    m_ptySession->Start();
    return true;
}

void CSimServer::Accept() {
    m_acceptor.async_accept([this](const asio::error_code& ec, asio::ip::tcp::socket socket) {
        if (ec == asio::error::operation_aborted || !m_acceptor.is_open()) {
            return;
        }
        if (!ec) {
            OnAccepted(std::move(socket));
        }
        Accept();
    });
}

void CSimServer::OnAccepted(asio::ip::tcp::socket socket) {
    std::erase_if(m_clients, [](const auto& client) { return client.expired(); });
    if (m_clients.size() >= m_options.maxClients) {
        return;  // the socket closes as it goes out of scope
    }
    asio::error_code ignored;
    socket.set_option(asio::ip::tcp::no_delay(true), ignored);
    auto session = std::make_shared<TcpSession>(std::move(socket), m_shared);
    m_clients.push_back(session);
    session->Start();
}

void CSimServer::Run() {
    m_io.run();
}

void CSimServer::Stop() {
    asio::post(m_io, [this] { CloseAll(); });
}

void CSimServer::CloseAll() {
    asio::error_code ignored;
    m_acceptor.close(ignored);
    m_signals.cancel(ignored);
    if (m_ptySession) {
        m_ptySession->Close();
    }
    for (const auto& client : m_clients) {
        if (auto session = client.lock()) {
            session->Close();
        }
    }
    m_io.stop();
}

}  // namespace vantel
