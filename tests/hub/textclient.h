#pragma once
// TextClient: a test's client of the hub's text face on 127.0.0.1. It keeps the state the hub
// has told it (device present, routing, labels, locks) from every block it receives, as a
// control system would, and can wait for that state to meet a condition.

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "hub/textblockreader.h"
#include "loopbackclient.h"

namespace vantel {

struct TextView {
    std::optional<bool> present;
    std::map<int, int> routes;  // output -> input
    std::map<int, std::string> inputLabels;
    std::map<int, std::string> outputLabels;
    std::map<int, char> locks;
    std::map<std::string, std::string> device;  // the device block's fields
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
    explicit TextClient(int port, int receiveBuffer = 0, const char* from = nullptr)
        : m_socket(port, receiveBuffer, from) {}

    bool Connected() const { return m_socket.Connected(); }
    int Fd() const { return m_socket.Fd(); }
    const TextView& View() const { return m_view; }
    void Close() { m_socket.Close(); }
    bool Send(const std::string& bytes) { return m_socket.Send(bytes); }

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
        const auto bytes = m_socket.Receive(deadline);
        if (!bytes) {
            m_view.closed = m_socket.PeerClosed();
            return false;
        }
        std::vector<TextBlock> blocks;
        m_reader.Feed(*bytes, blocks);
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
                const auto colon = line.find(": ");
                if (colon != std::string::npos) {
                    m_view.device[line.substr(0, colon)] = line.substr(colon + 2);
                }
                if (line.rfind("Device present: ", 0) == 0) {
                    m_view.present = line == "Device present: true";
                }
            }
        } else if (block.header.find(':') + 1 != block.header.size()) {
            m_view.others.push_back(block.header);
        } else if (block.header != "PROTOCOL PREAMBLE:" && block.header != "CONFIGURATION:") {
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

    CLoopbackClient m_socket;
    CTextBlockReader m_reader;
    TextView m_view;
};

}  // namespace vantel
