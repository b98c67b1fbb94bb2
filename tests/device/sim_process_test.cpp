// vantel-sim as a process: endpoints, the link over TCP and the pseudo-terminal, several
// clients, the state file across restarts, bad input and a clean end on SIGTERM.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "device/switcher.h"
#include "link/frame.h"
#include "link/mark.h"
#include "link/vexalib.h"
#include "simprocess.h"

namespace vantel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr int kTimeout = 2000;

class SimProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vantel-sim-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    // Opens a link to the simulator's TCP endpoint.
    static void OpenTcp(CVexaLib& link, const SimProcess& sim) {
        const std::string address = "127.0.0.1:" + std::to_string(sim.TcpPort());
        ASSERT_NE(sim.TcpPort(), 0);
        ASSERT_NE(link.Open(address.c_str()), 0);
    }

    // Opens a link to the simulator's pseudo-terminal, named COM1 in a settings file.
    void OpenSerial(CVexaLib& link, const SimProcess& sim) const {
        ASSERT_FALSE(sim.PtyPath().empty());
        const std::string settings = PathOf("setup.ini");
        std::ofstream(settings) << "[ports]\nCOM1=" << sim.PtyPath() << "\n";
        link.SetSettingsFile(settings);
        ASSERT_NE(link.Open("COM1"), 0);
    }

    fs::path m_dir;
};

// Sends cmd with payload; returns the result and the reply bytes behind the payload.
unsigned Send(CVexaLib& link, std::uint8_t cmd, const Bytes& payload, Bytes* reply = nullptr,
              std::size_t replySize = 0, int timeout = kTimeout) {
    Bytes buffer(4096, 0);
    std::copy(payload.begin(), payload.end(), buffer.begin());
    const unsigned result = link.Command(cmd, buffer.data(), buffer.size(),
                                         static_cast<unsigned char>(payload.size()), timeout);
    if (reply != nullptr) {
        const auto from = buffer.begin() + static_cast<std::ptrdiff_t>(payload.size());
        reply->assign(from, from + static_cast<std::ptrdiff_t>(replySize));
    }
    return result;
}

Bytes OutputSlots(CVexaLib& link, std::uint8_t scene) {
    Bytes image;
    EXPECT_EQ(Send(link, 7, {scene}, &image, 508), kVexaOk);
    if (!HasMark(image)) {
        ADD_FAILURE() << "image without the mark";
        return {};
    }
    const std::size_t m = image[5];
    return Bytes(image.begin() + 7 + static_cast<std::ptrdiff_t>(m),
                 image.begin() + 7 + static_cast<std::ptrdiff_t>(m + image[6]));
}

int ConnectRaw(unsigned short port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

TEST_F(SimProcessTest, ServesTcpAndPseudoTerminalAndEndsOnSigterm) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--listen", "127.0.0.1:0", "--pty"}, 2));
    ASSERT_EQ(sim.Lines().size(), 2u) << sim.Stderr();
    EXPECT_NE(sim.TcpPort(), 4001);

    CVexaLib tcp;
    OpenTcp(tcp, sim);
    CVexaLib serial;
    OpenSerial(serial, sim);

    Bytes setup;
    ASSERT_EQ(Send(tcp, 5, {}, &setup, 40), kVexaOk);
    const auto defaults = CSwitcher(8, 8).Setup();
    EXPECT_EQ(setup, Bytes(defaults.begin(), defaults.end()));

    // A change made on one line is seen on the other: one device behind both.
    ASSERT_EQ(Send(tcp, 12, {2, 8, 13}), kVexaOk);
    EXPECT_EQ(OutputSlots(serial, 0), (Bytes{3, 2, 0, 4, 5, 3, 7, 8}));
    ASSERT_EQ(Send(serial, 9, {3, 0}), kVexaOk);
    ASSERT_EQ(Send(serial, 12, {2}), kVexaOk);
    EXPECT_EQ(OutputSlots(tcp, 3), (Bytes{3, 2, 0, 4, 5, 3, 7, 8}));
    EXPECT_EQ(OutputSlots(tcp, 0), (Bytes{0, 2, 0, 4, 5, 0, 7, 8}));

    // Refusals reach the client as such.
    EXPECT_EQ(Send(tcp, 12, {8}), kVexaRefused);
    EXPECT_EQ(Send(serial, 3, {}), kVexaRefused);

    // The serial line survives a client closing and reopening it.
    serial.Close();
    CVexaLib again;
    OpenSerial(again, sim);
    EXPECT_EQ(OutputSlots(again, 3), (Bytes{3, 2, 0, 4, 5, 3, 7, 8}));

    EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(SimProcessTest, SeveralClientsAtOnce) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--listen", "127.0.0.1:0", "--inputs", "4", "--outputs", "4"}));
    const std::string address = "127.0.0.1:" + std::to_string(sim.TcpPort());
    std::vector<std::thread> clients;
    std::vector<int> failures(4, 0);
    for (int c = 0; c < 4; ++c) {
        clients.emplace_back([&address, &failures, c] {
            CVexaLib link;
            if (link.Open(address.c_str()) == 0) {
                failures[static_cast<std::size_t>(c)] = -1;
                return;
            }
            for (int i = 0; i < 100; ++i) {
                // Each client routes its own input to its own output.
                const auto in = static_cast<std::uint8_t>(c);
                const auto out = static_cast<std::uint8_t>(4 + c);
                if (Send(link, 12, {in, out}) != kVexaOk || Send(link, 7, {0}) != kVexaOk) {
                    ++failures[static_cast<std::size_t>(c)];
                }
            }
        });
    }
    for (auto& t : clients) {
        t.join();
    }
    EXPECT_EQ(failures, (std::vector<int>{0, 0, 0, 0}));
    CVexaLib link;
    OpenTcp(link, sim);
    EXPECT_EQ(OutputSlots(link, 0), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(sim.Stop(SIGINT), 0);
}

// With one client allowed, a second connection is closed before it is served, while the first
// one goes on; once the first has gone, a new one is served.
TEST_F(SimProcessTest, MaxClientsOneRefusesASecondConnection) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--listen", "127.0.0.1:0", "--max-clients", "1"}));
    const std::string address = "127.0.0.1:" + std::to_string(sim.TcpPort());
    auto first = std::make_unique<CVexaLib>();
    OpenTcp(*first, sim);
    ASSERT_EQ(Send(*first, 7, {0}), kVexaOk);

    CVexaLib second;
    second.Open(address.c_str());
    EXPECT_NE(Send(second, 7, {0}, nullptr, 0, 300), kVexaOk);
    EXPECT_EQ(Send(*first, 12, {1, 8}), kVexaOk);

    first.reset();
    CVexaLib third;
    bool served = false;
    for (int attempt = 0; attempt < 50 && !served; ++attempt) {
        third.Open(address.c_str());
        served = Send(third, 7, {0}, nullptr, 0, 300) == kVexaOk;
    }
    EXPECT_TRUE(served);
    EXPECT_EQ(OutputSlots(third, 0), (Bytes{2, 0, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(SimProcessTest, StateSurvivesARestart) {
    const std::string state = PathOf("device.state");
    Bytes setup;
    {
        SimProcess sim;
        ASSERT_TRUE(sim.Start({"--listen", "127.0.0.1:0", "--state", state}));
        CVexaLib link;
        OpenTcp(link, sim);
        ASSERT_EQ(Send(link, 5, {}, &setup, 40), kVexaOk);
        setup[CSwitcher::kInputCountOffset] = 3;
        setup[CSwitcher::kOutputCountOffset] = 5;
        setup[CSwitcher::kBuzzerOffset] = 0;
        setup[CSwitcher::kAddressOffset + 3] = 77;
        ASSERT_EQ(Send(link, 6, setup), kVexaOk);
        ASSERT_EQ(Send(link, 12, {1, 3, 7}), kVexaOk);
        ASSERT_EQ(Send(link, 9, {11, 0}), kVexaOk);
        ASSERT_EQ(Send(link, 12, {2, 3}), kVexaOk);
        EXPECT_EQ(sim.Stop(), 0);
    }
    SimProcess sim;
    // Counts on the command line do not override what the device kept.
    ASSERT_TRUE(sim.Start({"--listen", "127.0.0.1:0", "--state", state, "--inputs", "9"}));
    CVexaLib link;
    OpenTcp(link, sim);
    Bytes kept;
    ASSERT_EQ(Send(link, 5, {}, &kept, 40), kVexaOk);
    EXPECT_EQ(kept, setup);
    EXPECT_EQ(OutputSlots(link, 0), (Bytes{3, 0, 0, 0, 2}));
    EXPECT_EQ(OutputSlots(link, 11), (Bytes{2, 0, 3, 0, 2}));
    EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(SimProcessTest, AChangeThatCannotBeSavedIsRefusedAndServingGoesOn) {
    const fs::path folder = m_dir / "kept";
    fs::create_directory(folder);
    const std::string state = (folder / "device.state").string();
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--listen", "127.0.0.1:0", "--state", state}));
    CVexaLib link;
    OpenTcp(link, sim);
    Bytes setup;
    ASSERT_EQ(Send(link, 5, {}, &setup, 40), kVexaOk);
    // The state file can no longer be written: its folder is gone.
    fs::remove_all(folder);
    Bytes buzzerOff = setup;
    buzzerOff[CSwitcher::kBuzzerOffset] = 0;
    const struct {
        const char* name;
        std::uint8_t cmd;
        Bytes payload;
    } changes[] = {
        {"switch", 12, {2, 8, 13}},
        {"save scene", 9, {3, 0}},
        {"write setup", 6, buzzerOff},
    };
    for (const auto& change : changes) {
        EXPECT_EQ(Send(link, change.cmd, change.payload), kVexaRefused) << change.name;
    }
    // Nothing changed, and the device still answers.
    Bytes now;
    EXPECT_EQ(Send(link, 5, {}, &now, 40), kVexaOk);
    EXPECT_EQ(now, setup);
    EXPECT_EQ(OutputSlots(link, 0), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(OutputSlots(link, 3), Bytes(8, 0));
    EXPECT_TRUE(sim.Running());
    EXPECT_NE(sim.Stderr().find("state not saved"), std::string::npos);

    // Once the file can be written again, changes are done and kept.
    fs::create_directory(folder);
    EXPECT_EQ(Send(link, 12, {2, 8, 13}), kVexaOk);
    EXPECT_EQ(sim.Stop(), 0);
    SimProcess again;
    ASSERT_TRUE(again.Start({"--listen", "127.0.0.1:0", "--state", state}));
    CVexaLib relink;
    OpenTcp(relink, again);
    EXPECT_EQ(OutputSlots(relink, 0), (Bytes{3, 2, 0, 4, 5, 3, 7, 8}));
}

TEST_F(SimProcessTest, BadStartIsRefusedWithAMessage) {
    const std::string corrupt = PathOf("corrupt.state");
    std::ofstream(corrupt) << "vantel-device-state 1\nsetup 00\n";
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"corrupt state", {"--listen", "127.0.0.1:0", "--state", corrupt}, 2, "corrupt.state"},
        {"state in a missing folder",
         {"--listen", "127.0.0.1:0", "--state", PathOf("none/x.state")},
         2,
         "none/x.state"},
        {"zero inputs", {"--inputs", "0"}, 105, "inputs"},
        {"73 outputs", {"--outputs", "73"}, 105, "outputs"},
        {"drop above one", {"--drop", "1.5"}, 105, "drop"},
        {"listen without port", {"--listen", "127.0.0.1"}, 105, "--listen"},
        {"listen on a name", {"--listen", "localhost:0"}, 3, "localhost"},
    };
    for (const auto& c : cases) {
        SimProcess sim;
        ASSERT_TRUE(sim.Start(c.args, 1, std::chrono::seconds(5))) << c.name;
        EXPECT_EQ(sim.Wait(), c.exitCode) << c.name;
        EXPECT_TRUE(sim.Lines().empty()) << c.name;
        EXPECT_NE(sim.Stderr().find(c.message), std::string::npos) << c.name;
    }
    // The corrupt file is left as it was for the operator to look at.
    std::ifstream in(corrupt);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              "vantel-device-state 1\nsetup 00\n");
}

TEST_F(SimProcessTest, GarbageDoesNotKillIt) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--listen", "127.0.0.1:0", "--pty"}, 2));
    std::mt19937 random(77);
    std::uniform_int_distribution<int> byte(0, 255);
    Bytes junk(1 << 20);
    for (auto& b : junk) {
        b = static_cast<std::uint8_t>(byte(random));
    }
    // Headers announcing the largest payloads, cut short.
    for (std::size_t i = 0; i + 8 < junk.size(); i += 4099) {
        const Bytes head = {0x56, 0x54, 1, 7, 0, 0x00, 0x10};
        std::copy(head.begin(), head.end(), junk.begin() + static_cast<std::ptrdiff_t>(i));
    }
    for (int round = 0; round < 3; ++round) {
        const int fd = ConnectRaw(sim.TcpPort());
        ASSERT_GE(fd, 0);
        ::send(fd, junk.data(), junk.size(), MSG_NOSIGNAL);
        ::close(fd);  // closed mid-frame, replies unread
    }
    {
        CVexaLib serial;
        OpenSerial(serial, sim);
        const int fd = ::open(sim.PtyPath().c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, junk.data(), 65536), 65536);
        ::close(fd);
        // The link may first see the tail of garbage; a valid reply comes through.
        EXPECT_EQ(Send(serial, 7, {0}), kVexaOk);
    }
    ASSERT_TRUE(sim.Running());
    CVexaLib link;
    OpenTcp(link, sim);
    EXPECT_EQ(OutputSlots(link, 0), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(SimProcessTest, ReplyFaults) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int timeout;
        unsigned result;
    };
    const std::vector<Case> cases = {
        {"every reply dropped", {"--drop", "1"}, 300, kVexaTimeout},
        {"every byte garbled", {"--garble", "1"}, 300, kVexaTimeout},
        {"latency longer than the wait", {"--latency", "1500"}, 200, kVexaTimeout},
        {"latency shorter than the wait", {"--latency", "50"}, 3000, kVexaOk},
    };
    for (const auto& c : cases) {
        SimProcess sim;
        auto args = c.args;
        args.insert(args.begin(), {"--listen", "127.0.0.1:0"});
        ASSERT_TRUE(sim.Start(args)) << c.name;
        CVexaLib link;
        OpenTcp(link, sim);
        EXPECT_EQ(Send(link, 5, {}, nullptr, 0, c.timeout), c.result) << c.name;
        EXPECT_EQ(sim.Stop(), 0) << c.name;
    }
}

}  // namespace
}  // namespace vantel
