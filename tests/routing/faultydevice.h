#pragma once
// FaultyDevice: the device model behind a real CVexaLib on the in-memory transport, with a
// script that may spoil any request: drop it (no reply, not applied), answer it without
// applying it, apply it and lose the reply, or refuse it.

#include <functional>
#include <memory>
#include <vector>

#include "device/deviceport.h"
#include "device/switcher.h"
#include "link/frame.h"
#include "link/memorytransport.h"
#include "link/vexalib.h"
#include "routing/vexaroutinglink.h"

namespace vantel::test {

enum class Fault { kNone, kDrop, kIgnore, kLoseReply, kRefuse };

class FaultyDevice {
public:
    using Script = std::function<Fault(const Frame& request)>;
    // Short, so that a dropped frame costs little; the device answers at once.
    static constexpr int kTimeoutMs = 20;

    explicit FaultyDevice(int inputs = 8, int outputs = 8) : device(inputs, outputs) {
        lib.SetTransportFactory([this](const std::string&) {
            return std::make_unique<MemoryTransport>(
                [this](const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out) {
                    Serve(data, size, out);
                });
        });
        lib.Open("COM1");
    }

    // The routing of output (from 1) as the device holds it, input from 1 or 0.
    int Held(int output) const { return device.SceneRouting(0).at(output - 1); }
    // Sets the live routing, output by output (from 1), as another client would.
    void Route(const std::vector<int>& inputs) {
        for (int input = 1; input <= device.Inputs(); ++input) {
            std::vector<std::uint8_t> payload{static_cast<std::uint8_t>(input - 1)};
            for (std::size_t o = 0; o < inputs.size(); ++o) {
                if (inputs[o] == input) {
                    payload.push_back(static_cast<std::uint8_t>(device.Inputs() + o));
                }
            }
            device.Handle(12, payload);
        }
    }
    std::vector<int> Live() const {
        const auto& live = device.SceneRouting(0);
        return std::vector<int>(live.begin(), live.end());
    }

    Script script;
    int switches = 0;  // command 12 requests that reached the device's line
    CSwitcher device;
    CDevicePort port{device};
    CVexaLib lib;
    CVexaRoutingLink link{lib, kTimeoutMs};

private:
    void Serve(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out) {
        m_decoder.Feed(data, size);
        Frame request;
        while (m_decoder.Next(request)) {
            switches += request.cmd == 12 ? 1 : 0;
            const Fault fault = script ? script(request) : Fault::kNone;
            const std::vector<std::uint8_t> bytes = EncodeFrame(request);
            std::vector<std::uint8_t> reply;
            if (fault == Fault::kNone || fault == Fault::kLoseReply) {
                port.Feed(bytes.data(), bytes.size(), reply);
            }
            if (fault == Fault::kNone) {
                out.insert(out.end(), reply.begin(), reply.end());
            } else if (fault == Fault::kIgnore || fault == Fault::kRefuse) {
                const std::uint8_t status = fault == Fault::kRefuse ? kStatusOutOfRange : kStatusOk;
                const auto answer = EncodeFrame(Frame{request.seq, request.cmd, status, {}});
                out.insert(out.end(), answer.begin(), answer.end());
            }
        }
    }

    FrameDecoder m_decoder;
};

}  // namespace vantel::test
