#pragma once
// CHubServer: vantel-hub's network side and the device owner behind it. One thread (the one
// that calls Run) serves every client connection of both faces; the device owner has its own.
// Snapshots of the state come from the device owner and are pushed to every text client.

#include <asio.hpp>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hub/clientconnection.h"
#include "hub/deviceowner.h"
#include "hub/hubcontext.h"
#include "hub/hublistener.h"
#include "hub/huboptions.h"

namespace vantel {

class CTextSession;
class CClientConnection;

class CHubServer : public IHubContext {
public:
    explicit CHubServer(HubOptions options);
    ~CHubServer() override;
    CHubServer(const CHubServer&) = delete;
    CHubServer& operator=(const CHubServer&) = delete;

    // Opens both faces and starts the device owner. On success endpoints holds
    // "listening on HOST:PORT" and "text listening on HOST:PORT"; on failure error says why.
    bool Open(std::vector<std::string>& endpoints, std::string& error);
    // Serves until Stop or, with handleSignals, SIGINT or SIGTERM; then closes everything.
    void Run();
    // Ends Run; may be called from any thread.
    void Stop();

    const HubSnapshot& State() const override { return *m_current; }
    SnapshotPtr Current() const override { return m_current; }
    SharedBytes ChangeText(const SnapshotPtr& from, const LockOwner& viewer) override;
    CDeviceOwner& Owner() override { return m_owner; }
    void OnNetworkThread(std::function<void()> fn) override;

private:
    // The session of a face for an accepted socket, with its id, in the client maps.
    std::shared_ptr<CClientConnection> MakeSession(asio::ip::tcp::socket socket, bool text,
                                                   CClientConnection::Closed closed);
    void OnPublished(HubSnapshot state);
    void CloseAll();

    asio::io_context m_io;  // first member: destroyed last
    HubOptions m_options;
    HubLog m_log;
    CHubListener m_stations;
    CHubListener m_texts;
    asio::signal_set m_signals;
    CByteBudget m_budget;
    SnapshotPtr m_current = std::make_shared<const HubSnapshot>();
    // The shared change text from a state to m_current, for clients whose locks did not
    // change; emptied whenever m_current changes. Keyed by the state's address, which the
    // kept pointer holds.
    std::map<const HubSnapshot*, std::pair<SnapshotPtr, SharedBytes>> m_changeTexts;
    std::map<ClientId, std::weak_ptr<CClientConnection>> m_clients;
    std::map<ClientId, std::weak_ptr<CTextSession>> m_textClients;
    ClientId m_nextId = 1;
    CDeviceOwner m_owner;  // last: stopped first, so it never calls into a half-gone server
};

}  // namespace vantel
