#pragma once
// CHubServer: vantel-hub's network side and the device owner behind it. One thread (the one
// that calls Run) serves every client connection of both faces; the device owner has its own.
// Snapshots of the state come from the device owner and are pushed to every text client.

#include <asio.hpp>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hub/announcer.h"
#include "hub/clientconnection.h"
#include "hub/deviceowner.h"
#include "hub/hubcontext.h"
#include "hub/huboptions.h"

namespace vantel {

class CTextSession;
class CSwp08Session;
class CEmberSession;
class CClientConnection;

class CHubServer : public IHubContext {
public:
    explicit CHubServer(HubOptions options);
    ~CHubServer() override;
    CHubServer(const CHubServer&) = delete;
    CHubServer& operator=(const CHubServer&) = delete;

    // Opens the faces and starts the device owner. On success endpoints holds
    // "listening on HOST:PORT" and "text listening on HOST:PORT" (and "swp08 listening on
    // HOST:PORT" with the SW-P-08 face, "ember listening on HOST:PORT" with the Ember+ face);
    // on failure error says why.
    bool Open(std::vector<std::string>& endpoints, std::string& error);
    // Serves until Stop or, with handleSignals, SIGINT or SIGTERM; then closes everything.
    void Run();
    // Ends Run; may be called from any thread.
    void Stop();

    const HubSnapshot& State() const override { return m_state; }
    CDeviceOwner& Owner() override { return m_owner; }
    void OnNetworkThread(std::function<void()> fn) override;

private:
    bool Listen(asio::ip::tcp::acceptor& acceptor, const std::string& host, unsigned short port,
                std::string& where, std::string& error);
    enum class Face { kStation, kText, kSwp08, kEmber };
    void Accept(asio::ip::tcp::acceptor& acceptor, Face face);
    void OnAccepted(asio::ip::tcp::socket socket, Face face);
    void OnPublished(HubSnapshot state);
    void CloseAll();
    void AnnounceAs(const HubSnapshot& state);

    asio::io_context m_io;  // first member: destroyed last
    HubOptions m_options;
    HubLog m_log;
    asio::ip::tcp::acceptor m_stations;
    asio::ip::tcp::acceptor m_texts;
    asio::ip::tcp::acceptor m_swp08;
    asio::ip::tcp::acceptor m_embers;
    asio::signal_set m_signals;
    HubSnapshot m_state;
    std::map<ClientId, std::weak_ptr<CClientConnection>> m_clients;
    std::map<ClientId, std::weak_ptr<CTextSession>> m_textClients;
    std::map<ClientId, std::weak_ptr<CSwp08Session>> m_swp08Clients;
    std::map<ClientId, std::weak_ptr<CEmberSession>> m_emberClients;
    ClientId m_nextId = 1;
    std::unique_ptr<CAnnouncer> m_announcer;  // with options.announce, once both faces listen
    std::string m_announced;                  // the name and id announced last
    CDeviceOwner m_owner;  // last: stopped first, so it never calls into a half-gone server
};

}  // namespace vantel
