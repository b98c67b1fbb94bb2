#pragma once
// How a port text of the link becomes a transport: "COM1".."COM9" name serial lines through
// section "ports" of the settings file (keys "COM1".."COM9", defaults /dev/ttyS0../dev/ttyS8;
// key "baud", default 115200); any other text is a numeric IP address for TCP, port 4001 or
// key "port" of section "setup". An address may carry its own port: "127.0.0.1:5000",
// "[::1]:5000". Names are never resolved, so the link connects only where it is told.

#include <asio.hpp>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "link/transport.h"

namespace vantel {

inline constexpr unsigned short kDefaultTcpPort = 4001;

// 1..9 for "COM1".."COM9", nothing for any other text.
std::optional<int> ComPortNumber(const std::string& port);
// The endpoint of an address text; nothing when it is not a numeric address (or its port is
// not 1..65535).
std::optional<asio::ip::tcp::endpoint> ParseEndpoint(const std::string& text,
                                                     unsigned short defaultPort);

struct SerialSettings {
    std::string path;
    unsigned baud = 115200;
};
// Reads the serial line of COMn (1..9) from the settings file; an empty path reads nothing.
SerialSettings ReadSerialSettings(int comNumber, const std::string& settingsPath);
// Key "port" of section "setup"; kDefaultTcpPort when missing or not 1..65535.
unsigned short ReadTcpPort(const std::string& settingsPath);

// The port text of the connection stored in the settings file, as the application opens it:
// key "mode" of section "setup" nonzero means TCP to key "ip" (default 192.168.1.80), 0 the
// serial port COM<serial>. Nothing, and *error set, when "serial" is not 1..9.
std::optional<std::string> StoredPort(const std::string& settingsPath, std::string& error);

// A device path (anything with a '/') as against COM1..COM9 or an address.
bool IsDevicePath(const std::string& port);
// A transport factory that opens a port text as a serial device path at the given rate.
std::function<std::unique_ptr<ITransport>(const std::string&)> DevicePathFactory(unsigned baud);

// The transport for a port text, not yet open (Reopen opens it); nullptr when the text names no
// port.
std::unique_ptr<ITransport> MakeTransport(const std::string& port, const std::string& settingsPath);

}  // namespace vantel
