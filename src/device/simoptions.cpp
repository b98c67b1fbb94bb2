#include "device/simoptions.h"

#include <charconv>

namespace vantel {

std::optional<ListenAddress> ParseListenAddress(const std::string& text) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon + 1 == text.size()) {
        return std::nullopt;
    }
    ListenAddress address;
    std::string host = text.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    } else if (host.find(':') != std::string::npos) {
        return std::nullopt;  // a bare IPv6 address needs brackets
    }
    address.host = host.empty() ? "127.0.0.1" : host;
    const char* first = text.data() + colon + 1;
    const char* last = text.data() + text.size();
    unsigned port = 0;
    const auto [end, ec] = std::from_chars(first, last, port);
    if (ec != std::errc() || end != last || port > 65535) {
        return std::nullopt;
    }
    address.port = static_cast<std::uint16_t>(port);
    return address;
}

}  // namespace vantel
