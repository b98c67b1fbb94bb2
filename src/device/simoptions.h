#pragma once
// SimOptions: how a simulated switcher serves its device: where it listens, whether it opens a
// pseudo-terminal, and the faults it puts on its replies.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vantel {

struct SimOptions {
    std::string listenHost = "127.0.0.1";
    std::uint16_t listenPort = 4001;  // 0: the system picks a free port
    bool pty = false;
    int latencyMs = 0;    // every reply waits this long
    double drop = 0.0;    // share of reply frames swallowed
    double garble = 0.0;  // share of reply bytes corrupted
    std::uint64_t seed = 1;
    bool handleSignals = false;  // SIGINT and SIGTERM stop the server
    // TCP connections served at once; a connection beyond them is accepted and closed at once,
    // as hardware that serves one connection refuses a second.
    std::size_t maxClients = 64;
};

struct ListenAddress {
    std::string host;
    std::uint16_t port = 0;
};

// "HOST:PORT", "[V6HOST]:PORT" or ":PORT" (loopback); nothing when the text is not one.
std::optional<ListenAddress> ParseListenAddress(const std::string& text);

}  // namespace vantel
