// bench_hub: vantel-hub's pushes and round trips, everything on 127.0.0.1. The simulator (the
// server vantel-sim runs) and the hub (CHubServer, the server vantel-hub runs) serve in this
// process on threads of their own; clients are blocking sockets and CVexaLib. The round trips
// are measured with every thread of the process on one core: otherwise each leg's figure
// depends on whether its serving thread shares the client's core or is woken on the other
// one, and the ratio came out near 0.4 or near 2.7 from run to run. The direct and the hub
// round trips also alternate which goes first in each round.
//
//   hub_push_ms, hub_push_p99_ms  a route taken by one text client until a second has the push
//   hub_seen_ms                   a switch through the station face until a text client has it
//   hub_rtt_us, direct_rtt_us, hub_rtt_ratio
//                                 command 7 (the stations' poll) through the hub against the
//                                 same sent straight to the simulator
//   hub_switch_rtt_ratio          command 12 likewise (the hub reads the device back before it
//                                 answers)
//   hub_ack_ms                    a one-line route block of a text client until its ACK, with a
//                                 device that answers in 100 ms (median)
//   hub_clients_*                 50 text and 4 station clients for 10 s while one routes
//   swp08_push_ms                 a switch through the station face (what vantelctl route
//                                 sends) until an SW-P-08 client has its Connected
//   swp08_connect_ms, swp08_text_route_ms, swp08_rtt_ratio
//                                 an SW-P-08 Connect until its Connected, against a text
//                                 client's route until it has the push, same run, alternating
//   ember_push_ms                 a switch through the station face (as vantelctl routes)
//                                 until an Ember+ consumer has the push
//   ember_rtt_ms, text_rtt_ms, ember_rtt_ratio
//                                 a consumer's connect until it has the update, against a
//                                 text client's route until it has the push; rounds alternate
//   hub_load_*                    500 text and 500 station clients, each taking 2 routes a
//                                 second for 20 s (120 s with --long): push and ACK p99, the
//                                 process's peak RSS (hub, simulator and clients together, so
//                                 an upper bound of the hub's), takes lost (see hubload.h)

#include <dirent.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "emberconsumer.h"
#include "hub/descriptorlimit.h"
#include "hub/hubserver.h"
#include "hub/swp08request.h"
#include "hubload.h"
#include "link/vexalib.h"
#include "median.h"
#include "simthread.h"
#include "swp08client.h"
#include "textclient.h"

namespace {

using Clock = std::chrono::steady_clock;
using vantel::TextClient;
using vantel::TextView;

constexpr int kPorts = 16;
constexpr int kRounds = 300;
constexpr int kTimeoutMs = 1000;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[at];
}

// Every thread of this process on the core the caller runs on, for as long as it lives; the
// threads get the mask they had back at the end. Threads started meanwhile inherit the core.
class COneCore {
public:
    COneCore() {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(static_cast<unsigned>(std::max(::sched_getcpu(), 0)), &one);
        for (const pid_t tid : Threads()) {
            cpu_set_t before;
            if (::sched_getaffinity(tid, sizeof before, &before) == 0 &&
                ::sched_setaffinity(tid, sizeof one, &one) == 0) {
                m_before.emplace_back(tid, before);
            }
        }
    }
    ~COneCore() {
        for (const auto& [tid, mask] : m_before) {
            ::sched_setaffinity(tid, sizeof mask, &mask);
        }
    }
    COneCore(const COneCore&) = delete;
    COneCore& operator=(const COneCore&) = delete;

private:
    static std::vector<pid_t> Threads() {
        std::vector<pid_t> tids;
        if (DIR* dir = ::opendir("/proc/self/task")) {
            while (const dirent* entry = ::readdir(dir)) {
                if (entry->d_name[0] != '.') {
                    tids.push_back(static_cast<pid_t>(std::atoi(entry->d_name)));
                }
            }
            ::closedir(dir);
        }
        return tids;
    }

    std::vector<std::pair<pid_t, cpu_set_t>> m_before;
};

// The hub in this process, in front of the simulator.
class CHubThread {
public:
    explicit CHubThread(unsigned short devicePort) : m_server(Options(devicePort)) {
        std::vector<std::string> endpoints;
        if (m_server.Open(endpoints, m_error)) {
            m_stationPort = PortOf(endpoints[0]);
            m_textPort = PortOf(endpoints[1]);
            m_swp08Port = PortOf(endpoints[2]);
            m_emberPort = PortOf(endpoints[3]);
            m_thread = std::thread([this] { m_server.Run(); });
        }
    }
    ~CHubThread() {
        if (m_thread.joinable()) {
            m_server.Stop();
            m_thread.join();
        }
    }
    const std::string& Error() const { return m_error; }
    int StationPort() const { return m_stationPort; }
    int TextPort() const { return m_textPort; }
    int Swp08Port() const { return m_swp08Port; }
    int EmberPort() const { return m_emberPort; }

private:
    static vantel::HubOptions Options(unsigned short devicePort) {
        vantel::HubOptions options;
        options.listenPort = 0;
        options.textPort = 0;
        options.swp08 = true;
        options.swp08Port = 0;
        options.ember = true;
        options.device.port = "127.0.0.1:" + std::to_string(devicePort);
        options.device.timeoutMs = kTimeoutMs;
        options.maxClients = 1024;
        return options;
    }
    static int PortOf(const std::string& endpoint) {
        return std::stoi(endpoint.substr(endpoint.rfind(':') + 1));
    }

    vantel::CHubServer m_server;
    std::string m_error;
    int m_stationPort = 0;
    int m_textPort = 0;
    int m_swp08Port = 0;
    int m_emberPort = 0;
    std::thread m_thread;
};

std::unique_ptr<TextClient> Connect(int port) {
    auto client = std::make_unique<TextClient>(port);
    if (!client->Connected() ||
        !client->WaitFor([](const TextView& v) { return v.locks.size() == kPorts; })) {
        std::fprintf(stderr, "bench_hub: a text client got no state\n");
        std::exit(1);
    }
    return client;
}

std::string Route(int output, int input) {
    return "VIDEO OUTPUT ROUTING:\n" + std::to_string(output) + " " + std::to_string(input) +
           "\n\n";
}

auto Sees(int output, int input) {
    return [output, input](const TextView& v) {
        const auto it = v.routes.find(output);
        return it != v.routes.end() && it->second == input;
    };
}

void Fail(const char* what) {
    std::fprintf(stderr, "bench_hub: %s\n", what);
    std::exit(1);
}

// ACK on acceptance: a route's ACK does not wait for a device that answers in 100 ms. Each
// round waits for the push of the route too, so no round queues behind another.
void AckFigure() {
    constexpr int kLatencyMs = 100;
    constexpr int kAckRounds = 15;
    CSimThread slow(kPorts, kPorts, kLatencyMs);
    CHubThread hub(slow.Port());
    if (!slow.Error().empty() || !hub.Error().empty()) {
        Fail("cannot start the slow device and its hub");
    }
    auto client = Connect(hub.TextPort());
    std::vector<double> times;
    for (int round = 0; round < kAckRounds; ++round) {
        const int input = (round + 1) % kPorts;
        const auto start = Clock::now();
        if (client->Request(Route(0, input)) != true) {
            Fail("a route was not acknowledged");
        }
        times.push_back(MsSince(start));
        if (!client->WaitFor(Sees(0, input))) {
            Fail("the route's push did not come");
        }
    }
    std::printf("hub_ack_ms: %.3f ms\n", Median(times));
}

void PushFigures(int textPort) {
    auto a = Connect(textPort);
    auto b = Connect(textPort);
    std::vector<double> times;
    for (int i = 1; i <= kRounds; ++i) {
        const int input = i % kPorts;
        const int output = i % 2;
        const auto start = Clock::now();
        a->Send(Route(output, input));
        if (!b->WaitFor(Sees(output, input))) {
            Fail("a push did not come");
        }
        times.push_back(MsSince(start));
        a->WaitFor([i](const TextView& v) { return v.acks >= i; });
    }
    std::printf("hub_push_ms: %.3f ms\n", Median(times));
    std::printf("hub_push_p99_ms: %.3f ms\n", Percentile(times, 0.99));
}

unsigned Send(CVexaLib& link, std::uint8_t cmd, std::vector<std::uint8_t> payload) {
    std::vector<std::uint8_t> buffer(4096, 0);
    std::copy(payload.begin(), payload.end(), buffer.begin());
    return link.Command(cmd, buffer.data(), buffer.size(),
                        static_cast<unsigned char>(payload.size()), kTimeoutMs);
}

void SeenFigure(int stationPort, int textPort) {
    CVexaLib station;
    const std::string address = "127.0.0.1:" + std::to_string(stationPort);
    if (station.Open(address.c_str()) == 0) {
        Fail("cannot open the station face");
    }
    auto watcher = Connect(textPort);
    std::vector<double> times;
    for (int i = 1; i <= kRounds; ++i) {
        const int input = i % kPorts;
        const auto start = Clock::now();
        if (Send(station, 12, {static_cast<std::uint8_t>(input), kPorts + 2}) != kVexaOk) {
            Fail("a switch through the hub failed");
        }
        if (!watcher->WaitFor(Sees(2, input))) {
            Fail("a switch did not reach the text client");
        }
        times.push_back(MsSince(start));
    }
    std::printf("hub_seen_ms: %.3f ms\n", Median(times));
}

void EmberFigures(int stationPort, int textPort, int emberPort) {
    CVexaLib station;
    const std::string address = "127.0.0.1:" + std::to_string(stationPort);
    vantel::CEmberConsumer consumer(emberPort);
    if (station.Open(address.c_str()) == 0 || !consumer.Connected()) {
        Fail("cannot open the station or the Ember+ face");
    }
    std::vector<double> pushes;
    for (int i = 1; i <= kRounds; ++i) {
        const int input = i % kPorts;
        const auto start = Clock::now();
        if (Send(station, 12, {static_cast<std::uint8_t>(input), kPorts + 4}) != kVexaOk) {
            Fail("a switch through the hub failed");
        }
        if (!consumer.WaitFor(4, input)) {
            Fail("a switch did not reach the Ember+ consumer");
        }
        pushes.push_back(MsSince(start));
    }
    std::printf("ember_push_ms: %.3f ms\n", Median(pushes));

    auto text = Connect(textPort);
    std::vector<double> ember;
    std::vector<double> plain;
    for (int i = 1; i <= 2 * kRounds; ++i) {
        const int input = (i * 5) % kPorts;
        for (int leg = 0; leg < 2; ++leg) {
            const bool viaEmber = (leg == 0) == (i % 2 == 0);
            const int output = viaEmber ? 5 : 6;
            const auto start = Clock::now();
            const bool ok =
                viaEmber ? consumer.Connect(output, input) && consumer.WaitFor(output, input)
                         : text->Send(Route(output, input)) && text->WaitFor(Sees(output, input));
            if (!ok) {
                Fail("a connect or a route did not come back");
            }
            (viaEmber ? ember : plain).push_back(MsSince(start));
        }
    }
    std::printf("ember_rtt_ms: %.3f ms\n", Median(ember));
    std::printf("text_rtt_ms: %.3f ms\n", Median(plain));
    std::printf("ember_rtt_ratio: %.2f\n", Median(ember) / Median(plain));
}

// Median round trips of a command straight to the simulator and through the hub, alternating.
std::pair<double, double> RoundTrips(CVexaLib& direct, CVexaLib& hub, std::uint8_t cmd,
                                     const std::vector<std::uint8_t>& payload) {
    std::vector<double> straight;
    std::vector<double> through;
    for (int i = 0; i < 2 * kRounds; ++i) {
        const bool hubFirst = i % 2 == 1;
        for (int leg = 0; leg < 2; ++leg) {
            const bool viaHub = (leg == 0) == hubFirst;
            const auto start = Clock::now();
            if (Send(viaHub ? hub : direct, cmd, payload) != kVexaOk) {
                Fail("a round trip failed");
            }
            (viaHub ? through : straight).push_back(MsSince(start) * 1000.0);
        }
    }
    return {Median(straight), Median(through)};
}

void RttFigures(unsigned short simPort, int stationPort) {
    const COneCore pinned;
    CVexaLib direct;
    CVexaLib hub;
    const std::string toSim = "127.0.0.1:" + std::to_string(simPort);
    const std::string toHub = "127.0.0.1:" + std::to_string(stationPort);
    if (direct.Open(toSim.c_str()) == 0 || hub.Open(toHub.c_str()) == 0) {
        Fail("cannot open the links");
    }
    const auto [straight, through] = RoundTrips(direct, hub, 7, {0});
    std::printf("direct_rtt_us: %.1f us\n", straight);
    std::printf("hub_rtt_us: %.1f us\n", through);
    std::printf("hub_rtt_ratio: %.2f\n", through / straight);
    const auto [switchStraight, switchThrough] = RoundTrips(direct, hub, 12, {3, kPorts + 3});
    std::printf("hub_switch_rtt_ratio: %.2f\n", switchThrough / switchStraight);
}

// Latency of each request of one client, in ms.
struct ClientRun {
    std::vector<double> latencies;
    std::map<int, int> routes;  // output -> input, as the client ends up knowing them
    bool failed = false;
};

// The routing of a state image, output -> input, routed outputs only.
std::map<int, int> RoutesOf(const std::vector<std::uint8_t>& image) {
    std::map<int, int> routes;
    for (int j = 0; j < kPorts; ++j) {
        const int slot = image[7 + kPorts + static_cast<std::size_t>(j)];
        if (slot > 0) {
            routes[j] = slot - 1;
        }
    }
    return routes;
}

std::optional<std::map<int, int>> ReadRoutes(CVexaLib& link) {
    std::vector<std::uint8_t> buffer(4096, 0);
    if (link.Command(7, buffer.data(), buffer.size(), 1, kTimeoutMs) != kVexaOk) {
        return std::nullopt;
    }
    return RoutesOf(std::vector<std::uint8_t>(buffer.begin() + 1, buffer.begin() + 509));
}

void TextClientLoop(int port, std::atomic<bool>& stop, std::atomic<bool>& done, ClientRun& run) {
    TextClient client(port);
    if (!client.Connected()) {
        run.failed = true;
        return;
    }
    while (!stop.load()) {
        const auto start = Clock::now();
        if (client.Request("PING:\n\n") != true) {
            run.failed = true;
            return;
        }
        run.latencies.push_back(MsSince(start));
        client.WaitFor([](const TextView&) { return false; }, std::chrono::milliseconds(50));
    }
    // Everything pushed has come once a ping sent after the last take is answered.
    while (!done.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.failed = run.failed || client.Request("PING:\n\n") != true;
    run.routes = client.View().routes;
}

void StationLoop(int port, std::atomic<bool>& stop, std::atomic<bool>& done, ClientRun& run) {
    CVexaLib link;
    const std::string address = "127.0.0.1:" + std::to_string(port);
    if (link.Open(address.c_str()) == 0) {
        run.failed = true;
        return;
    }
    while (!stop.load()) {
        const auto start = Clock::now();
        if (Send(link, 7, {0}) != kVexaOk) {
            run.failed = true;
        }
        run.latencies.push_back(MsSince(start));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    while (!done.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto routes = ReadRoutes(link);
    run.failed = run.failed || !routes;
    run.routes = routes.value_or(std::map<int, int>{});
}

void ClientsFigures(unsigned short simPort, int stationPort, int textPort) {
    constexpr int kText = 50;
    constexpr int kStations = 4;
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    std::vector<ClientRun> runs(kText + kStations);
    std::vector<std::thread> threads;
    for (int c = 0; c < kText; ++c) {
        threads.emplace_back(TextClientLoop, textPort, std::ref(stop), std::ref(done),
                             std::ref(runs[static_cast<std::size_t>(c)]));
    }
    for (int c = 0; c < kStations; ++c) {
        threads.emplace_back(StationLoop, stationPort, std::ref(stop), std::ref(done),
                             std::ref(runs[static_cast<std::size_t>(kText + c)]));
    }
    auto router = Connect(textPort);
    // Every output routed first: the protocol cannot tell a text client that an output lost
    // its input, and the loop below only routes.
    std::string all = "VIDEO OUTPUT ROUTING:\n";
    for (int j = 0; j < kPorts; ++j) {
        all += std::to_string(j) + " " + std::to_string(j) + "\n";
    }
    if (router->Request(all + "\n") != true) {
        Fail("routing every output failed");
    }
    std::vector<double> takes;
    const auto end = Clock::now() + std::chrono::seconds(10);
    for (int i = 0; Clock::now() < end; ++i) {
        const auto start = Clock::now();
        if (router->Request(Route(i % kPorts, (i * 7) % kPorts)) != true) {
            Fail("a take of the routing client failed");
        }
        takes.push_back(MsSince(start));
    }
    stop.store(true);
    done.store(true);
    for (auto& t : threads) {
        t.join();
    }
    // Every client ends with the device's routing, read straight from the simulator.
    CVexaLib device;
    const std::string address = "127.0.0.1:" + std::to_string(simPort);
    const auto truth = device.Open(address.c_str()) != 0 ? ReadRoutes(device) : std::nullopt;
    int agree = 0;
    for (const auto& run : runs) {
        agree += !run.failed && truth && run.routes == *truth ? 1 : 0;
    }
    const bool allAgree = agree == kText + kStations;
    std::printf("hub_clients_agreeing: %d\n", agree);
    std::printf("hub_clients_takes: %zu\n", takes.size());
    std::printf("hub_clients_take_p99_ms: %.3f ms\n", Percentile(takes, 0.99));
    double worst = 0;
    for (int c = 0; c < kText + kStations; ++c) {
        const auto& run = runs[static_cast<std::size_t>(c)];
        const double p99 = run.latencies.empty() ? 0 : Percentile(run.latencies, 0.99);
        worst = std::max(worst, p99);
        const bool text = c < kText;
        std::printf("hub_client_%s%02d_p99_ms: %.3f ms\n", text ? "text" : "station",
                    text ? c + 1 : c - kText + 1, p99);
    }
    std::printf("hub_clients_worst_p99_ms: %.3f ms\n", worst);
    std::printf("hub_clients_ok: %d\n", allAgree ? 1 : 0);
}

// Waits until the SW-P-08 client has a Connected of output j from input i among the events it
// received after the first `after`.
void AwaitConnected(vantel::Swp08Client& client, std::size_t after, int output, int input) {
    const vantel::Swp08Event wanted{
        vantel::Swp08Event::Kind::kMessage,
        {vantel::swp08::kConnected, 0, 0, static_cast<std::uint8_t>(output),
         static_cast<std::uint8_t>(input)}};
    const bool seen = client.WaitFor([&](const vantel::Swp08Client& c) {
        const auto& all = c.Received();
        return std::find(all.begin() + static_cast<std::ptrdiff_t>(std::min(after, all.size())),
                         all.end(), wanted) != all.end();
    });
    if (!seen) {
        Fail("an SW-P-08 Connected did not come");
    }
}

void Swp08PushFigure(int stationPort, int swp08Port) {
    CVexaLib station;
    const std::string address = "127.0.0.1:" + std::to_string(stationPort);
    vantel::Swp08Client client(swp08Port);
    if (station.Open(address.c_str()) == 0 || !client.Connected()) {
        Fail("cannot open the station or the SW-P-08 face");
    }
    std::vector<double> times;
    for (int i = 1; i <= kRounds; ++i) {
        const int input = i % kPorts;
        const std::size_t before = client.Received().size();
        const auto start = Clock::now();
        if (Send(station, 12, {static_cast<std::uint8_t>(input), kPorts + 4}) != kVexaOk) {
            Fail("a switch through the hub failed");
        }
        AwaitConnected(client, before, 4, input);
        times.push_back(MsSince(start));
    }
    std::printf("swp08_push_ms: %.3f ms\n", Median(times));
}

void Swp08RttFigure(int textPort, int swp08Port) {
    const COneCore pinned;
    vantel::Swp08Client client(swp08Port);
    auto text = Connect(textPort);
    std::vector<double> swp08;
    std::vector<double> texts;
    for (int i = 1; i <= kRounds; ++i) {
        const int input = i % kPorts;
        for (int leg = 0; leg < 2; ++leg) {
            const bool viaSwp08 = (leg == 0) == (i % 2 == 0);
            const std::size_t before = client.Received().size();
            const auto start = Clock::now();
            if (viaSwp08) {
                client.Send({vantel::swp08::kConnect, 0, 0, 5, static_cast<std::uint8_t>(input)});
                AwaitConnected(client, before, 5, input);
            } else {
                text->Send(Route(6, input));
                if (!text->WaitFor(Sees(6, input))) {
                    Fail("a text push did not come");
                }
            }
            (viaSwp08 ? swp08 : texts).push_back(MsSince(start));
        }
    }
    std::printf("swp08_connect_ms: %.3f ms\n", Median(swp08));
    std::printf("swp08_text_route_ms: %.3f ms\n", Median(texts));
    std::printf("swp08_rtt_ratio: %.2f\n", Median(swp08) / Median(texts));
}

// The peak resident set of this process, in MiB.
double PeakRssMib() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    char line[256];
    long kib = 0;
    while (status != nullptr && std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1) {
            break;
        }
    }
    if (status != nullptr) {
        std::fclose(status);
    }
    return static_cast<double>(kib) / 1024.0;
}

void LoadFigures(unsigned short simPort, int stationPort, int textPort, bool longForm) {
    CHubLoad::Shape shape;
    shape.inputs = kPorts;
    shape.outputs = kPorts;
    shape.duration = std::chrono::seconds(longForm ? 120 : 20);
    CHubLoad load(textPort, stationPort, shape);
    const auto result = load.Run([simPort]() -> std::optional<std::map<int, int>> {
        CVexaLib device;
        const std::string address = "127.0.0.1:" + std::to_string(simPort);
        return device.Open(address.c_str()) != 0 ? ReadRoutes(device) : std::nullopt;
    });
    if (!result.connected || result.pushMs.Empty() || result.ackMs.Empty()) {
        Fail("the load clients could not connect or got nothing");
    }
    std::printf("hub_load_takes: %ld\n", result.takes);
    std::printf("hub_load_push_p99_ms: %.3f ms\n", result.pushMs.Percentile(0.99));
    std::printf("hub_load_ack_p99_ms: %.3f ms\n", result.ackMs.Percentile(0.99));
    if (!result.stationMs.Empty()) {
        std::printf("hub_load_station_p99_ms: %.3f ms\n", result.stationMs.Percentile(0.99));
    }
    std::printf("hub_load_rss_mib: %.1f MiB\n", PeakRssMib());
    std::printf("hub_load_lost: %ld\n", result.lost);
}

}  // namespace

int main(int argc, char** argv) {
    const bool longForm = argc > 1 && std::string(argv[1]) == "--long";
    // A thousand clients and the hub's side of each in one process.
    if (const auto limit = vantel::FitDescriptorLimit(4096); !limit.empty()) {
        std::fprintf(stderr, "bench_hub: %s\n", limit.c_str());
    }
    CSimThread sim(kPorts, kPorts);
    if (!sim.Error().empty()) {
        Fail(sim.Error().c_str());
    }
    CHubThread hub(sim.Port());
    if (!hub.Error().empty()) {
        Fail(hub.Error().c_str());
    }
    PushFigures(hub.TextPort());
    SeenFigure(hub.StationPort(), hub.TextPort());
    EmberFigures(hub.StationPort(), hub.TextPort(), hub.EmberPort());
    RttFigures(sim.Port(), hub.StationPort());
    AckFigure();
    ClientsFigures(sim.Port(), hub.StationPort(), hub.TextPort());
    Swp08PushFigure(hub.StationPort(), hub.Swp08Port());
    Swp08RttFigure(hub.TextPort(), hub.Swp08Port());
    LoadFigures(sim.Port(), hub.StationPort(), hub.TextPort(), longForm);
    return 0;
}
