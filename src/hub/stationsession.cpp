#include "hub/stationsession.h"

#include "link/devicecommand.h"

namespace vantel {

namespace {

template <class Block>
std::vector<std::uint8_t> BytesOf(const Block& block) {
    return std::vector<std::uint8_t>(block.Raw().begin(), block.Raw().end());
}

}  // namespace

CStationSession::CStationSession(asio::ip::tcp::socket socket, ClientId id, IHubContext& hub,
                                 HubLog log, Closed closed)
    : CClientConnection(std::move(socket), id, "station", std::move(log), std::move(closed)),
      m_hub(hub) {}

void CStationSession::OnData(std::string_view data) {
    m_decoder.Feed(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    ServeWaiting();
}

void CStationSession::ServeWaiting() {
    Frame request;
    while (!m_busy && !IsClosed() && m_decoder.Next(request)) {
        if (auto reply = FromState(request)) {
            SendFrame(*reply);
            continue;
        }
        m_busy = true;
        PauseReading();
        auto self = std::static_pointer_cast<CStationSession>(shared_from_this());
        m_hub.Owner().Station(request, [self](std::optional<Frame> reply) {
            self->m_hub.OnNetworkThread([self, reply = std::move(reply)] {
                if (reply) {
                    self->SendFrame(*reply);
                }
                self->m_busy = false;
                self->ServeWaiting();
                self->ResumeReading();
            });
        });
    }
}

std::optional<Frame> CStationSession::FromState(const Frame& request) const {
    const HubSnapshot& state = m_hub.State();
    if (!state.present) {
        return std::nullopt;
    }
    if (request.cmd == kReadImage && request.payload == std::vector<std::uint8_t>{0}) {
        return Frame{request.seq, request.cmd, 0, BytesOf(state.image)};
    }
    if (request.cmd == kReadSetup && request.payload.empty()) {
        return Frame{request.seq, request.cmd, 0, BytesOf(state.setup)};
    }
    return std::nullopt;
}

void CStationSession::SendFrame(const Frame& reply) {
    const auto bytes = EncodeFrame(reply);
    Send(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace vantel
