#pragma once
// CEmberConsumer: the benchmark's Ember+ consumer of the hub on 127.0.0.1, a blocking socket
// speaking S101 with the hub's own codec. It asks for the matrix's connections, keeps the
// source of each target from every answer and push, and can connect a target.

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "hub/ber.h"
#include "hub/glowrequest.h"
#include "hub/s101codec.h"
#include "loopbackclient.h"

namespace vantel {

class CEmberConsumer {
public:
    using Clock = std::chrono::steady_clock;

    explicit CEmberConsumer(int port) : m_socket(port) {
        const std::string command = BerApplication(2, BerContext(0, BerInteger(32)));
        m_connected =
            m_socket.Connected() &&
            m_socket.Send(Matrix(BerContext(2, BerApplication(4, BerContext(0, command)))));
    }
    CEmberConsumer(const CEmberConsumer&) = delete;
    CEmberConsumer& operator=(const CEmberConsumer&) = delete;

    bool Connected() const { return m_connected; }

    bool Connect(int target, int source) {
        const std::vector<std::uint32_t> sources{static_cast<std::uint32_t>(source)};
        const std::string connection = BerApplication(
            16, BerContext(0, BerInteger(target)) + BerContext(1, BerRelativeOid(sources)) +
                    BerContext(2, BerInteger(0)));
        return m_socket.Send(Matrix(BerContext(5, BerSequence(BerContext(0, connection)))));
    }

    // Waits until the consumer was told that target has source; false when not in time.
    bool WaitFor(int target, int source,
                 std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        const auto deadline = Clock::now() + timeout;
        while (!Holds(target, source)) {
            if (!Pump(deadline)) {
                return Holds(target, source);
            }
        }
        return true;
    }

private:
    bool Holds(int target, int source) const {
        const auto it = m_sources.find(target);
        return it != m_sources.end() && it->second == source;
    }

    // The matrix at 1.5, qualified, with these parts after its path.
    static std::string Matrix(const std::string& parts) {
        const std::vector<std::uint32_t> path{1, 5};
        const std::string element = BerApplication(17, BerContext(0, BerRelativeOid(path)) + parts);
        return S101EmberFrames(BerApplication(0, BerApplication(11, BerContext(0, element))));
    }

    bool Pump(Clock::time_point deadline) {
        const auto bytes = m_socket.Receive(deadline);
        if (!bytes) {
            return false;
        }
        std::vector<S101Message> messages;
        m_reader.Feed(*bytes, messages);
        for (const auto& message : messages) {
            // The provider's matrix carries its connections as a consumer's request would.
            const auto elements = GlowDecodeRequests(message.glow);
            for (const auto& element : elements.value_or(std::vector<GlowRequest>{})) {
                for (const auto& c : element.connections) {
                    m_sources[static_cast<int>(c.target)] =
                        c.sources.empty() ? -1 : static_cast<int>(c.sources.front());
                }
            }
        }
        return true;
    }

    CLoopbackClient m_socket;
    bool m_connected = false;
    CS101Reader m_reader;
    std::map<int, int> m_sources;  // target -> source, -1 for none
};

}  // namespace vantel
