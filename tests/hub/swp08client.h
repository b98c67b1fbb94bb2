#pragma once
// Swp08Client: a test's client of the hub's SW-P-08 face, connected from a loopback address
// of its choice (protects belong to an address). It keeps every event it received in order
// and can wait until they meet a condition.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#include "hub/swp08framing.h"

namespace vantel {

class Swp08Client {
public:
    using Bytes = std::vector<std::uint8_t>;
    using Events = std::vector<Swp08Event>;

    explicit Swp08Client(int port, const char* from = "127.0.0.1") {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        ::inet_pton(AF_INET, from, &local.sin_addr);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<std::uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = ::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~Swp08Client() { Close(); }
    Swp08Client(const Swp08Client&) = delete;
    Swp08Client& operator=(const Swp08Client&) = delete;

    bool Connected() const { return m_connected; }
    void Close() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

    bool Send(const Bytes& message) { return SendRaw(EncodeSwp08(message)); }
    bool SendRaw(const Bytes& bytes) {
        return ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(bytes.size());
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
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) {
            return false;
        }
        std::uint8_t buffer[4096];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return false;
        }
        m_decoder.Feed(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)),
                       m_events);
        return true;
    }

    int m_fd = -1;
    bool m_connected = false;
    CSwp08Decoder m_decoder;
    Events m_events;
};

}  // namespace vantel
