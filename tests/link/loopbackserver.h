#pragma once
// LoopbackServer: a TCP server on 127.0.0.1 with a port chosen by the system, serving one
// connection at a time on its own thread. A handler turns received bytes into the bytes to
// send back and may hang up afterwards, as a device that restarts does.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace vantel {

class LoopbackServer {
public:
    struct Action {
        std::vector<std::uint8_t> bytes;
        bool hangUp = false;
    };
    // connection counts the accepted connections from 1.
    using Handler = std::function<Action(int connection, const std::uint8_t*, std::size_t)>;

    explicit LoopbackServer(Handler handler) : m_handler(std::move(handler)) {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 4);
        socklen_t size = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }

    ~LoopbackServer() { Stop(); }

    // Stops serving and closes the listener: connecting is refused from now on.
    void Stop() {
        m_stop.store(true);
        if (m_thread.joinable()) {
            m_thread.join();
        }
        if (m_listener >= 0) {
            ::close(m_listener);
            m_listener = -1;
        }
    }

    unsigned short Port() const { return m_port; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(m_port); }
    int Connections() const { return m_connections.load(); }

private:
    static bool Readable(int fd) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 10) > 0;
    }

    void Serve() {
        while (!m_stop.load()) {
            if (!Readable(m_listener)) {
                continue;
            }
            const int client = ::accept(m_listener, nullptr, nullptr);
            if (client < 0) {
                continue;
            }
            Talk(client, m_connections.fetch_add(1) + 1);
            ::close(client);
        }
    }

    void Talk(int client, int connection) {
        std::uint8_t chunk[8192];
        while (!m_stop.load()) {
            if (!Readable(client)) {
                continue;
            }
            const ssize_t got = ::recv(client, chunk, sizeof chunk, 0);
            if (got <= 0) {
                return;
            }
            const Action action = m_handler(connection, chunk, static_cast<std::size_t>(got));
            if (!action.bytes.empty()) {
                ::send(client, action.bytes.data(), action.bytes.size(), MSG_NOSIGNAL);
            }
            if (action.hangUp) {
                return;
            }
        }
    }

    Handler m_handler;
    int m_listener = -1;
    unsigned short m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
};

}  // namespace vantel
