#include "link/tcplisten.h"

namespace vantel {

std::string EndpointText(const asio::ip::tcp::endpoint& endpoint) {
    const auto address = endpoint.address();
    const std::string host =
        address.is_v6() ? "[" + address.to_string() + "]" : address.to_string();
    return host + ":" + std::to_string(endpoint.port());
}

bool ListenOn(asio::ip::tcp::acceptor& acceptor, const std::string& host, unsigned short port,
              std::string& error) {
    asio::error_code ec;
    const auto address = asio::ip::make_address(host, ec);
    if (ec) {
        error = "not an IP address: " + host;
        return false;
    }
    const asio::ip::tcp::endpoint endpoint(address, port);
    acceptor.open(endpoint.protocol(), ec);
    if (!ec) {
        acceptor.set_option(asio::socket_base::reuse_address(true), ec);
    }
    if (!ec) {
        acceptor.bind(endpoint, ec);
    }
    if (!ec) {
        acceptor.listen(asio::socket_base::max_listen_connections, ec);
    }
    if (ec) {
        error = "cannot listen on " + EndpointText(endpoint) + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace vantel
