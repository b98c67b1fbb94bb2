#include "hubload.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>

namespace {

using Clock = CHubLoad::Clock;

double MsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

int ConnectTo(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        return -1;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

}  // namespace

CHubLoad::CHubLoad(int textPort, int stationPort, Shape shape)
    : m_shape(shape), m_takes(static_cast<std::size_t>(shape.outputs)) {
    m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    m_result.connected = m_epoll >= 0;
    for (int i = 0; i < m_shape.texts && m_result.connected; ++i) {
        m_result.connected = Connect(textPort, true);
    }
    for (int i = 0; i < m_shape.stations && m_result.connected; ++i) {
        m_result.connected = Connect(stationPort, false);
    }
}

CHubLoad::~CHubLoad() {
    for (const auto& c : m_clients) {
        ::close(c->fd);
    }
    if (m_epoll >= 0) {
        ::close(m_epoll);
    }
}

bool CHubLoad::Connect(int port, bool text) {
    auto c = std::make_unique<Client>();
    c->fd = ConnectTo(port);
    c->text = text;
    if (c->fd < 0) {
        return false;
    }
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.ptr = c.get();
    ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, c->fd, &event);
    m_clients.push_back(std::move(c));
    return true;
}

bool CHubLoad::Send(Client& c, const std::string& bytes) {
    // Requests are small and one at a time: the socket's buffer always takes them.
    return ::send(c.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
}

void CHubLoad::Take(Client& c, Clock::time_point now) {
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1.0 / m_shape.takesPerSecond));
    c.nextTake += period;
    if (c.pending) {
        return;  // the last take is not answered yet: this one is skipped, not queued
    }
    const int output = static_cast<int>(m_random() % static_cast<unsigned>(m_shape.outputs));
    const int input = static_cast<int>(m_random() % static_cast<unsigned>(m_shape.inputs));
    bool sent = false;
    if (c.text) {
        sent = Send(c, "VIDEO OUTPUT ROUTING:\n" + std::to_string(output) + " " +
                           std::to_string(input) + "\n\n");
    } else {
        // The input keeps feeding what it fed, as a station that read the routing does.
        std::vector<std::uint8_t> payload{static_cast<std::uint8_t>(input)};
        for (const auto& [j, i] : m_clients.front()->routes) {
            if (i == input && j != output) {
                payload.push_back(static_cast<std::uint8_t>(m_shape.inputs + j));
            }
        }
        payload.push_back(static_cast<std::uint8_t>(m_shape.inputs + output));
        const auto bytes = vantel::EncodeFrame(vantel::Frame{++c.seq, 12, 0, payload});
        sent = Send(c, std::string(bytes.begin(), bytes.end()));
    }
    ++m_result.takes;
    if (!sent) {
        ++m_result.lost;
        return;
    }
    c.pending = now;
    auto& takes = m_takes[static_cast<std::size_t>(output)];
    takes.emplace_back(now, input);
    while (!takes.empty() && now - takes.front().first > std::chrono::seconds(10)) {
        takes.pop_front();
    }
}

void CHubLoad::Answered(Client& c, bool ok, Clock::time_point now) {
    if (!c.pending) {
        return;
    }
    (c.text ? m_result.ackMs : m_result.stationMs).Add(MsBetween(*c.pending, now));
    m_result.lost += ok ? 0 : 1;
    c.pending.reset();
}

void CHubLoad::TakeBlock(Client& c, const vantel::TextBlock& block, Clock::time_point now) {
    if (block.header == "ACK" || block.header == "NAK") {
        Answered(c, block.header == "ACK", now);
    } else if (block.header == "END PRELUDE:") {
        c.prelude = true;
    } else if (block.header == "VIDEO OUTPUT ROUTING:") {
        for (const auto& line : block.lines) {
            const auto space = line.find(' ');
            const int output = std::stoi(line.substr(0, space));
            const int input = std::stoi(line.substr(space + 1));
            c.routes[output] = input;
            if (output < 0 || output >= m_shape.outputs || !c.prelude) {
                continue;
            }
            const auto& takes = m_takes[static_cast<std::size_t>(output)];
            const auto take = std::find_if(takes.rbegin(), takes.rend(),
                                           [input](const auto& t) { return t.second == input; });
            if (take != takes.rend()) {
                m_result.pushMs.Add(MsBetween(take->first, now));
            }
        }
    }
}

void CHubLoad::Receive(Client& c, Clock::time_point now) {
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::recv(c.fd, chunk, sizeof chunk, 0);
        if (n <= 0) {
            return;
        }
        if (c.text) {
            std::vector<vantel::TextBlock> blocks;
            c.reader.Feed(std::string_view(chunk, static_cast<std::size_t>(n)), blocks);
            for (const auto& block : blocks) {
                TakeBlock(c, block, now);
            }
        } else {
            c.decoder.Feed(reinterpret_cast<const std::uint8_t*>(chunk),
                           static_cast<std::size_t>(n));
            while (const auto frame = c.decoder.Next()) {
                Answered(c, frame->status == 0, now);
            }
        }
    }
}

void CHubLoad::Pump(Clock::time_point until, bool taking) {
    std::vector<epoll_event> events(256);
    for (auto now = Clock::now(); now < until; now = Clock::now()) {
        const int ready = ::epoll_wait(m_epoll, events.data(), static_cast<int>(events.size()), 2);
        now = Clock::now();
        for (int e = 0; e < ready; ++e) {
            Receive(*static_cast<Client*>(events[static_cast<std::size_t>(e)].data.ptr), now);
        }
        for (const auto& c : m_clients) {
            if (c->pending && now - *c->pending > kAnswerWithin) {
                Answered(*c, false, now);
            }
            if (taking && now >= c->nextTake) {
                Take(*c, now);
            }
        }
    }
}

CHubLoad::Result CHubLoad::Run(const std::function<std::optional<std::map<int, int>>()>& truth) {
    if (!m_result.connected) {
        return m_result;
    }
    // Every text client has its dump first; then the takes start, spread over one period.
    Pump(Clock::now() + std::chrono::seconds(3), false);
    const auto start = Clock::now();
    std::uniform_real_distribution<double> phase(0.0, 1.0 / m_shape.takesPerSecond);
    for (const auto& c : m_clients) {
        c->nextTake = start + std::chrono::duration_cast<Clock::duration>(
                                  std::chrono::duration<double>(phase(m_random)));
    }
    Pump(start + m_shape.duration, true);
    Pump(Clock::now() + kAnswerWithin + std::chrono::seconds(1), false);
    const auto device = truth();
    for (const auto& c : m_clients) {
        if (!c->text) {
            continue;
        }
        const bool agrees =
            device && std::all_of(device->begin(), device->end(), [&c](const auto& route) {
                const auto it = c->routes.find(route.first);
                return it != c->routes.end() && it->second == route.second;
            });
        m_result.lost += agrees ? 0 : 1;
    }
    return m_result;
}
