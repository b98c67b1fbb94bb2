// Link and simulator figures. The simulator (CSimServer, the server that vantel-sim runs) is run
// in this process on a thread of its own, serving TCP on 127.0.0.1 with a free port.
//
// link_rtt_us / raw_rtt_us / link_rtt_ratio: median round trip of command 7 (a 508-byte reply)
//   through CVexaLib, and through a minimal blocking-socket client that sends the same frame
//   and reads the reply with plain send/recv. Neither is pinned: the two clients are
//   interleaved round by round (alternating which goes first), so both meet the same core
//   placement and machine load.
// sim_commands_per_s: commands 7 the simulator answers per second to one client that keeps
//   a window of requests in flight.

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "link/frame.h"
#include "link/vexalib.h"
#include "median.h"
#include "simthread.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

constexpr int kWarmup = 500;
constexpr int kRounds = 20000;
constexpr int kThroughputCommands = 100000;
constexpr int kWindow = 16;

// The minimal client: one blocking TCP socket.
class RawClient {
public:
    explicit RawClient(unsigned short port) {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int one = 1;
        ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_ok = ::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~RawClient() { ::close(m_fd); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool Ok() const { return m_ok; }

    bool Send(const Bytes& frame) {
        return ::send(m_fd, frame.data(), frame.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(frame.size());
    }
    // Reads one reply frame (header, then payload and check).
    bool ReceiveFrame() {
        if (!ReadExactly(vantel::kFrameHeaderSize)) {
            return false;
        }
        const std::size_t length = m_buf[5] | (std::size_t{m_buf[6]} << 8);
        return ReadExactly(length + vantel::kFrameCrcSize);
    }

private:
    bool ReadExactly(std::size_t size) {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::recv(m_fd, m_buf + done, size - done, 0);
            if (n <= 0) {
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    int m_fd = -1;
    bool m_ok = false;
    std::uint8_t m_buf[vantel::kMaxFrameSize];
};

double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

template <class F>
double Time(F&& f) {
    const auto start = Clock::now();
    f();
    return Micros(Clock::now() - start);
}

bool LinkRoundTrip(CVexaLib& link, Bytes& buffer) {
    buffer[0] = 0;
    return link.Command(7, buffer.data(), buffer.size(), 1, 500) == kVexaOk;
}

bool RawRoundTrip(RawClient& raw, const Bytes& frame) {
    return raw.Send(frame) && raw.ReceiveFrame();
}

int MeasureRoundTrips(unsigned short port) {
    CVexaLib link;
    const std::string address = "127.0.0.1:" + std::to_string(port);
    RawClient raw(port);
    if (link.Open(address.c_str()) == 0 || !raw.Ok()) {
        std::fprintf(stderr, "bench_link: cannot connect to the simulator\n");
        return 1;
    }
    Bytes buffer(4096, 0);
    const Bytes frame = vantel::EncodeFrame(vantel::Frame{1, 7, 0, {0}});
    for (int i = 0; i < kWarmup; ++i) {
        if (!LinkRoundTrip(link, buffer) || !RawRoundTrip(raw, frame)) {
            std::fprintf(stderr, "bench_link: warm-up command failed\n");
            return 1;
        }
    }
    std::vector<double> linkTimes;
    std::vector<double> rawTimes;
    bool ok = true;
    for (int round = 0; round < kRounds && ok; ++round) {
        auto timeLink = [&] {
            linkTimes.push_back(Time([&] { ok &= LinkRoundTrip(link, buffer); }));
        };
        auto timeRaw = [&] { rawTimes.push_back(Time([&] { ok &= RawRoundTrip(raw, frame); })); };
        if (round % 2 == 0) {
            timeLink();
            timeRaw();
        } else {
            timeRaw();
            timeLink();
        }
    }
    if (!ok) {
        std::fprintf(stderr, "bench_link: a round trip failed\n");
        return 1;
    }
    const double linkUs = Median(linkTimes);
    const double rawUs = Median(rawTimes);
    std::printf("link_rtt_us: %.1f us\n", linkUs);
    std::printf("raw_rtt_us: %.1f us\n", rawUs);
    std::printf("link_rtt_ratio: %.3f\n", linkUs / rawUs);
    return 0;
}

int MeasureThroughput(unsigned short port) {
    RawClient client(port);
    if (!client.Ok()) {
        return 1;
    }
    Bytes window;
    for (int i = 0; i < kWindow; ++i) {
        const auto seq = static_cast<std::uint8_t>(i);
        const Bytes frame = vantel::EncodeFrame(vantel::Frame{seq, 7, 0, {0}});
        window.insert(window.end(), frame.begin(), frame.end());
    }
    const auto start = Clock::now();
    for (int sent = 0; sent < kThroughputCommands; sent += kWindow) {
        if (!client.Send(window)) {
            return 1;
        }
        for (int i = 0; i < kWindow; ++i) {
            if (!client.ReceiveFrame()) {
                return 1;
            }
        }
    }
    const double seconds = Micros(Clock::now() - start) / 1e6;
    std::printf("sim_commands_per_s: %.0f commands/s\n", kThroughputCommands / seconds);
    return 0;
}

}  // namespace

int main() {
    const CSimThread sim(8, 8);
    if (!sim.Error().empty()) {
        std::fprintf(stderr, "bench_link: %s\n", sim.Error().c_str());
        return 1;
    }
    const int rc = MeasureRoundTrips(sim.Port());
    return rc == 0 ? MeasureThroughput(sim.Port()) : rc;
}
