// The link over loopback TCP and over a pseudo-terminal, against the device model.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "device/deviceport.h"
#include "device/switcher.h"
#include "link/mark.h"
#include "link/portconfig.h"
#include "link/vexalib.h"
#include "loopbackserver.h"

namespace vantel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A device behind the server; each connection gets a fresh line into the same device.
class DeviceServer {
public:
    // shape decides what is sent of each reply and whether the line is hung up after it.
    using Shape = std::function<LoopbackServer::Action(int connection, Bytes reply)>;

    // port: 0 for one chosen by the system; greeting: sent on every new connection first.
    explicit DeviceServer(Shape shape = nullptr, unsigned short port = 0, Bytes greeting = {})
        : m_shape(std::move(shape)),
          m_server(
              [this](int connection, const std::uint8_t* data, std::size_t size) {
                  std::lock_guard lock(m_mutex);
                  if (connection != m_connection) {
                      m_port = std::make_unique<CDevicePort>(m_device);
                      m_connection = connection;
                  }
                  Bytes reply;
                  m_port->Feed(data, size, reply);
                  return m_shape ? m_shape(connection, std::move(reply))
                                 : LoopbackServer::Action{std::move(reply), false};
              },
              port, std::move(greeting)) {}

    LoopbackServer& Server() { return m_server; }

private:
    std::mutex m_mutex;
    CSwitcher m_device{8, 8};
    std::unique_ptr<CDevicePort> m_port;
    int m_connection = 0;
    Shape m_shape;
    LoopbackServer m_server;  // last: its thread stops before the device goes
};

unsigned ReadImage(CVexaLib& link, int timeout = 500) {
    std::uint8_t buf[4096] = {0};
    const unsigned result = link.Command(7, buf, 1, timeout);
    if (result == kVexaOk) {
        EXPECT_TRUE(HasMark(std::span<const std::uint8_t>(buf + 1, 4)));
    }
    return result;
}

class TempSettings {
public:
    explicit TempSettings(const std::string& text) {
        char name[] = "/tmp/vantel-link-XXXXXX";
        m_dir = ::mkdtemp(name);
        std::ofstream(Path()) << text;
    }
    ~TempSettings() { std::filesystem::remove_all(m_dir); }
    std::string Path() const { return m_dir + "/setup.ini"; }

private:
    std::string m_dir;
};

TEST(LinkOverTcp, CommandsReachTheDevice) {
    DeviceServer device;
    CVexaLib link;
    ASSERT_NE(link.Open(device.Server().Address().c_str()), 0);
    EXPECT_EQ(ReadImage(link), kVexaOk);
    std::uint8_t sw[4096] = {1, 8, 9};
    EXPECT_EQ(link.Command(12, sw, 3, 500), kVexaOk);
}

TEST(LinkOverTcp, PortComesFromTheSettingsFile) {
    DeviceServer device;
    TempSettings settings("[setup]\r\nport=" + std::to_string(device.Server().Port()) + "\r\n");
    CVexaLib link;
    link.SetSettingsFile(settings.Path());
    ASSERT_NE(link.Open("127.0.0.1"), 0);
    EXPECT_EQ(ReadImage(link), kVexaOk);
}

// Waits up to limit for the link's IsOpen to become want.
bool AwaitOpen(const CVexaLib& link, int want, std::chrono::milliseconds limit) {
    const auto until = Clock::now() + limit;
    while (link.IsOpen() != want) {
        if (Clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

TEST(LinkOverTcp, ConnectionDroppedInAReplyIsMadeAgainInTheBackground) {
    DeviceServer device([](int connection, Bytes reply) {
        if (connection == 1) {
            reply.resize(reply.size() / 2);  // half a reply, then the line goes
            return LoopbackServer::Action{reply, true};
        }
        return LoopbackServer::Action{reply, false};
    });
    CVexaLib link;
    ASSERT_NE(link.Open(device.Server().Address().c_str()), 0);
    const auto start = Clock::now();
    EXPECT_EQ(ReadImage(link, 2000), kVexaConnectionLost);
    EXPECT_LT(Clock::now() - start, 1s) << "a broken line is reported without waiting it out";
    EXPECT_EQ(link.IsOpen(), 0) << "the connection is down";
    EXPECT_TRUE(AwaitOpen(link, 1, 3s)) << "made again without a command";
    EXPECT_EQ(ReadImage(link), kVexaOk);
    EXPECT_EQ(ReadImage(link), kVexaOk);
    EXPECT_EQ(device.Server().Connections(), 2);
}

// Opens the link to a device that hangs up behind its first reply, reads once and takes the
// device away (nothing listens any more); returns the port where it listened.
unsigned short OpenThenLoseTheDevice(CVexaLib& link) {
    DeviceServer device([](int, Bytes reply) { return LoopbackServer::Action{reply, true}; });
    EXPECT_NE(link.Open(device.Server().Address().c_str()), 0);
    EXPECT_EQ(ReadImage(link), kVexaOk);
    EXPECT_TRUE(AwaitOpen(link, 0, 1s)) << "a peer that closed shows without any command";
    return device.Server().Port();
}

TEST(LinkOverTcp, IsOpenFollowsTheConnectionAndComesBackByItself) {
    CVexaLib link;
    const unsigned short port = OpenThenLoseTheDevice(link);
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(link.IsOpen(), 0);
    EXPECT_EQ(ReadImage(link, 300), kVexaConnectionLost);

    DeviceServer device(nullptr, port);
    ASSERT_EQ(device.Server().Port(), port);
    EXPECT_TRUE(AwaitOpen(link, 1, 6s)) << "connected again by the link itself";
    EXPECT_EQ(ReadImage(link), kVexaOk);
}

TEST(LinkOverTcp, CloseWhileConnectingAgainReturnsPromptly) {
    CVexaLib link;
    const unsigned short port = OpenThenLoseTheDevice(link);
    // A listener whose queue is full: the link's next connect hangs instead of failing.
    const int full = LoopbackServer::ListenOn(port, 0);
    ASSERT_GE(full, 0);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        fillers.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        ::connect(fillers.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    std::this_thread::sleep_for(1200ms);  // an attempt is under way by now
    const auto start = Clock::now();
    link.Close();
    EXPECT_LT(Clock::now() - start, 300ms);
    EXPECT_EQ(link.IsOpen(), 0);
    for (const int fd : fillers) {
        ::close(fd);
    }
    ::close(full);
}

TEST(LinkOverTcp, DeviceRestartNeedsNoOperatorAction) {
    // The device closes the line after every reply, as when it restarts between commands;
    // each close may reach the link before, while or after it sends its next request.
    DeviceServer device([](int, Bytes reply) { return LoopbackServer::Action{reply, true}; });
    CVexaLib link;
    ASSERT_NE(link.Open(device.Server().Address().c_str()), 0);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(ReadImage(link), kVexaOk) << i;
        if (i % 2 == 1) {
            std::this_thread::sleep_for(20ms);  // the close has surely arrived
        }
    }
    EXPECT_EQ(device.Server().Connections(), 10);
}

TEST(LinkOverTcp, DeviceGoneForGoodFailsWithinTheTimeout) {
    DeviceServer device([](int, Bytes reply) { return LoopbackServer::Action{reply, true}; });
    CVexaLib link;
    ASSERT_NE(link.Open(device.Server().Address().c_str()), 0);
    EXPECT_EQ(ReadImage(link), kVexaOk);
    device.Server().Stop();
    std::this_thread::sleep_for(50ms);
    const auto start = Clock::now();
    EXPECT_EQ(ReadImage(link, 300), kVexaConnectionLost);
    EXPECT_LT(Clock::now() - start, 1s);
}

// Holds every file descriptor the process may still open, under a lowered limit, until it
// goes; then the limit is what it was.
class NoDescriptorsLeft {
public:
    NoDescriptorsLeft() {
        ::getrlimit(RLIMIT_NOFILE, &m_limit);
        rlimit lowered = m_limit;
        lowered.rlim_cur = std::min<rlim_t>(m_limit.rlim_cur, 256);
        ::setrlimit(RLIMIT_NOFILE, &lowered);
        for (int fd = ::dup(0); fd >= 0; fd = ::dup(0)) {
            m_held.push_back(fd);
        }
    }
    ~NoDescriptorsLeft() {
        for (const int fd : m_held) {
            ::close(fd);
        }
        ::setrlimit(RLIMIT_NOFILE, &m_limit);
    }
    NoDescriptorsLeft(const NoDescriptorsLeft&) = delete;
    NoDescriptorsLeft& operator=(const NoDescriptorsLeft&) = delete;

private:
    rlimit m_limit{};
    std::vector<int> m_held;
};

TEST(LinkOverTcp, NoDescriptorLeftToReconnectIsAFailedAttemptNotACrash) {
    CVexaLib link;
    const unsigned short port = OpenThenLoseTheDevice(link);
    {
        const NoDescriptorsLeft exhausted;
        std::this_thread::sleep_for(2500ms);  // the keeper has tried, and failed, by now
        EXPECT_EQ(link.IsOpen(), 0);
        EXPECT_NE(link.LastConnectFailure(), "");
    }
    DeviceServer device(nullptr, port);
    ASSERT_EQ(device.Server().Port(), port);
    EXPECT_TRUE(AwaitOpen(link, 1, 6s)) << "tried again once descriptors were free";
    EXPECT_EQ(link.LastConnectFailure(), "");
    EXPECT_EQ(ReadImage(link), kVexaOk);
}

TEST(LinkOpen, NothingListeningFailsQuicklyAndConnectsWhenTheDeviceComes) {
    unsigned short port = 0;
    {
        LoopbackServer closed(
            [](int, const std::uint8_t*, std::size_t) { return LoopbackServer::Action{}; });
        port = closed.Port();
    }  // the port is free again, nothing listens on it
    CVexaLib link;
    const std::string address = "127.0.0.1:" + std::to_string(port);
    const auto start = Clock::now();
    EXPECT_EQ(link.Open(address.c_str()), 0);
    EXPECT_EQ(link.IsOpen(), 0);
    EXPECT_LT(Clock::now() - start, 2500ms);
    const auto command = Clock::now();
    EXPECT_EQ(ReadImage(link, 300), kVexaConnectionLost);
    EXPECT_LT(Clock::now() - command, 100ms) << "no connect attempt of its own per command";

    // The device is switched on after the application: connected with no second Open.
    DeviceServer device(nullptr, port);
    ASSERT_EQ(device.Server().Port(), port);
    EXPECT_TRUE(AwaitOpen(link, 1, 6s)) << "connected by the link itself";
    EXPECT_EQ(ReadImage(link), kVexaOk);
}

TEST(LinkOpen, PortTextsThatNameNoPortFail) {
    // Names are never resolved, so none of these leads to a connection attempt.
    for (const char* text : {"", "COM0", "COM10", "com1", "localhost", "1.2.3", "127.0.0.1:0",
                             "127.0.0.1:65536", "127.0.0.1:x", "[::1"}) {
        CVexaLib link;
        EXPECT_EQ(link.Open(text), 0) << text;
        EXPECT_EQ(link.IsOpen(), 0) << text;
    }
}

TEST(PortConfig, ParsesAddressTexts) {
    struct Case {
        const char* text;
        const char* address;
        unsigned short port;
    };
    for (const Case& c :
         {Case{"127.0.0.1", "127.0.0.1", 4001}, Case{"127.0.0.1:5000", "127.0.0.1", 5000},
          Case{"::1", "::1", 4001}, Case{"[::1]:6000", "::1", 6000}, Case{"[::1]", "::1", 4001}}) {
        const auto endpoint = ParseEndpoint(c.text, 4001);
        ASSERT_TRUE(endpoint) << c.text;
        EXPECT_EQ(endpoint->address().to_string(), c.address) << c.text;
        EXPECT_EQ(endpoint->port(), c.port) << c.text;
    }
    EXPECT_EQ(ComPortNumber("COM1"), 1);
    EXPECT_EQ(ComPortNumber("COM9"), 9);
}

TEST(PortConfig, SerialLinesAndTcpPortFromTheSettingsFile) {
    TempSettings settings("[ports]\nCOM3=/dev/ttyUSB7\nbaud=9600\n[setup]\nport=70000\n");
    const SerialSettings com3 = ReadSerialSettings(3, settings.Path());
    EXPECT_EQ(com3.path, "/dev/ttyUSB7");
    EXPECT_EQ(com3.baud, 9600u);
    const SerialSettings com5 = ReadSerialSettings(5, settings.Path());
    EXPECT_EQ(com5.path, "/dev/ttyS4");
    EXPECT_EQ(ReadSerialSettings(1, "").path, "/dev/ttyS0");
    EXPECT_EQ(ReadSerialSettings(1, "").baud, 115200u);
    EXPECT_EQ(ReadTcpPort(settings.Path()), kDefaultTcpPort) << "70000 is no TCP port";
    EXPECT_EQ(ReadTcpPort("/nonexistent/setup.ini"), kDefaultTcpPort);
}

TEST(LinkOverSerial, MissingDeviceFailsAtOnce) {
    TempSettings settings("[ports]\nCOM4=/nonexistent/ttyVANTEL\n");
    CVexaLib link;
    link.SetSettingsFile(settings.Path());
    const auto start = Clock::now();
    EXPECT_EQ(link.Open("COM4"), 0);
    EXPECT_EQ(link.IsOpen(), 0);
    EXPECT_LT(Clock::now() - start, 500ms);
}

// A pseudo-terminal whose master side is served by the device model on a thread.
class PtyDevice {
public:
    // greeting: bytes already waiting on the line when the link opens it.
    explicit PtyDevice(const Bytes& greeting = {}) {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ::grantpt(m_master);
        ::unlockpt(m_master);
        m_slavePath = ::ptsname(m_master);
        // Keep a slave descriptor open so the master never sees the line hang up, and raw.
        m_slave = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY);
        termios tio{};
        ::tcgetattr(m_slave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
        if (!greeting.empty() && ::write(m_master, greeting.data(), greeting.size()) < 0) {
            ADD_FAILURE() << "greeting not written";
        }
        m_thread = std::thread([this] { Serve(); });
    }
    ~PtyDevice() {
        m_stop.store(true);
        m_thread.join();
        ::close(m_slave);
        ::close(m_master);
    }
    const std::string& SlavePath() const { return m_slavePath; }

private:
    void Serve() {
        CDevicePort port(m_device);
        std::uint8_t chunk[4096];
        while (!m_stop.load()) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0) {
                continue;
            }
            const ssize_t got = ::read(m_master, chunk, sizeof chunk);
            if (got <= 0) {
                continue;
            }
            Bytes reply;
            port.Feed(chunk, static_cast<std::size_t>(got), reply);
            if (!reply.empty() && ::write(m_master, reply.data(), reply.size()) < 0) {
                return;
            }
        }
    }

    CSwitcher m_device{8, 8};
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

TEST(LinkOverSerial, CommandsReachTheDeviceThroughThePortMap) {
    PtyDevice device;
    TempSettings settings("[ports]\nCOM2=" + device.SlavePath() + "\n");
    CVexaLib link;
    link.SetSettingsFile(settings.Path());
    ASSERT_NE(link.Open("COM2"), 0);
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(ReadImage(link), kVexaOk) << i;
    }
    std::uint8_t setup[4096] = {};
    EXPECT_EQ(link.Command(5, setup, 0, 500), kVexaOk);
    EXPECT_TRUE(HasMark(std::span<const std::uint8_t>(setup, 4)));
}

TEST(LinkOpen, InputWaitingWhenThePortOpensIsNeverTakenForAReply) {
    // Refusals of an image read for every sequence number: a late reply on the line from an
    // earlier run, matching whatever number the link starts with.
    Bytes stale;
    for (int seq = 0; seq < 256; ++seq) {
        const Bytes frame = EncodeFrame(Frame{static_cast<std::uint8_t>(seq), 7, 3, {}});
        stale.insert(stale.end(), frame.begin(), frame.end());
    }
    DeviceServer tcp(nullptr, 0, stale);
    PtyDevice serial(stale);
    TempSettings settings("[ports]\nCOM2=" + serial.SlavePath() + "\n");
    for (const std::string& port : {tcp.Server().Address(), std::string("COM2")}) {
        CVexaLib link;
        link.SetSettingsFile(settings.Path());
        ASSERT_NE(link.Open(port.c_str()), 0) << port;
        std::this_thread::sleep_for(100ms);  // everything sent has arrived
        EXPECT_EQ(ReadImage(link), kVexaOk) << port;
        EXPECT_GE(link.GetDroppedCount(), 256) << port;
    }
}

}  // namespace
}  // namespace vantel
