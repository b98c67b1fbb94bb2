#include "hub/swp08session.h"

#include "hub/textrequest.h"

namespace vantel {

using namespace swp08;

namespace {

// The requests that come in a standard and an extended form; which one a client uses tells the
// form of what it is sent unasked.
bool HasBothForms(Swp08Kind kind) {
    switch (kind) {
        case Swp08Kind::kInterrogate:
        case Swp08Kind::kConnect:
        case Swp08Kind::kTallyDump:
        case Swp08Kind::kSourceNames:
        case Swp08Kind::kDestNames:
            return true;
        default:
            return false;
    }
}

}  // namespace

CSwp08Session::CSwp08Session(asio::ip::tcp::socket socket, ClientId id, IHubContext& hub,
                             HubLog log, Closed closed)
    // Every frame is acknowledged as it comes (controllers send again after a second
    // without ACK), so reading goes on while a request waits for the device.
    : CQueuedSession(std::move(socket), id, "swp08", hub, std::move(log), std::move(closed),
                     {kMaxWaitingRequests}),
      m_owner(LockOwner::Address(PeerAddress())) {}

void CSwp08Session::OnData(std::string_view data) {
    std::vector<Swp08Event> events;
    m_decoder.Feed(std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()),
                   events);
    for (auto& event : events) {
        switch (event.kind) {
            case Swp08Event::Kind::kMessage:
                SendRaw(kAck);
                Enqueue(std::move(event.message));
                break;
            case Swp08Event::Kind::kBad:
                SendRaw(kNak);
                break;
            default:
                // The client's ACK or NAK of what it was sent: nothing is sent again.
                break;
        }
    }
    ServeWaiting();
}

bool CSwp08Session::Serve(const Swp08Message& message) {
    const HubSnapshot& state = m_hub.State();
    const auto request = ParseSwp08(message, state.present ? state.Inputs() : 0,
                                    state.present ? state.Outputs() : 0);
    if (HasBothForms(request.kind)) {
        m_extended = request.extended;
    }
    switch (request.kind) {
        case Swp08Kind::kConnect:
            Route(request);
            return false;
        case Swp08Kind::kProtectConnect:
        case Swp08Kind::kProtectDisconnect:
            Protect(request);
            return false;
        default:
            SendAll(AnswerFromState(request, state));
            return true;
    }
}

// The device owner answers a route once the device was read back holding it. The Connected
// goes out with the change to every client; when the output already had that source there is
// no change to push, and the client gets its Connected alone.
void CSwp08Session::Route(const Swp08Request& request) {
    TextRequest route;
    route.kind = TextRequestKind::kRoute;
    route.routes = {{request.output, request.input}};
    auto self = std::static_pointer_cast<CSwp08Session>(shared_from_this());
    m_hub.Owner().Text(m_owner, std::move(route), [self, request](bool ok) {
        self->m_hub.OnNetworkThread([self, request, ok] {
            if (ok && self->m_hub.State().SourceOf(request.output) == request.input) {
                self->SendMessage(TallyMessage(request.extended ? kConnectedExt : kConnected,
                                               request.extended, request.output, request.input));
            }
            self->Served();
        });
    });
}

// A protect is a lock of the output owned by the client's address. Done, the client hears
// Protect Connected or Disconnected; refused (another address holds it, no device), the protect
// tally of the output as it stands.
void CSwp08Session::Protect(const Swp08Request& request) {
    const bool connect = request.kind == Swp08Kind::kProtectConnect;
    TextRequest lock;
    lock.kind = TextRequestKind::kLock;
    lock.locks = {{request.output, connect ? 'O' : 'U'}};
    auto self = std::static_pointer_cast<CSwp08Session>(shared_from_this());
    m_hub.Owner().Text(m_owner, std::move(lock), [self, request, connect](bool ok) {
        self->m_hub.OnNetworkThread([self, request, connect, ok] {
            if (ok) {
                self->SendMessage(ProtectMessage(connect ? kProtectConnected : kProtectDisconnected,
                                                 connect, request.output, request.device));
            } else {
                Swp08Request tally = request;
                tally.kind = Swp08Kind::kProtectInterrogate;
                self->SendAll(AnswerFromState(tally, self->m_hub.State()));
            }
            self->Served();
        });
    });
}

void CSwp08Session::Push(const HubSnapshot& before, const HubSnapshot& after) {
    if (!after.present) {
        return;
    }
    if (!before.present || before.Outputs() != after.Outputs()) {
        SendAll(DumpMessages(after, m_extended));
        return;
    }
    for (int j = 0; j < after.Outputs(); ++j) {
        if (before.SourceOf(j) != after.SourceOf(j)) {
            SendMessage(TallyMessage(m_extended ? kConnectedExt : kConnected, m_extended, j,
                                     after.SourceOf(j)));
        }
    }
}

void CSwp08Session::SendMessage(const Swp08Message& message) {
    const auto frame = EncodeSwp08(message);
    Send(std::string_view(reinterpret_cast<const char*>(frame.data()), frame.size()));
}

void CSwp08Session::SendAll(const std::vector<Swp08Message>& messages) {
    for (const auto& m : messages) {
        SendMessage(m);
    }
}

void CSwp08Session::SendRaw(std::uint8_t second) {
    const char bytes[] = {static_cast<char>(kDle), static_cast<char>(second)};
    Send(std::string_view(bytes, sizeof bytes));
}

}  // namespace vantel
