// The application under faults of its device, end to end: the real main window offscreen
// against a vantel-sim process on loopback TCP or a pseudo-terminal. One case per fault:
// replies later than the time-out, dropped, garbled; the simulator killed and restarted; the
// pseudo-terminal closed; the serial device path gone. For each: "Status" turns red while the
// device is silent and green within one poll after it is back, "Connect" dims soon after the
// connection itself went away (and the link makes it again), the GUI thread is never held
// longer than one command's time-out (plus a margin for a loaded machine), no reply is taken
// for another command, and the SAVE / VIEW list follows the device's routing again. Each case
// prints one row with its times.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/maindlgfixture.h"
#include "device/simprocess.h"
#include "faults/guicommander.h"
#include "faults/stallprobe.h"
#include "link/stateimage.h"
#include "link/vexalib.h"
#include "support/guitest.h"

namespace vantel::test {
namespace {

using Rows = std::vector<CStateImage::ListRow>;

constexpr int kRed = 0;
constexpr int kGreen = 1;
constexpr int kLitLight = 0;
// One poll period (200 passes of 10 ms, plus a poll that waits out its time-out), with room
// for a loaded machine.
constexpr int kOnePollMs = 8000;
// The GUI thread may be held for one command's time-out; the margin covers scheduling on a
// busy CI machine, not a second time-out.
constexpr qint64 kStallLimitMs = GuiCommander::kTimeoutMs + 700;
// How long a fault lasts once "Status" shows it, with the GUI sending commands.
constexpr int kFaultHoldMs = 3000;
// "Connect" follows a lost connection within a few lamp updates; the room is for a loaded
// machine.
constexpr qint64 kConnectDimLimitMs = 3000;

// Whether a fault takes the connection itself away (rather than only the replies).
enum class Connection { kStays, kGoes };

struct Outcome {
    qint64 redAfterMs = -1;
    qint64 greenAfterMs = -1;
    qint64 listAfterMs = -1;
    qint64 connectDimAfterMs = -1;  // from the moment the fault is in place
    bool respondLitWhileSilent = false;
    bool connectLitWhileSilent = false;
};

// A command on a link of its own, run beside the GUI thread while that thread serves events.
std::optional<std::vector<std::uint8_t>> DeviceCommand(unsigned short port, unsigned char cmd,
                                                       std::vector<std::uint8_t> payload) {
    auto done = std::async(std::launch::async, [=]() -> std::optional<std::vector<std::uint8_t>> {
        CVexaLib link;
        if (link.Open(("127.0.0.1:" + std::to_string(port)).c_str()) == 0) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> buf(CVexaLib::kDefaultBufferSize);
        std::copy(payload.begin(), payload.end(), buf.begin());
        if (link.Command(cmd, buf.data(), buf.size(), static_cast<unsigned char>(payload.size()),
                         2000) != kVexaOk) {
            return std::nullopt;
        }
        buf.erase(buf.begin(), buf.begin() + static_cast<long>(payload.size()));
        return buf;
    });
    // The link's own time-out ends the command; the wait only serves the GUI meanwhile.
    (void)QTest::qWaitFor(
        [&] { return done.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 10000);
    return done.get();
}

class FaultMatrix : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(StartSim(false));
        m_port = m_sim->TcpPort();
        ASSERT_NE(m_port, 0);
        m_serialLink = std::filesystem::path(app.Path().toStdString()) / "ttyVANTEL0";
    }
    void TearDown() override {
        m_probe.Stop();
        if (m_commander) {
            m_commander->Stop();
        }
        dlg.reset();
        m_commander.reset();
        m_sim.reset();
        MainWindowTest::TearDown();
    }

    // Starts the simulator on the port picked by the first start, with a pseudo-terminal and
    // extra options when asked; the serial path then names its pseudo-terminal.
    bool StartSim(bool pty, std::vector<std::string> extra = {}) {
        m_sim = std::make_unique<SimProcess>();
        std::vector<std::string> args{"--listen", "127.0.0.1:" + std::to_string(m_port)};
        if (pty) {
            args.push_back("--pty");
        }
        args.insert(args.end(), extra.begin(), extra.end());
        if (!m_sim->Start(args, pty ? 2 : 1) || m_sim->TcpPort() == 0) {
            ADD_FAILURE() << m_sim->Stderr();
            return false;
        }
        if (pty) {
            std::error_code ignored;
            std::filesystem::remove(m_serialLink, ignored);
            std::filesystem::create_symlink(m_sim->PtyPath(), m_serialLink);
        }
        return true;
    }
    void StopSim(int signal) {
        m_sim->Stop(signal);
        m_sim.reset();
    }

    // The window on TCP (the simulator's port) or on COM1, mapped to the serial path.
    void StartApp(bool serial) {
        if (serial) {
            ASSERT_TRUE(StartSim(true));  // the first simulator had no pseudo-terminal
            ASSERT_TRUE(app.WriteIni(QByteArray("[setup]\nmode=0\nserial=1\n[ports]\nCOM1=") +
                                     QByteArray::fromStdString(m_serialLink.string()) + "\n"));
        } else {
            ASSERT_TRUE(app.WriteIni(QByteArray("[setup]\nmode=1\nip=127.0.0.1\nport=") +
                                     QByteArray::number(m_port) + "\n"));
        }
        ShowMainWindow();
        ASSERT_TRUE(errors.Calls().empty()) << "the port did not open";
        QObject::connect(dlg.get(), &CVantelDlg::imageHandedOver, [this] { CheckHandedImage(); });
        m_commander = std::make_unique<GuiCommander>(dlg->m_link);
        ASSERT_TRUE(QTest::qWaitFor([this] { return StatusColor() == kGreen; }, kOnePollMs));
        m_commander->Start();
        m_probe.Start();
    }

    int StatusColor() const { return dlg->m_ledStatus.GetColor(); }

    // The monitor hands over live images only: marked, and never the unrouted stored scene
    // that the GUI thread reads at the same time.
    void CheckHandedImage() {
        const auto& image = dlg->m_pageView.m_image;
        const CStateImage view(image);
        bool routed = false;
        for (int j = 0; j < view.OutputCount(); ++j) {
            routed |= view.SourceOf(j).has_value();
        }
        if (!view.HasMark() || !routed || dlg->m_pageSwitch.m_image != image) {
            ++m_badImages;
        }
    }

    std::optional<Rows> DeviceRows() {
        const auto reply = DeviceCommand(m_port, 7, {0});
        if (!reply) {
            return std::nullopt;
        }
        return CStateImage(std::span<const std::uint8_t>(*reply)).RoutingList();
    }

    // Milliseconds until done() holds while events are served, or -1 after limitMs; calls
    // sample on the way.
    static qint64 Await(const std::function<bool()>& done, int limitMs,
                        const std::function<void()>& sample = {}) {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > limitMs) {
                return -1;
            }
            if (sample) {
                sample();
            }
            QTest::qWait(10);
        }
        return clock.elapsed();
    }

    static std::string Millis(qint64 ms) {
        return ms < 0 ? std::string("-") : std::to_string(ms) + " ms";
    }

    // Runs one fault: the device goes silent through fault(), comes back through heal(); then
    // the routing changes on the device and the list must follow.
    void RunFault(const char* name, const std::function<void()>& fault,
                  const std::function<void()>& heal, Connection connection = Connection::kStays) {
        Outcome out;
        const int droppedBefore = dlg->m_link.GetDroppedCount();
        fault();
        QElapsedTimer sinceFault;
        sinceFault.start();
        const auto watchConnect = [&] {
            if (out.connectDimAfterMs < 0 && dlg->m_ledConnect.GetLight() != kLitLight) {
                out.connectDimAfterMs = sinceFault.elapsed();
            }
        };
        out.redAfterMs = Await([this] { return StatusColor() == kRed; }, kOnePollMs, watchConnect);
        EXPECT_GE(out.redAfterMs, 0) << name << ": Status never turned red";
        Await([] { return false; }, kFaultHoldMs,
              [&] {
                  watchConnect();
                  out.respondLitWhileSilent |= dlg->m_ledRespond.GetLight() == kLitLight;
                  out.connectLitWhileSilent |= dlg->m_ledConnect.GetLight() == kLitLight;
              });
        EXPECT_EQ(StatusColor(), kRed) << name << ": Status green while the device is silent";
        if (connection == Connection::kGoes) {
            EXPECT_GE(out.connectDimAfterMs, 0) << name << ": Connect lit with no connection";
            EXPECT_LE(out.connectDimAfterMs, kConnectDimLimitMs) << name;
            EXPECT_FALSE(out.connectLitWhileSilent) << name << ": Connect lit with no connection";
        }

        heal();
        out.greenAfterMs = Await([this] { return StatusColor() == kGreen; }, kOnePollMs);
        EXPECT_GE(out.greenAfterMs, 0) << name << ": Status not green within one poll";

        const unsigned char input = 2;
        ASSERT_TRUE(DeviceCommand(m_port, 12, {input, 8 + 0, 8 + 5})) << name;
        const std::optional<Rows> device = DeviceRows();
        ASSERT_TRUE(device) << name;
        out.listAfterMs = Await([&] { return ListedRows(*dlg) == *device; }, kOnePollMs);
        EXPECT_GE(out.listAfterMs, 0) << name << ": the routing list differs from the device's";

        m_probe.Stop();
        m_commander->Stop();
        EXPECT_LE(m_probe.MaxGapMs(), kStallLimitMs) << name << ": the GUI thread was held";
        EXPECT_EQ(m_commander->Mismatched(), 0) << name << ": a reply taken for another command";
        EXPECT_EQ(m_badImages, 0) << name << ": the pages were handed a wrong image";
        EXPECT_GT(m_commander->Sent(), 0);
        std::printf(
            "fault_matrix | %s | Status red after %lld ms | Connect dims after %s | Respond %s, "
            "Connect %s while silent | Status green %lld ms after the device is back | list "
            "equal %lld ms after the device changed | longest GUI stall %lld ms | GUI commands "
            "%d, answered %d, mismatched %d | frames dropped %d\n",
            name, static_cast<long long>(out.redAfterMs), Millis(out.connectDimAfterMs).c_str(),
            out.respondLitWhileSilent ? "lit" : "dim", out.connectLitWhileSilent ? "lit" : "dim",
            static_cast<long long>(out.greenAfterMs), static_cast<long long>(out.listAfterMs),
            static_cast<long long>(m_probe.MaxGapMs()), m_commander->Sent(),
            m_commander->Answered(), m_commander->Mismatched(),
            dlg->m_link.GetDroppedCount() - droppedBefore);
        std::fflush(stdout);
    }

    // A reply fault of the simulator: restarted with it, then restarted without it.
    void RunReplyFault(const char* name, std::vector<std::string> option) {
        StartApp(false);
        RunFault(
            name,
            [&] {
                StopSim(SIGTERM);
                ASSERT_TRUE(StartSim(false, option));
            },
            [&] {
                StopSim(SIGTERM);
                ASSERT_TRUE(StartSim(false));
            });
    }

    std::unique_ptr<SimProcess> m_sim;
    unsigned short m_port = 0;
    std::filesystem::path m_serialLink;
    StallProbe m_probe;
    std::unique_ptr<GuiCommander> m_commander;
    int m_badImages = 0;
};

TEST_F(FaultMatrix, RepliesLaterThanTheTimeout) {
    RunReplyFault("replies 700 ms late", {"--latency", "700"});
    // Each late reply reaches the link during a later command and is dropped there.
    EXPECT_GT(dlg->m_link.GetDroppedCount(), 0);
}

TEST_F(FaultMatrix, RepliesDropped) {
    RunReplyFault("replies dropped", {"--drop", "1"});
}

TEST_F(FaultMatrix, RepliesGarbled) {
    RunReplyFault("replies garbled", {"--garble", "0.05", "--seed", "3"});
    EXPECT_GT(dlg->m_link.GetDroppedCount(), 0) << "garbled frames fail their check";
}

TEST_F(FaultMatrix, SimulatorKilledAndRestarted) {
    StartApp(false);
    RunFault(
        "simulator killed and restarted", [&] { StopSim(SIGKILL); },
        [&] { ASSERT_TRUE(StartSim(false)); }, Connection::kGoes);
}

TEST_F(FaultMatrix, PseudoTerminalClosedUnderTheApplication) {
    StartApp(true);
    RunFault(
        "pseudo-terminal closed", [&] { StopSim(SIGKILL); }, [&] { ASSERT_TRUE(StartSim(true)); },
        Connection::kGoes);
}

TEST_F(FaultMatrix, SerialDevicePathDisappears) {
    StartApp(true);
    RunFault(
        "serial device path gone",
        [&] {
            std::filesystem::remove(m_serialLink);
            StopSim(SIGKILL);
        },
        [&] { ASSERT_TRUE(StartSim(true)); }, Connection::kGoes);
}

}  // namespace
}  // namespace vantel::test
