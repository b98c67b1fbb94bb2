#pragma once
// CLoopbackClient: a test's or benchmark's blocking TCP connection to a port on 127.0.0.1,
// the socket under the clients of the hub's faces.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>

namespace vantel {

class CLoopbackClient {
public:
    using Clock = std::chrono::steady_clock;

    // receiveBuffer: a small one keeps the system from holding much of what the peer sends.
    // from: the loopback address to connect from ("127.0.0.2"); the system's choice when null.
    explicit CLoopbackClient(int port, int receiveBuffer = 0, const char* from = nullptr) {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (receiveBuffer > 0) {
            ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        }
        if (from != nullptr) {
            sockaddr_in local{};
            local.sin_family = AF_INET;
            ::inet_pton(AF_INET, from, &local.sin_addr);
            ::bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
        }
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<std::uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = ::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~CLoopbackClient() { Close(); }
    CLoopbackClient(const CLoopbackClient&) = delete;
    CLoopbackClient& operator=(const CLoopbackClient&) = delete;

    bool Connected() const { return m_connected; }
    int Fd() const { return m_fd; }
    // The peer closed the connection (a Receive found its end).
    bool PeerClosed() const { return m_peerClosed; }
    void Close() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

    bool Send(const std::string& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                return false;
            }
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }

    // The bytes that arrive next; nothing at the deadline or when the peer closed.
    std::optional<std::string> Receive(Clock::time_point deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{m_fd, POLLIN, 0};
        if (m_fd < 0 || left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            return std::nullopt;
        }
        char chunk[65536];
        const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (n <= 0) {
            m_peerClosed = n == 0;
            return std::nullopt;
        }
        return std::string(chunk, static_cast<std::size_t>(n));
    }

private:
    int m_fd = -1;
    bool m_connected = false;
    bool m_peerClosed = false;
};

}  // namespace vantel
