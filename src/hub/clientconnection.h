#pragma once
// CClientConnection: one client's TCP connection to the hub, on the hub's network thread. It
// reads in chunks and hands them to the face that serves it; what the face sends waits in a
// queue of the connection's own, so a client that reads slowly holds up nobody else. The
// queue is bounded: a client that lets more than kMaxQueuedBytes pile up is disconnected,
// with a log line.

#include <array>
#include <asio.hpp>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "hub/hubsnapshot.h"

namespace vantel {

using HubLog = std::function<void(const std::string&)>;

class CClientConnection : public std::enable_shared_from_this<CClientConnection> {
public:
    static constexpr std::size_t kMaxQueuedBytes = 1 << 20;
    static constexpr std::size_t kReadSize = 4096;

    using Closed = std::function<void(ClientId)>;

    CClientConnection(asio::ip::tcp::socket socket, ClientId id, std::string face, HubLog log,
                      Closed closed);
    virtual ~CClientConnection() = default;
    CClientConnection(const CClientConnection&) = delete;
    CClientConnection& operator=(const CClientConnection&) = delete;

    void Start();
    // Queues bytes for the client.
    void Send(std::string_view bytes);
    void Close();
    ClientId Id() const { return m_id; }
    const std::string& Name() const { return m_name; }
    // The address the client connects from ("127.0.0.1"; an IPv4 client of an IPv6 socket in
    // its IPv4 form); "?" when the socket no longer knows it.
    const std::string& PeerAddress() const { return m_peerAddress; }

protected:
    virtual void OnStart() = 0;
    virtual void OnData(std::string_view data) = 0;
    // While a request of the client is being served nothing more is read from it, so its
    // requests are served one after the other and a flood waits in the socket, not here.
    void PauseReading() { m_paused = true; }
    void ResumeReading();
    bool IsClosed() const { return m_closed; }

private:
    void Read();
    void WriteNext();
    void End(const std::string& why);

    asio::ip::tcp::socket m_socket;
    ClientId m_id;
    std::string m_peerAddress;
    std::string m_name;
    HubLog m_log;
    Closed m_closedCallback;
    std::array<char, kReadSize> m_in{};
    std::deque<std::string> m_queue;
    std::size_t m_queued = 0;
    bool m_writing = false;
    bool m_reading = false;
    bool m_paused = false;
    bool m_closed = false;
};

}  // namespace vantel
