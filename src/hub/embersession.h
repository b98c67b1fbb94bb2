#pragma once
// CEmberSession: an Ember+ consumer (a broadcast control system, a console, a tally system).
// It speaks S101 frames carrying Glow. Keep-alive requests are answered at once; Glow
// requests are served one after the other in the order they came: directories from the
// hub's state, label writes and matrix connections through the device owner, answered once
// done (a connection with disposition tally once the device holds it, locked for a target
// another client has locked). Whatever part of the tree the consumer asked for (a directory,
// a subscription) it is pushed when it changes, whoever changed it. A frame or message it
// cannot use is dropped with a log line; the connection stays open.

#include <set>

#include "hub/glowrequest.h"
#include "hub/queuedsession.h"
#include "hub/s101codec.h"

namespace vantel {

class CEmberSession : public CQueuedSession<GlowRequest> {
public:
    // Requests received and not yet served; beyond them nothing more is read until some are
    // (keep-alives included: a consumer that floods is not kept alive by the hub).
    static constexpr std::size_t kMaxWaiting = 256;
    // A connection request that waits longer than this for the device is not applied.
    static constexpr std::chrono::seconds kConnectPatience{2};

    CEmberSession(asio::ip::tcp::socket socket, ClientId id, IHubContext& hub, HubLog log,
                  Closed closed);

    // Tells the consumer what changed of what it asked for.
    void Push(const HubSnapshot& before, const HubSnapshot& after);

protected:
    void OnStart() override {}
    void OnData(std::string_view data) override;

private:
    void Take(const S101Message& message);
    bool Serve(const GlowRequest& request) override;
    bool SetValue(const GlowRequest& request);
    bool Connect(const GlowRequest& request);
    void AnswerConnect(const std::vector<int>& targets, bool applied,
                       const std::vector<int>& locked);
    // Runs fn on the network thread (Later may be called from any thread), then serves the
    // next request. The device owner publishes a change before it calls back, so fn sees it.
    void Later(std::function<void(CEmberSession&)> fn);
    void SendGlow(const std::string& glow);
    void Note(const std::string& what);

    HubLog m_log;
    CS101Reader m_reader;
    std::size_t m_dropped = 0;
    std::set<GlowPath> m_watched;
    // What pushes told the consumer while a request of its waited for the device: its answer
    // leaves that out, so a consumer that takes any message on the path as the answer is not
    // answered twice.
    std::set<GlowPath> m_told;
};

}  // namespace vantel
