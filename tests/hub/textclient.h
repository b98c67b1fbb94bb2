#pragma once
// TextClient: a test's client of the hub's text face on 127.0.0.1. It keeps the state the hub
// has told it (device present, routing, labels, locks) from every block it receives, as a
// control system would, and can wait for that state to meet a condition.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "hub/textblockreader.h"

namespace vantel {

struct TextView {
    std::optional<bool> present;
    std::map<int, int> routes;  // output -> input
    std::map<int, std::string> inputLabels;
    std::map<int, std::string> outputLabels;
    std::map<int, char> locks;
    int acks = 0;
    int naks = 0;
    std::vector<std::string> others;  // headers of blocks the client does not know
    bool closed = false;              // the hub closed the connection
};

class TextClient {
public:
    using Clock = std::chrono::steady_clock;

    // receiveBuffer: a small one keeps the system from holding much of what the hub sends.
    // from: the loopback address the client connects from ("127.0.0.2": another machine, as
    // far as the hub's address-owned locks are concerned); the system's choice when null.
    explicit TextClient(int port, int receiveBuffer = 0, const char* from = nullptr) {
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
    ~TextClient() { Close(); }
    TextClient(const TextClient&) = delete;
    TextClient& operator=(const TextClient&) = delete;

    bool Connected() const { return m_connected; }
    int Fd() const { return m_fd; }
    const TextView& View() const { return m_view; }
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

    // Waits until the view meets the condition; false when it does not in time.
    bool WaitFor(const std::function<bool(const TextView&)>& condition,
                 std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        const auto deadline = Clock::now() + timeout;
        while (!condition(m_view)) {
            if (!Pump(deadline)) {
                return condition(m_view);
            }
        }
        return true;
    }

    // Sends a block and waits for its answer: true for ACK, false for NAK, nothing for none.
    std::optional<bool> Request(const std::string& block,
                                std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        const int acks = m_view.acks;
        const int naks = m_view.naks;
        if (!Send(block)) {
            return std::nullopt;
        }
        if (!WaitFor([&](const TextView& v) { return v.acks > acks || v.naks > naks; }, timeout)) {
            return std::nullopt;
        }
        return m_view.acks > acks;
    }

    // Reads what arrives until the deadline; false at the deadline or when the hub closed.
    bool Pump(Clock::time_point deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{m_fd, POLLIN, 0};
        if (m_fd < 0 || left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char chunk[65536];
        const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (n <= 0) {
            m_view.closed = n == 0;
            return false;
        }
        std::vector<TextBlock> blocks;
        m_reader.Feed(std::string_view(chunk, static_cast<std::size_t>(n)), blocks);
        for (const auto& block : blocks) {
            Take(block);
        }
        return true;
    }

private:
    void Take(const TextBlock& block) {
        if (block.header == "ACK") {
            ++m_view.acks;
        } else if (block.header == "NAK") {
            ++m_view.naks;
        } else if (block.header == "VIDEOHUB DEVICE:") {
            for (const auto& line : block.lines) {
                if (line.rfind("Device present: ", 0) == 0) {
                    m_view.present = line == "Device present: true";
                }
            }
        } else if (block.header.find(':') + 1 != block.header.size()) {
            m_view.others.push_back(block.header);
        } else if (block.header != "PROTOCOL PREAMBLE:") {
            TakeItems(block);
        }
    }

    void TakeItems(const TextBlock& block) {
        for (const auto& line : block.lines) {
            const auto space = line.find(' ');
            const int item = std::stoi(line.substr(0, space));
            const std::string value = line.substr(space + 1);
            if (block.header == "VIDEO OUTPUT ROUTING:") {
                m_view.routes[item] = std::stoi(value);
            } else if (block.header == "INPUT LABELS:") {
                m_view.inputLabels[item] = value;
            } else if (block.header == "OUTPUT LABELS:") {
                m_view.outputLabels[item] = value;
            } else if (block.header == "VIDEO OUTPUT LOCKS:") {
                m_view.locks[item] = value.empty() ? '?' : value[0];
            }
        }
    }

    int m_fd = -1;
    bool m_connected = false;
    CTextBlockReader m_reader;
    TextView m_view;
};

}  // namespace vantel
