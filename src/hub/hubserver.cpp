#include "hub/hubserver.h"

#include "hub/descriptorlimit.h"
#include "hub/embersession.h"
#include "hub/stationsession.h"
#include "hub/swp08session.h"
#include "hub/textformat.h"
#include "hub/textsession.h"

#include <algorithm>

namespace vantel {

namespace {

constexpr std::size_t kFaces = 4;  // station, text, SW-P-08, Ember+

std::string TextRefusal(std::size_t maxClients) {
    return "Too many clients (at most " + std::to_string(maxClients) +
           " on this face): connection closed\n\n";
}

}  // namespace

CHubServer::CHubServer(HubOptions options)
    : m_options(std::move(options)),
      m_log(m_options.device.log ? m_options.device.log : [](const std::string&) {}),
      m_stations(m_io, {"station", m_options.maxClients, "", &m_budget}, m_log,
                 Maker(Face::kStation)),
      m_texts(m_io, {"text", m_options.maxClients, TextRefusal(m_options.maxClients), &m_budget},
              m_log, Maker(Face::kText)),
      m_swp08(m_io, {"swp08", m_options.maxClients, "", &m_budget}, m_log, Maker(Face::kSwp08)),
      m_embers(m_io, {"ember", m_options.maxClients, "", &m_budget}, m_log, Maker(Face::kEmber)),
      m_signals(m_io),
      m_owner(m_options.device, [this](const HubSnapshot& state) { Publish(state); }) {}

CHubServer::~CHubServer() {
    m_owner.Stop();
    CloseAll();
}

bool CHubServer::Open(std::vector<std::string>& endpoints, std::string& error) {
    const std::string limit =
        FitDescriptorLimit(kFaces * m_options.maxClients + kHubOwnDescriptors);
    if (!limit.empty()) {
        m_log(limit);
    }
    std::string where;
    if (!m_stations.Open(m_options.listenHost, m_options.listenPort, where, error)) {
        return false;
    }
    endpoints.push_back("listening on " + where);
    if (!m_texts.Open(m_options.textHost, m_options.textPort, where, error)) {
        return false;
    }
    endpoints.push_back("text listening on " + where);
    if (m_options.swp08) {
        if (!m_swp08.Open(m_options.swp08Host, m_options.swp08Port, where, error)) {
            return false;
        }
        endpoints.push_back("swp08 listening on " + where);
    }
    if (m_options.ember) {
        if (!m_embers.Open(m_options.emberHost, m_options.emberPort, where, error)) {
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
    m_stations.Start();
    m_texts.Start();
    if (m_options.swp08) {
        m_swp08.Start();
    }
    if (m_options.ember) {
        m_embers.Start();
    }
    if (m_options.announce) {
        m_announcer = std::make_unique<CAnnouncer>(m_log);
    }
    m_owner.Start();
    return true;
}

CHubListener::Make CHubServer::Maker(Face face) {
    return [this, face](asio::ip::tcp::socket socket, CClientConnection::Closed closed) {
        return MakeSession(std::move(socket), face, std::move(closed));
    };
}

std::shared_ptr<CClientConnection> CHubServer::MakeSession(asio::ip::tcp::socket socket, Face face,
                                                           CClientConnection::Closed closed) {
    const ClientId id = m_nextId++;
    auto gone = [this, closed = std::move(closed)](ClientId client) {
        closed(client);
        m_clients.erase(client);
        m_textClients.erase(client);
        m_swp08Clients.erase(client);
        m_emberClients.erase(client);
    };
    std::shared_ptr<CClientConnection> client;
    if (face == Face::kText) {
        auto session = std::make_shared<CTextSession>(std::move(socket), id, *this, m_log, gone);
        m_textClients[id] = session;
        client = session;
    } else if (face == Face::kSwp08) {
        auto session = std::make_shared<CSwp08Session>(std::move(socket), id, *this, m_log, gone);
        m_swp08Clients[id] = session;
        client = session;
    } else if (face == Face::kEmber) {
        auto session = std::make_shared<CEmberSession>(std::move(socket), id, *this, m_log, gone);
        m_emberClients[id] = session;
        client = session;
    } else {
        client = std::make_shared<CStationSession>(std::move(socket), id, *this, m_log, gone);
    }
    m_clients[id] = client;
    return client;
}

void CHubServer::Publish(const HubSnapshot& state) {
    auto copy = std::make_shared<const HubSnapshot>(state);
    {
        const std::lock_guard lock(m_publishedMutex);
        m_published = std::move(copy);
        if (m_publishPosted) {
            return;
        }
        m_publishPosted = true;
    }
    asio::post(m_io, [this] { TakePublished(); });
}

void CHubServer::TakePublished() {
    SnapshotPtr state;
    {
        const std::lock_guard lock(m_publishedMutex);
        state = std::move(m_published);
        m_publishPosted = false;
    }
    if (state) {
        OnPublished(std::move(state));
    }
}

void CHubServer::OnPublished(SnapshotPtr state) {
    const SnapshotPtr before = m_current;
    m_current = std::move(state);
    m_changeTexts.clear();
    AnnounceAs(*m_current);
    // Copied first: a push that overflows a client's queue closes it, which edits the map.
    const auto clients = m_textClients;
    for (const auto& [id, weak] : clients) {
        if (const auto session = weak.lock()) {
            session->Push();
        }
    }
    const auto swp08Clients = m_swp08Clients;
    for (const auto& [id, weak] : swp08Clients) {
        if (const auto session = weak.lock()) {
            session->Push(*before, *m_current);
        }
    }
    const auto embers = m_emberClients;
    for (const auto& [id, weak] : embers) {
        if (const auto session = weak.lock()) {
            session->Push(*before, *m_current);
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
    const auto textPort = m_texts.Port();
    const auto stationPort = m_stations.Port();
    const std::vector<std::string> txt{"name=" + name, "unique id=" + state.uniqueId,
                                       std::string("protocol version=") + kTextProtocolVersion};
    m_announcer->Announce(
        name,
        {{kTextServiceType, textPort, txt},
         {kStationServiceType, stationPort, {"name=" + name, "unique id=" + state.uniqueId}}});
}

SharedBytes CHubServer::ChangeText(const SnapshotPtr& from, const LockOwner& viewer) {
    const auto holds = [&viewer](const HubSnapshot& s) {
        return std::find(s.lockOwners.begin(), s.lockOwners.end(), viewer) != s.lockOwners.end();
    };
    if (holds(*from) || holds(*m_current)) {
        // Its own locks read O to it alone.
        return std::make_shared<const std::string>(ChangeBlocks(*from, *m_current, viewer));
    }
    auto& cached = m_changeTexts[from.get()];
    if (!cached.second) {
        // Seen by nobody, every lock reads L, as to any client that holds none.
        cached = {from, std::make_shared<const std::string>(
                            ChangeBlocks(*from, *m_current, LockOwner{}))};
    }
    return cached.second;
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
    m_stations.Close();
    m_texts.Close();
    m_swp08.Close();
    m_embers.Close();
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
