#include "fakedevice.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace vantel {

namespace {

constexpr int kPollMs = 20;

// A TCP socket bound to 127.0.0.1 with a port the system picks; the port goes to port.
int BoundLoopbackSocket(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        throw std::runtime_error("cannot bind a loopback socket");
    }
    port = ntohs(address.sin_port);
    return fd;
}

bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, kPollMs) > 0;
}

}  // namespace

int CFakeDevice::ClosedPort() {
    int port = 0;
    ::close(BoundLoopbackSocket(port));
    return port;
}

CFakeDevice::CFakeDevice(Mode mode) {
    m_listener = BoundLoopbackSocket(m_port);
    ::listen(m_listener, 8);
    if (mode == Mode::kRefusing) {
        m_script = [](const Frame&) { return Reply{kStatusOutOfRange, {}}; };
        m_thread = std::thread([this] { Serve(); });
    }
}

CFakeDevice::CFakeDevice(Script script) : m_script(std::move(script)) {
    m_listener = BoundLoopbackSocket(m_port);
    ::listen(m_listener, 8);
    m_thread = std::thread([this] { Serve(); });
}

std::vector<std::uint8_t> CFakeDevice::Commands() const {
    std::lock_guard lock(m_mutex);
    return m_commands;
}

CFakeDevice::~CFakeDevice() {
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    ::close(m_listener);
}

void CFakeDevice::Serve() {
    while (!m_stop) {
        if (!Readable(m_listener)) {
            continue;
        }
        const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0) {
            Answer(connection);
            ::close(connection);
        }
    }
}

void CFakeDevice::Answer(int connection) {
    FrameDecoder decoder;
    std::uint8_t chunk[4096];
    while (!m_stop) {
        if (!Readable(connection)) {
            continue;
        }
        const ssize_t n = ::read(connection, chunk, sizeof chunk);
        if (n <= 0) {
            return;
        }
        decoder.Feed(chunk, static_cast<std::size_t>(n));
        std::vector<std::uint8_t> reply;
        while (const auto request = decoder.Next()) {
            {
                std::lock_guard lock(m_mutex);
                m_commands.push_back(request->cmd);
            }
            const Reply answer = m_script(*request);
            AppendFrame(reply, request->seq, request->cmd, answer.status, answer.data.data(),
                        answer.data.size());
        }
        if (!reply.empty() && ::write(connection, reply.data(), reply.size()) < 0) {
            return;
        }
    }
}

}  // namespace vantel
