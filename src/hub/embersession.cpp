#include "hub/embersession.h"

#include <algorithm>
#include <map>

#include "hub/embertree.h"

namespace vantel {

namespace {

// The (output, input) pair a connection asks of a oneToN matrix, -1 for "fed by nothing";
// nothing when it asks for no change or for what the matrix cannot do.
std::optional<std::pair<int, int>> Wanted(const HubSnapshot& state,
                                          const GlowConnectRequest& request) {
    if (request.sources.size() > 1 || request.target < 0 || request.target >= state.Outputs()) {
        return std::nullopt;
    }
    const int target = static_cast<int>(request.target);
    const std::optional<int> source =
        request.sources.empty() ? std::nullopt
                                : std::optional<int>(static_cast<int>(request.sources.front()));
    if (source && *source >= state.Inputs()) {
        return std::nullopt;
    }
    switch (request.operation) {
        case GlowOperation::kAbsolute:
            return std::pair{target, source.value_or(-1)};
        case GlowOperation::kConnect:
            return source ? std::optional(std::pair{target, *source}) : std::nullopt;
        case GlowOperation::kDisconnect:
            // Disconnecting a source the target does not take changes nothing.
            if (source && state.SourceOf(target) != source) {
                return std::nullopt;
            }
            return std::pair{target, -1};
    }
    return std::nullopt;
}

}  // namespace

CEmberSession::CEmberSession(asio::ip::tcp::socket socket, ClientId id, IHubContext& hub,
                             HubLog log, Closed closed)
    // Reading goes on while a request waits for the device, so keep-alives are answered
    // meanwhile; only a consumer that piles requests up is held back.
    : CQueuedSession(std::move(socket), id, "ember", hub, log, std::move(closed), {kMaxWaiting}),
      m_log(std::move(log)) {}

void CEmberSession::Note(const std::string& what) {
    m_log(Name() + " " + what);
}

void CEmberSession::Push(const HubSnapshot& before, const HubSnapshot& after) {
    for (const auto& message : ember::Changes(before, after, m_watched, &m_told)) {
        SendGlow(message);
    }
}

void CEmberSession::OnData(std::string_view data) {
    std::vector<S101Message> messages;
    m_reader.Feed(data, messages);
    if (m_reader.Dropped() != m_dropped) {
        m_dropped = m_reader.Dropped();
        Note("sent a frame that is not sound; dropped");
    }
    for (const auto& message : messages) {
        Take(message);
    }
    ServeWaiting();
}

void CEmberSession::Take(const S101Message& message) {
    switch (message.kind) {
        case S101Message::Kind::kKeepAliveRequest:
            Send(S101KeepAliveResponse());
            return;
        case S101Message::Kind::kKeepAliveResponse:
            return;
        case S101Message::Kind::kEmber:
            break;
    }
    auto requests = GlowDecodeRequests(message.glow);
    if (!requests) {
        Note("sent a message that is not Glow; dropped");
        return;
    }
    for (auto& request : *requests) {
        Enqueue(std::move(request));
    }
}

bool CEmberSession::Serve(const GlowRequest& request) {
    m_told.clear();
    switch (request.kind) {
        case GlowRequestKind::kGetDirectory:
            if (const auto answer = ember::Directory(m_hub.State(), request.path)) {
                m_watched.insert(request.path);
                SendGlow(*answer);
            }
            return true;
        case GlowRequestKind::kSubscribe:
            m_watched.insert(request.path);
            return true;
        case GlowRequestKind::kUnsubscribe:
            m_watched.erase(request.path);
            return true;
        case GlowRequestKind::kSetValue:
            return SetValue(request);
        case GlowRequestKind::kConnect:
            return Connect(request);
        case GlowRequestKind::kUnsupported:
            break;
    }
    return true;  // nothing the provider does; Ember+ gives no way to refuse it
}

// A label takes the text as the text face would; any other parameter is read-only and is
// answered with the value it keeps.
bool CEmberSession::SetValue(const GlowRequest& request) {
    const HubSnapshot& state = m_hub.State();
    const auto* text = std::get_if<std::string>(&*request.value);
    const bool label =
        request.path.size() == 4 &&
        (GlowPath(request.path.begin(), request.path.begin() + 3) == ember::kTargetLabels ||
         GlowPath(request.path.begin(), request.path.begin() + 3) == ember::kSourceLabels);
    const bool targets = label && request.path[2] == ember::kTargetLabels[2];
    const int count = targets ? state.Outputs() : state.Inputs();
    if (!text || !label || !state.present || request.path[3] >= static_cast<std::uint32_t>(count)) {
        if (const auto answer = ember::ParameterValue(state, request.path)) {
            SendGlow(*answer);
        }
        return true;
    }
    auto self = std::static_pointer_cast<CEmberSession>(shared_from_this());
    const GlowPath path = request.path;
    // Called back once the change was published: the answer is the value as now kept (the
    // text made storable, or the old one).
    m_hub.Owner().Label(targets ? ButtonKind::kOutput : ButtonKind::kInput,
                        static_cast<int>(request.path[3]), *text, [self, path](bool ok) {
                            self->Later([path, ok](CEmberSession& s) {
                                if (!ok) {
                                    s.Note("label not written");
                                }
                                const auto answer = ember::ParameterValue(s.m_hub.State(), path);
                                if (answer && !s.m_told.contains(path)) {
                                    s.SendGlow(*answer);
                                }
                            });
                        });
    return false;
}

bool CEmberSession::Connect(const GlowRequest& request) {
    const HubSnapshot& state = m_hub.State();
    if (request.path != ember::kMatrix || !state.present) {
        return true;  // not applied, and nothing claimed for a device that is not there
    }
    std::vector<std::pair<int, int>> routes;
    std::vector<int> targets;
    for (const auto& connection : request.connections) {
        if (connection.target < 0 || connection.target >= state.Outputs()) {
            continue;
        }
        targets.push_back(static_cast<int>(connection.target));
        if (const auto route = Wanted(state, connection)) {
            routes.push_back(*route);
        }
    }
    if (routes.empty()) {
        AnswerConnect(targets, true, {});
        return true;
    }
    auto self = std::static_pointer_cast<CEmberSession>(shared_from_this());
    const auto deadline = std::chrono::steady_clock::now() + kConnectPatience;
    m_hub.Owner().Connect(
        LockOwner::Address(PeerAddress()), std::move(routes), deadline,
        [self, targets](bool applied, std::vector<int> locked) {
            self->Later([targets, applied, locked = std::move(locked)](CEmberSession& s) {
                s.AnswerConnect(targets, applied, locked);
            });
        });
    return false;
}

// Each target named, as the device holds it: locked for one another client has locked. When
// the request was not applied (the device did not take it or did not answer), nothing is
// claimed: the consumer is told what the device holds by the pushes.
void CEmberSession::AnswerConnect(const std::vector<int>& targets, bool applied,
                                  const std::vector<int>& locked) {
    const HubSnapshot& state = m_hub.State();
    std::vector<GlowConnection> answer;
    std::set<int> seen;
    for (const int target : targets) {
        const bool isLocked = std::find(locked.begin(), locked.end(), target) != locked.end();
        if (!seen.insert(target).second || (!applied && !isLocked) || !state.present ||
            m_told.contains(ember::TargetPath(target))) {
            continue;
        }
        answer.push_back(ember::ConnectionOf(
            state, target, isLocked ? GlowDisposition::kLocked : GlowDisposition::kTally));
    }
    if (!applied) {
        Note("connection request not applied");
    }
    if (!answer.empty()) {
        SendGlow(ember::MatrixConnections(answer));
    }
}

void CEmberSession::Later(std::function<void(CEmberSession&)> fn) {
    auto self = std::static_pointer_cast<CEmberSession>(shared_from_this());
    m_hub.OnNetworkThread([self, fn = std::move(fn)] {
        if (!self->IsClosed()) {
            fn(*self);
        }
        self->Served();
    });
}

void CEmberSession::SendGlow(const std::string& glow) {
    Send(S101EmberFrames(glow));
}

}  // namespace vantel
