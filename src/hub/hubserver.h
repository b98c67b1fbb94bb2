#pragma once
// CHubServer: vantel-hub's network side and the device owner behind it. One thread (the one
// that calls Run) serves every client connection of every face (station, text, SW-P-08,
// Ember+), each accepted through its CHubListener; the device owner has its own. Snapshots of
// the state come from the device owner and are pushed to every text, SW-P-08 and Ember+ client.

#include <asio.hpp>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hub/announcer.h"
#include "hub/clientconnection.h"
#include "hub/deviceowner.h"
#include "hub/hubcontext.h"
#include "hub/hublistener.h"
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

    const HubSnapshot& State() const override { return *m_current; }
    SnapshotPtr Current() const override { return m_current; }
    SharedBytes ChangeText(const SnapshotPtr& from, const LockOwner& viewer) override;
    CDeviceOwner& Owner() override { return m_owner; }
    void OnNetworkThread(std::function<void()> fn) override;

private:
    enum class Face { kStation, kText, kSwp08, kEmber };
    // The session of a face for an accepted socket, with its id, in the client maps.
    std::shared_ptr<CClientConnection> MakeSession(asio::ip::tcp::socket socket, Face face,
                                                   CClientConnection::Closed closed);
    CHubListener::Make Maker(Face face);
    // From the device owner's thread: the newest state waits for the network thread, which
    // takes it on its next turn. States that come meanwhile replace it (the newest wins), so a
    // device that changes faster than the clients can be told costs no backlog.
    void Publish(const HubSnapshot& state);
    void TakePublished();
    void OnPublished(SnapshotPtr state);
    void CloseAll();
    void AnnounceAs(const HubSnapshot& state);

    asio::io_context m_io;  // first member: destroyed last
    HubOptions m_options;
    HubLog m_log;
    CHubListener m_stations;
    CHubListener m_texts;
    CHubListener m_swp08;   // opened with options.swp08 only
    CHubListener m_embers;  // opened with options.ember only
    asio::signal_set m_signals;
    CByteBudget m_budget;
    std::mutex m_publishedMutex;
    SnapshotPtr m_published;       // the newest state the network thread has not taken yet
    bool m_publishPosted = false;  // a TakePublished is on its way
    SnapshotPtr m_current = std::make_shared<const HubSnapshot>();
    // The shared change text from a state to m_current, for clients whose locks did not
    // change; emptied whenever m_current changes. Keyed by the state's address, which the
    // kept pointer holds.
    std::map<const HubSnapshot*, std::pair<SnapshotPtr, SharedBytes>> m_changeTexts;
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
