#include "link/portconfig.h"

#include <charconv>

#include "link/serialtransport.h"
#include "link/tcptransport.h"
#include "settings/inifile.h"

namespace vantel {

namespace {

std::optional<unsigned short> ParsePortNumber(const std::string& text) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < 1 || value > 65535) {
        return std::nullopt;
    }
    return static_cast<unsigned short>(value);
}

}  // namespace

std::optional<int> ComPortNumber(const std::string& port) {
    if (port.size() != 4 || port.compare(0, 3, "COM") != 0 || port[3] < '1' || port[3] > '9') {
        return std::nullopt;
    }
    return port[3] - '0';
}

std::optional<asio::ip::tcp::endpoint> ParseEndpoint(const std::string& text,
                                                     unsigned short defaultPort) {
    std::string host = text;
    std::optional<unsigned short> port = defaultPort;
    if (!text.empty() && text.front() == '[') {
        // [v6 address] or [v6 address]:port
        const auto close = text.find(']');
        if (close == std::string::npos) {
            return std::nullopt;
        }
        host = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':') {
                return std::nullopt;
            }
            port = ParsePortNumber(text.substr(close + 2));
        }
    } else if (const auto colon = text.find(':');
               colon != std::string::npos && text.find(':', colon + 1) == std::string::npos) {
        // v4 address:port (a text with several colons is a bare v6 address)
        host = text.substr(0, colon);
        port = ParsePortNumber(text.substr(colon + 1));
    }
    std::error_code ec;
    const auto address = asio::ip::make_address(host, ec);
    if (ec || !port) {
        return std::nullopt;
    }
    return asio::ip::tcp::endpoint(address, *port);
}

SerialSettings ReadSerialSettings(int comNumber, const std::string& settingsPath) {
    SerialSettings settings;
    settings.path = "/dev/ttyS" + std::to_string(comNumber - 1);
    if (settingsPath.empty()) {
        return settings;
    }
    CIniFile ini(settingsPath);
    settings.path = ini.GetString("COM" + std::to_string(comNumber), "ports", settings.path);
    const int baud = ini.GetInt("baud", "ports", static_cast<int>(settings.baud));
    if (baud > 0) {
        settings.baud = static_cast<unsigned>(baud);
    }
    return settings;
}

unsigned short ReadTcpPort(const std::string& settingsPath) {
    if (settingsPath.empty()) {
        return kDefaultTcpPort;
    }
    CIniFile ini(settingsPath);
    const int port = ini.GetInt("port", "setup", kDefaultTcpPort);
    return (port >= 1 && port <= 65535) ? static_cast<unsigned short>(port) : kDefaultTcpPort;
}

std::optional<std::string> StoredPort(const std::string& settingsPath, std::string& error) {
    CIniFile ini(settingsPath);
    if (ini.GetInt("mode", "setup", 0) != 0) {
        return ini.GetString("ip", "setup", "192.168.1.80");
    }
    const int serial = ini.GetInt("serial", "setup", 1);
    if (serial < 1 || serial > 9) {
        error = "no serial port to open: " + settingsPath +
                " has serial=" + std::to_string(serial) + " (1 to 9 expected)";
        return std::nullopt;
    }
    return "COM" + std::to_string(serial);
}

bool IsDevicePath(const std::string& port) {
    return port.find('/') != std::string::npos;
}

std::function<std::unique_ptr<ITransport>(const std::string&)> DevicePathFactory(unsigned baud) {
    return [baud](const std::string& path) -> std::unique_ptr<ITransport> {
        auto line = std::make_unique<SerialTransport>(path, baud);
        return line->Open() ? std::move(line) : nullptr;
    };
}

std::unique_ptr<ITransport> MakeTransport(const std::string& port,
                                          const std::string& settingsPath) {
    if (const auto com = ComPortNumber(port)) {
        const SerialSettings settings = ReadSerialSettings(*com, settingsPath);
        return std::make_unique<SerialTransport>(settings.path, settings.baud);
    }
    const auto endpoint = ParseEndpoint(port, ReadTcpPort(settingsPath));
    if (!endpoint) {
        return nullptr;
    }
    return std::make_unique<TcpTransport>(*endpoint);
}

}  // namespace vantel
