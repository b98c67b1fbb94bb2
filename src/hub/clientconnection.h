#pragma once
// CClientConnection: one client's TCP connection to the hub, on the hub's network thread, the
// base of every face's session. It reads at most kReadSize bytes a turn and hands them to the
// face, then reads again behind every other connection that is ready, so each client gets a
// fair share of the thread. What the face sends waits in a queue of the connection's own, so
// a client that reads slowly holds up nobody else; everything queued goes out in one write.
//
// Pushes of the hub's state are not queued one by one: the face marks the connection stale,
// and when nothing is being written to it the face is asked once for the bytes that bring the
// client up to date. A client that falls behind so gets one block with the newest state
// instead of a backlog of every change, and its answers never wait behind that backlog.
//
// What a connection holds is bounded: more than kMaxQueuedBytes queued disconnects it, with a
// log line; with a CByteBudget, the bytes of all connections together are bounded too (the
// one holding the most is disconnected when the total is reached). Every socket has TCP
// keepalive, so a peer that died silently is found.

#include <array>
#include <asio.hpp>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "hub/bytebudget.h"
#include "hub/hubsnapshot.h"

namespace vantel {

using HubLog = std::function<void(const std::string&)>;
// Bytes for clients, shared among every client that is sent the same.
using SharedBytes = std::shared_ptr<const std::string>;

class CClientConnection : public std::enable_shared_from_this<CClientConnection> {
public:
    static constexpr std::size_t kMaxQueuedBytes = 1 << 20;
    static constexpr std::size_t kReadSize = 4096;
    // Buffers handed to one write at most.
    static constexpr std::size_t kMaxGather = 64;

    using Closed = std::function<void(ClientId)>;

    CClientConnection(asio::ip::tcp::socket socket, ClientId id, std::string face, HubLog log,
                      Closed closed);
    virtual ~CClientConnection() = default;
    CClientConnection(const CClientConnection&) = delete;
    CClientConnection& operator=(const CClientConnection&) = delete;

    // Counts what the connection queues against the budget from now on (before Start).
    void UseBudget(CByteBudget* budget);
    void Start();
    // Queues bytes for the client: a copy, or a buffer shared with others.
    void Send(std::string_view bytes);
    void Send(SharedBytes bytes);
    // The client's view of the state is out of date: TakeStale is asked for what brings it
    // up to date before anything more is queued, or once the write under way is done.
    void MarkStale();
    void Close();
    ClientId Id() const { return m_id; }
    const std::string& Name() const { return m_name; }
    // The address the client connects from ("127.0.0.1"; an IPv4 client of an IPv6 socket in
    // its IPv4 form); "?" when the socket no longer knows it.
    const std::string& PeerAddress() const { return m_peerAddress; }

protected:
    virtual void OnStart() = 0;
    virtual void OnData(std::string_view data) = 0;
    // The bytes that bring a stale client up to date; nothing when it is.
    virtual SharedBytes TakeStale() { return nullptr; }
    // While a request of the client is being served nothing more is read from it, so its
    // requests are served one after the other and a flood waits in the socket, not here.
    void PauseReading() { m_paused = true; }
    void ResumeReading();
    bool IsClosed() const { return m_closed; }

private:
    void Read();
    void Enqueue(SharedBytes bytes);
    void FlushStale();
    void WriteNext();
    void Written();
    void End(const std::string& why);

    asio::ip::tcp::socket m_socket;
    ClientId m_id;
    std::string m_peerAddress;
    std::string m_name;
    HubLog m_log;
    Closed m_closedCallback;
    CByteBudget* m_budget = nullptr;
    std::array<char, kReadSize> m_in{};
    std::deque<SharedBytes> m_queue;
    std::vector<asio::const_buffer> m_gather;  // the write under way: the queue's first ones
    std::size_t m_queued = 0;
    bool m_writing = false;
    bool m_reading = false;
    bool m_paused = false;
    bool m_stale = false;
    bool m_closed = false;
};

}  // namespace vantel
