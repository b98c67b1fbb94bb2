#pragma once
// CQueuedSession: the request queue the text, SW-P-08 and Ember+ faces share. What a client
// sends waits in arrival order and is served one request at a time: one answered from the
// hub's state is done at once; one that goes to the device owner holds those behind it until
// it is over, and the next is served only after the change it made was pushed, so a client
// always hears its own change before the answer to its next request. Beyond a number of
// waiting requests (or of their bytes) nothing more is read from the client until some are
// served, so a flood waits in the socket, not in the hub.

#include <cstddef>
#include <deque>
#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "hub/clientconnection.h"
#include "hub/hubcontext.h"

namespace vantel {

template <class Request>
class CQueuedSession : public CClientConnection {
public:
    struct Limits {
        std::size_t requests;  // waiting requests
        std::size_t bytes = std::numeric_limits<std::size_t>::max();
        // Reading goes on while a request waits for the device (so a protocol's framing
        // acknowledgements and keep-alives are answered meanwhile); otherwise it stops.
        bool readWhileBusy = true;
    };

protected:
    CQueuedSession(asio::ip::tcp::socket socket, ClientId id, std::string face, IHubContext& hub,
                   HubLog log, Closed closed, Limits limits)
        : CClientConnection(std::move(socket), id, std::move(face), std::move(log),
                            std::move(closed)),
          m_hub(hub),
          m_limits(limits) {}

    // Serves a request at once (true), or hands it to the device owner (false) and calls
    // Served once it is over.
    virtual bool Serve(const Request& request) = 0;

    // A request to serve in turn; bytes: what it holds, counted against the limit.
    void Enqueue(Request request, std::size_t bytes = 0) {
        m_waitingBytes += bytes;
        m_waiting.push_back({std::move(request), bytes});
    }

    // Serves the waiting requests in order until one goes to the device owner.
    void ServeWaiting() {
        while (!m_busy && !IsClosed() && !m_waiting.empty()) {
            Waiting next = std::move(m_waiting.front());
            m_waiting.pop_front();
            m_waitingBytes -= next.bytes;
            m_busy = !Serve(next.request);
        }
        const bool full = m_waiting.size() >= m_limits.requests || m_waitingBytes >= m_limits.bytes;
        if (full || (m_busy && !m_limits.readWhileBusy)) {
            PauseReading();
        } else {
            ResumeReading();
        }
    }

    // The request handed to the device owner is over (on the network thread): the next one
    // is served on a later turn, after the hub pushed the change it made.
    void Served() {
        auto self = std::static_pointer_cast<CQueuedSession>(shared_from_this());
        m_hub.OnNetworkThread([self] {
            self->m_busy = false;
            self->ServeWaiting();
        });
    }

    IHubContext& m_hub;

private:
    struct Waiting {
        Request request;
        std::size_t bytes;
    };

    Limits m_limits;
    std::deque<Waiting> m_waiting;
    std::size_t m_waitingBytes = 0;
    bool m_busy = false;
};

}  // namespace vantel
