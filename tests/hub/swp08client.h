#pragma once
// Swp08Client: a test's client of the hub's SW-P-08 face, connected from a loopback address
// of its choice (protects belong to an address). It keeps every event it received in order
// and can wait until they meet a condition.

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#include "hub/swp08framing.h"
#include "loopbackclient.h"

namespace vantel {

class Swp08Client {
public:
    using Bytes = std::vector<std::uint8_t>;
    using Events = std::vector<Swp08Event>;

    explicit Swp08Client(int port, const char* from = "127.0.0.1") : m_socket(port, 0, from) {}

    bool Connected() const { return m_socket.Connected(); }
    void Close() { m_socket.Close(); }

    bool Send(const Bytes& message) { return SendRaw(EncodeSwp08(message)); }
    bool SendRaw(const Bytes& bytes) {
        return m_socket.Send(std::string(bytes.begin(), bytes.end()));
    }

    const Events& Received() const { return m_events; }
    int Count(Swp08Event::Kind kind) const {
        return static_cast<int>(std::count_if(m_events.begin(), m_events.end(),
                                              [kind](const auto& e) { return e.kind == kind; }));
    }
    // The messages received of one command.
    std::vector<Bytes> Messages(std::uint8_t cmd) const {
        std::vector<Bytes> found;
        for (const auto& e : m_events) {
            if (e.kind == Swp08Event::Kind::kMessage && !e.message.empty() && e.message[0] == cmd) {
                found.push_back(e.message);
            }
        }
        return found;
    }

    // Reads until the condition holds; false when it does not within the time.
    bool WaitFor(const std::function<bool(const Swp08Client&)>& cond,
                 std::chrono::milliseconds timeout = std::chrono::milliseconds(8000)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!cond(*this)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !ReadSome(static_cast<int>(left.count()))) {
                return cond(*this);
            }
        }
        return true;
    }
    // Reads whatever arrives within the time (for what must not come).
    void Settle(std::chrono::milliseconds time) {
        WaitFor([](const Swp08Client&) { return false; }, time);
    }

private:
    bool ReadSome(int timeoutMs) {
        const auto bytes =
            m_socket.Receive(CLoopbackClient::Clock::now() + std::chrono::milliseconds(timeoutMs));
        if (!bytes) {
            return false;
        }
        m_decoder.Feed(std::span<const std::uint8_t>(
                           reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()),
                       m_events);
        return true;
    }

    CLoopbackClient m_socket;
    CSwp08Decoder m_decoder;
    Events m_events;
};

}  // namespace vantel
