#pragma once
// CSimServer: serves a CSwitcher on TCP and, when asked, on a pseudo-terminal, with one
// single-threaded io_context: commands from all clients are applied one at a time in the
// order in which they arrive. Several TCP clients are served at once (up to the options'
// maxClients; further connections are closed at once).

#include <asio.hpp>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/pseudoterminal.h"
#include "device/replyfaults.h"
#include "device/simoptions.h"
#include "device/streamsession.h"
#include "device/switcher.h"

namespace vantel {

class CSimServer {
public:
    CSimServer(CSwitcher& device, const SimOptions& options);
    ~CSimServer();
    CSimServer(const CSimServer&) = delete;
    CSimServer& operator=(const CSimServer&) = delete;

    // Called on the server's thread after a command changed the device (to save it); when it
    // returns false the change is undone and the command refused (kStatusNotKept). Set it
    // before Open.
    void SetKeeper(CDevicePort::Keeper keep) { m_shared.keep = std::move(keep); }

    // Opens the endpoints. On success *endpoints holds one line per endpoint
    // ("listening on HOST:PORT", "serial on PATH"); on failure *error says why.
    bool Open(std::vector<std::string>& endpoints, std::string& error);
    // Serves until Stop or, with handleSignals, SIGINT or SIGTERM.
    void Run();
    // Ends Run; may be called from any thread.
    void Stop();

    unsigned short TcpPort() const { return m_tcpPort; }
    const std::string& PtyPath() const { return m_pty.SlavePath(); }

private:
    using TcpSession = CStreamSession<asio::ip::tcp::socket>;
    using PtySession = CStreamSession<asio::posix::stream_descriptor>;

    bool OpenTcp(std::string& error);
    bool OpenPty(std::string& error);
    void Accept();
    void OnAccepted(asio::ip::tcp::socket socket);
    void CloseAll();

    asio::io_context m_io;  // first member: destroyed last, after everything that uses it
    SimOptions m_options;
    CReplyFaults m_faults;
    SessionShared m_shared;
    asio::ip::tcp::acceptor m_acceptor;
    asio::signal_set m_signals;
    CPseudoTerminal m_pty;
    std::shared_ptr<PtySession> m_ptySession;
    std::vector<std::weak_ptr<TcpSession>> m_clients;
    unsigned short m_tcpPort = 0;
};

}  // namespace vantel
