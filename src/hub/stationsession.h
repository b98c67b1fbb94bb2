#pragma once
// CStationSession: a station (the application, vantelctl) speaking the device protocol to the
// hub as to the switcher itself. Requests are served one at a time in order: reading the live
// image or the setup block is answered from the hub's state, everything else goes to the
// device, and its reply is passed back once the device gave it. Where the device gave no
// usable reply, or is gone, the station gets none either and runs into its own time-out.

#include "hub/clientconnection.h"
#include "hub/hubcontext.h"
#include "link/framedecoder.h"

namespace vantel {

class CStationSession : public CClientConnection {
public:
    CStationSession(asio::ip::tcp::socket socket, ClientId id, IHubContext& hub, HubLog log,
                    Closed closed);

protected:
    void OnStart() override {}
    void OnData(std::string_view data) override;

private:
    // Serves the frames already received, until one has to wait for the device.
    void ServeWaiting();
    // The reply from the hub's state, for the reads it can answer itself.
    std::optional<Frame> FromState(const Frame& request) const;
    void SendFrame(const Frame& reply);

    IHubContext& m_hub;
    FrameDecoder m_decoder;
    bool m_busy = false;
};

}  // namespace vantel
