#include "hub/hubserver.h"

#include "hub/embersession.h"
#include "hub/stationsession.h"
#include "hub/textsession.h"
#include "link/tcplisten.h"

namespace vantel {

CHubServer::CHubServer(HubOptions options)
    : m_options(std::move(options)),
      m_log(m_options.device.log ? m_options.device.log : [](const std::string&) {}),
      m_stations(m_io),
      m_texts(m_io),
      m_embers(m_io),
      m_signals(m_io),
      m_owner(m_options.device, [this](const HubSnapshot& state) {
          asio::post(m_io, [this, state] { OnPublished(state); });
      }) {}

CHubServer::~CHubServer() {
    m_owner.Stop();
    CloseAll();
}

bool CHubServer::Open(std::vector<std::string>& endpoints, std::string& error) {
    std::string where;
    if (!Listen(m_stations, m_options.listenHost, m_options.listenPort, where, error)) {
        return false;
    }
    endpoints.push_back("listening on " + where);
    if (!Listen(m_texts, m_options.textHost, m_options.textPort, where, error)) {
        return false;
    }
    endpoints.push_back("text listening on " + where);
    if (m_options.ember) {
        if (!Listen(m_embers, m_options.emberHost, m_options.emberPort, where, error)) {
            return false;
        }
        endpoints.push_back("ember listening on " + where);
    }
    if (m_options.handleSignals) {
        m_signals.add(SIGINT);
        m_signals.add(SIGTERM);
        m_signals.async_wait([this](const asio::error_code& ec, int) {
            if (!ec) {
                m_log("stopping on a signal");
                CloseAll();
            }
        });
    }
    Accept(m_stations, false);
    Accept(m_texts, true);
    if (m_options.ember) {
        AcceptEmber();
    }
    m_owner.Start();
    return true;
}

bool CHubServer::Listen(asio::ip::tcp::acceptor& acceptor, const std::string& host,
                        unsigned short port, std::string& where, std::string& error) {
    if (!ListenOn(acceptor, host, port, error)) {
        return false;
    }
    where = EndpointText(acceptor.local_endpoint());
    return true;
}

void CHubServer::Accept(asio::ip::tcp::acceptor& acceptor, bool text) {
    acceptor.async_accept(
        [this, &acceptor, text](const asio::error_code& ec, asio::ip::tcp::socket socket) {
            if (ec == asio::error::operation_aborted || !acceptor.is_open()) {
                return;
            }
            if (ec) {
                m_log("cannot accept a connection: " + ec.message());
            } else {
                OnAccepted(std::move(socket), text);
            }
            Accept(acceptor, text);
        });
}

void CHubServer::OnAccepted(asio::ip::tcp::socket socket, bool text) {
    const ClientId id = m_nextId++;
    auto closed = [this](ClientId gone) {
        m_clients.erase(gone);
        m_textClients.erase(gone);
    };
    std::shared_ptr<CClientConnection> client;
    if (text) {
        auto session = std::make_shared<CTextSession>(std::move(socket), id, *this, m_log, closed);
        m_textClients[id] = session;
        client = session;
    } else {
        client = std::make_shared<CStationSession>(std::move(socket), id, *this, m_log, closed);
    }
    m_clients[id] = client;
    client->Start();
}

void CHubServer::AcceptEmber() {
    m_embers.async_accept([this](const asio::error_code& ec, asio::ip::tcp::socket socket) {
        if (ec == asio::error::operation_aborted || !m_embers.is_open()) {
            return;
        }
        if (ec) {
            m_log("cannot accept a connection: " + ec.message());
        } else {
            const ClientId id = m_nextId++;
            auto session = std::make_shared<CEmberSession>(std::move(socket), id, *this, m_log,
                                                           [this](ClientId gone) {
                                                               m_clients.erase(gone);
                                                               m_emberClients.erase(gone);
                                                           });
            m_emberClients[id] = session;
            m_clients[id] = session;
            session->Start();
        }
        AcceptEmber();
    });
}

void CHubServer::OnPublished(HubSnapshot state) {
    const HubSnapshot before = std::move(m_state);
    m_state = std::move(state);
    // Copied first: a push that overflows a client's queue closes it, which edits the map.
    const auto clients = m_textClients;
    for (const auto& [id, weak] : clients) {
        if (const auto session = weak.lock()) {
            session->Push(before, m_state);
        }
    }
    const auto embers = m_emberClients;
    for (const auto& [id, weak] : embers) {
        if (const auto session = weak.lock()) {
            session->Push(before, m_state);
        }
    }
}

void CHubServer::OnNetworkThread(std::function<void()> fn) {
    asio::post(m_io, std::move(fn));
}

void CHubServer::Run() {
    m_io.run();
}

void CHubServer::Stop() {
    asio::post(m_io, [this] { CloseAll(); });
}

void CHubServer::CloseAll() {
    asio::error_code ignored;
    m_stations.close(ignored);
    m_texts.close(ignored);
    m_embers.close(ignored);
    m_signals.cancel(ignored);
    const auto clients = m_clients;
    for (const auto& [id, weak] : clients) {
        if (const auto client = weak.lock()) {
            client->Close();
        }
    }
    m_io.stop();
}

}  // namespace vantel
