#pragma once
// CSwp08Session: a control system or panel speaking SW-P-08 to the hub. Every frame is
// answered at once, DLE ACK when its count and checksum are right and DLE NAK otherwise, whether
// or not the device answers; the client's own acknowledgements are taken and never waited for.
// Requests are then served one after the other: reads from the hub's state, a Connect by the
// device owner (the Connected follows once the device was read back holding the route; none
// when it cannot be made), a protect as an output lock owned by the client's address.
//
// Every change of the routing, whoever made it, reaches the client as Connected messages, and a
// tally dump when the device comes back. Unsolicited messages take the form (standard or
// extended) of the client's latest request that has both forms.

#include "hub/queuedsession.h"
#include "hub/swp08answer.h"
#include "hub/swp08framing.h"

namespace vantel {

class CSwp08Session : public CQueuedSession<Swp08Message> {
public:
    // Requests received and not yet served; beyond them nothing more is read (nor acknowledged)
    // until some are.
    static constexpr std::size_t kMaxWaitingRequests = 64;

    CSwp08Session(asio::ip::tcp::socket socket, ClientId id, IHubContext& hub, HubLog log,
                  Closed closed);

    // Tells the client what changed in the routing.
    void Push(const HubSnapshot& before, const HubSnapshot& after);

protected:
    void OnStart() override {}
    void OnData(std::string_view data) override;

private:
    bool Serve(const Swp08Message& message) override;
    void Route(const Swp08Request& request);
    void Protect(const Swp08Request& request);
    void SendMessage(const Swp08Message& message);
    void SendAll(const std::vector<Swp08Message>& messages);
    void SendRaw(std::uint8_t second);

    LockOwner m_owner;  // the client's address: its protects are those of every client from there
    CSwp08Decoder m_decoder;
    bool m_extended = false;
};

}  // namespace vantel
