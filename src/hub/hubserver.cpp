#include "hub/hubserver.h"

#include "hub/embersession.h"
#include "hub/stationsession.h"
#include "hub/swp08session.h"
#include "hub/textformat.h"
#include "hub/textsession.h"
#include "link/tcplisten.h"

namespace vantel {

CHubServer::CHubServer(HubOptions options)
    : m_options(std::move(options)),
      m_log(m_options.device.log ? m_options.device.log : [](const std::string&) {}),
      m_stations(m_io),
      m_texts(m_io),
      m_swp08(m_io),
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
    if (m_options.swp08) {
        if (!Listen(m_swp08, m_options.swp08Host, m_options.swp08Port, where, error)) {
            return false;
        }
        endpoints.push_back("swp08 listening on " + where);
    }
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
    Accept(m_stations, Face::kStation);
    Accept(m_texts, Face::kText);
    if (m_options.swp08) {
        Accept(m_swp08, Face::kSwp08);
    }
    if (m_options.ember) {
        Accept(m_embers, Face::kEmber);
    }
    if (m_options.announce) {
        m_announcer = std::make_unique<CAnnouncer>(m_log);
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

void CHubServer::Accept(asio::ip::tcp::acceptor& acceptor, Face face) {
    acceptor.async_accept(
        [this, &acceptor, face](const asio::error_code& ec, asio::ip::tcp::socket socket) {
            if (ec == asio::error::operation_aborted || !acceptor.is_open()) {
                return;
            }
            if (ec) {
                m_log("cannot accept a connection: " + ec.message());
            } else {
                OnAccepted(std::move(socket), face);
            }
            Accept(acceptor, face);
        });
}

void CHubServer::OnAccepted(asio::ip::tcp::socket socket, Face face) {
    const ClientId id = m_nextId++;
    auto closed = [this](ClientId gone) {
        m_clients.erase(gone);
        m_textClients.erase(gone);
        m_swp08Clients.erase(gone);
        m_emberClients.erase(gone);
    };
    std::shared_ptr<CClientConnection> client;
    if (face == Face::kText) {
        auto session = std::make_shared<CTextSession>(std::move(socket), id, *this, m_log, closed);
        m_textClients[id] = session;
        client = session;
    } else if (face == Face::kSwp08) {
        auto session = std::make_shared<CSwp08Session>(std::move(socket), id, *this, m_log, closed);
        m_swp08Clients[id] = session;
        client = session;
    } else if (face == Face::kEmber) {
        auto session = std::make_shared<CEmberSession>(std::move(socket), id, *this, m_log, closed);
        m_emberClients[id] = session;
        client = session;
    } else {
        client = std::make_shared<CStationSession>(std::move(socket), id, *this, m_log, closed);
    }
    m_clients[id] = client;
    client->Start();
}

void CHubServer::OnPublished(HubSnapshot state) {
    const HubSnapshot before = std::move(m_state);
    m_state = std::move(state);
    AnnounceAs(m_state);
    // Copied first: a push that overflows a client's queue closes it, which edits the map.
    const auto clients = m_textClients;
    for (const auto& [id, weak] : clients) {
        if (const auto session = weak.lock()) {
            session->Push(before, m_state);
        }
    }
    const auto swp08Clients = m_swp08Clients;
    for (const auto& [id, weak] : swp08Clients) {
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

// Both faces under the friendly name (the model's while none is set), again when it changes.
void CHubServer::AnnounceAs(const HubSnapshot& state) {
    const std::string name = state.friendlyName.empty() ? kTextModelName : state.friendlyName;
    if (!m_announcer || name + "\n" + state.uniqueId == m_announced) {
        return;
    }
    m_announced = name + "\n" + state.uniqueId;
    asio::error_code ec;
    const auto textPort = m_texts.local_endpoint(ec).port();
    const auto stationPort = m_stations.local_endpoint(ec).port();
    const std::vector<std::string> txt{"name=" + name, "unique id=" + state.uniqueId,
                                       std::string("protocol version=") + kTextProtocolVersion};
    m_announcer->Announce(
        name,
        {{kTextServiceType, textPort, txt},
         {kStationServiceType, stationPort, {"name=" + name, "unique id=" + state.uniqueId}}});
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
    m_swp08.close(ignored);
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
