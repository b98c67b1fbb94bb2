#include "hub/textsession.h"

#include "hub/textformat.h"
#include "hub/textrequest.h"

namespace vantel {

CTextSession::CTextSession(asio::ip::tcp::socket socket, ClientId id, IHubContext& hub, HubLog log,
                           Closed closed)
    : CQueuedSession(std::move(socket), id, "text", hub, std::move(log), std::move(closed),
                     {kMaxWaitingBlocks, kMaxWaitingBytes, false}),
      m_owner(LockOwner::Address(PeerAddress())) {}

void CTextSession::OnStart() {
    // The closing block tells a client that the dump on connect is whole; a client that does
    // not know it skips it like any block it does not know.
    m_told = m_hub.Current();
    Send(PreambleBlock() + StateBlocks(*m_told, m_owner) + "END PRELUDE:\n\n");
}

SharedBytes CTextSession::TakeStale() {
    const SnapshotPtr now = m_hub.Current();
    if (!m_told || now == m_told) {
        return nullptr;
    }
    SharedBytes text = m_hub.ChangeText(m_told, m_owner);
    m_told = now;
    return text;
}

namespace {

std::size_t BytesOf(const TextBlock& block) {
    std::size_t bytes = block.header.size();
    for (const auto& line : block.lines) {
        bytes += line.size() + 1;
    }
    return bytes;
}

}  // namespace

void CTextSession::OnData(std::string_view data) {
    std::vector<TextBlock> blocks;
    m_reader.Feed(data, blocks);
    for (auto& block : blocks) {
        const std::size_t bytes = BytesOf(block);
        Enqueue(std::move(block), bytes);
    }
    ServeWaiting();
}

bool CTextSession::Serve(const TextBlock& block) {
    const HubSnapshot& state = m_hub.State();
    const int inputs = state.present ? state.Inputs() : 0;
    const int outputs = state.present ? state.Outputs() : 0;
    TextRequest request = ParseTextRequest(block, inputs, outputs);
    switch (request.kind) {
        case TextRequestKind::kBad:
            Answer(false);
            return true;
        case TextRequestKind::kPing:
        case TextRequestKind::kIgnored:
            Answer(true);
            return true;
        case TextRequestKind::kDumpConfiguration:
            Send("ACK\n\n" + ConfigurationBlock());
            return true;
        case TextRequestKind::kDumpPreamble:
            Send("ACK\n\n" + PreambleBlock());
            return true;
        case TextRequestKind::kDumpDevice:
            Send("ACK\n\n" + DeviceBlock(state));
            return true;
        case TextRequestKind::kDumpInputLabels:
            Send("ACK\n\n" + (state.present ? InputLabelsBlock(state) : std::string()));
            return true;
        case TextRequestKind::kDumpOutputLabels:
            Send("ACK\n\n" + (state.present ? OutputLabelsBlock(state) : std::string()));
            return true;
        case TextRequestKind::kDumpRouting:
            Send("ACK\n\n" + (state.present ? RoutingBlock(state) : std::string()));
            return true;
        case TextRequestKind::kDumpLocks:
            Send("ACK\n\n" + (state.present ? LocksBlock(state, m_owner) : std::string()));
            return true;
        default:
            break;
    }
    if (request.kind == TextRequestKind::kRoute && !m_hub.Owner().AckAfterApply()) {
        // ACK means accepted: the device's real state follows as the push.
        const bool accepted = RoutesAllowed(state, state.lockOwners, m_owner, request.routes);
        if (accepted) {
            m_hub.Owner().QueueRoutes(m_owner, std::move(request.routes));
        }
        Answer(accepted);
        return true;
    }
    auto self = std::static_pointer_cast<CTextSession>(shared_from_this());
    m_hub.Owner().Text(m_owner, std::move(request), [self](bool ok) {
        self->m_hub.OnNetworkThread([self, ok] {
            self->Answer(ok);
            self->Served();
        });
    });
    return false;
}

}  // namespace vantel
