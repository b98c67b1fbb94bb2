#pragma once
// CHubListener: one face's listening endpoint, on the hub's network thread. Every face gets
// the same care from it: at most maxClients connections at once (the one over the cap is
// told so with the face's refusal text, where the face has one, closed and logged), and
// accepting that fails (no file descriptor left) never spins: the listener stops accepting
// for a pause that grows after each failure up to kLongestPause, keeps serving the clients it
// has, and logs once per kLogPeriod with the count. Every session it makes counts what it
// queues against the hub's budget.

#include <asio.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "hub/clientconnection.h"
#include "hub/ratelog.h"

namespace vantel {

class CHubListener {
public:
    static constexpr std::chrono::milliseconds kFirstPause{50};
    static constexpr std::chrono::milliseconds kLongestPause{1000};
    static constexpr std::chrono::seconds kLogPeriod{10};

    // Makes the face's session for an accepted socket; closed must be passed on to it.
    using Make = std::function<std::shared_ptr<CClientConnection>(
        asio::ip::tcp::socket socket, CClientConnection::Closed closed)>;

    struct Face {
        std::string name;  // "text", "station": for the log
        std::size_t maxClients = 256;
        std::string refusal;  // sent to a client over the cap before it is closed; may be empty
        CByteBudget* budget = nullptr;  // shared by every face: the bytes all clients hold
    };

    CHubListener(asio::io_context& io, Face face, HubLog log, Make make);
    CHubListener(const CHubListener&) = delete;
    CHubListener& operator=(const CHubListener&) = delete;

    // Opens, binds (port 0: a free one) and listens; where is "HOST:PORT" on success.
    bool Open(const std::string& host, unsigned short port, std::string& where, std::string& error);
    void Start();
    void Close();
    std::size_t Clients() const { return m_clients; }
    // The port it listens on; 0 when it does not.
    unsigned short Port() const;

private:
    void Accept();
    void OnAccepted(asio::ip::tcp::socket socket);
    void Refuse(asio::ip::tcp::socket socket);
    void PauseAfter(const asio::error_code& ec);

    asio::ip::tcp::acceptor m_acceptor;
    asio::steady_timer m_pause;
    Face m_face;
    HubLog m_log;
    Make m_make;
    CRateLog m_failures;
    CRateLog m_refusals;
    std::chrono::milliseconds m_nextPause = kFirstPause;
    std::size_t m_clients = 0;
};

}  // namespace vantel
