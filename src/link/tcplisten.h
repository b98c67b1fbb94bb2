#pragma once
// Opening a listening TCP endpoint for the programs that serve the device protocol (the
// simulator, the hub), and how their endpoints are written in what they print.

#include <asio.hpp>
#include <string>

namespace vantel {

// "HOST:PORT", "[V6HOST]:PORT" for IPv6.
std::string EndpointText(const asio::ip::tcp::endpoint& endpoint);

// Opens, binds (port 0: a free one) and listens; false with *error saying why.
bool ListenOn(asio::ip::tcp::acceptor& acceptor, const std::string& host, unsigned short port,
              std::string& error);

}  // namespace vantel
