#pragma once
// LoopbackServer: a TCP server on 127.0.0.1 with a port chosen by the system (or a given one,
// to listen again where an earlier server was), serving one connection at a time on its own
// thread. A handler turns received bytes into the bytes to send back and may hang up
// afterwards, as a device that restarts does. A greeting is sent on every new connection
// before anything is received (what a bridge kept from an earlier user of the line).

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

    explicit LoopbackServer(Handler handler, unsigned short port = 0,
                            std::vector<std::uint8_t> greeting = {})
        : m_handler(std::move(handler)), m_greeting(std::move(greeting)) {
        m_listener = ListenOn(port, 4);
        m_port = BoundPort(m_listener);
        m_thread = std::thread([this] { Serve(); });
    }

    ~LoopbackServer() { Stop(); }

    // A listening socket on 127.0.0.1 (port 0: chosen by the system); -1 on failure.
    static int ListenOn(unsigned short port, int backlog) {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        const int yes = 1;
        ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener, backlog) != 0) {
            ::close(listener);
            return -1;
        }
        return listener;
    }

    static unsigned short BoundPort(int listener) {
        sockaddr_in address{};
        socklen_t size = sizeof address;
        if (listener < 0 ||
            ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            return 0;
        }
        return ntohs(address.sin_port);
    }

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
        while (!m_stop.load() && m_listener >= 0) {
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
        if (!m_greeting.empty()) {
            ::send(client, m_greeting.data(), m_greeting.size(), MSG_NOSIGNAL);
        }
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
    std::vector<std::uint8_t> m_greeting;
    int m_listener = -1;
    unsigned short m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
};

}  // namespace vantel
