// Opening the link by the connection settings of setup.ini.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QLabel>

#include "maindlgfixture.h"

namespace vantel::test {
namespace {

struct ConnectCase {
    const char* name;
    const char* ini;  // nullptr: no setup.ini at all
    bool reachable;
    std::vector<std::string> opened;
    const char* portText;
    QStringList messages;
};

const ConnectCase kCases[] = {
    {"serial 0 tries nothing", "[setup]\nmode=0\nserial=0\n", true, {}, "255.255.255.255", {}},
    {"serial 10 tries nothing",
     "[setup]\nmode=0\nserial=10\nip=127.0.0.1\n",
     true,
     {},
     "255.255.255.255",
     {}},
    {"no setup.ini tries COM1", nullptr, false, {"COM1"}, "COM1", {"can not open COM1"}},
    {"serial 9", "[setup]\nserial=9\n", false, {"COM9"}, "COM9", {"can not open COM9"}},
    {"serial opens", "[setup]\nmode=0\nserial=3\n", true, {"COM3"}, "COM3", {}},
    {"mode 1 is the network",
     "[setup]\nmode=1\nip=127.0.0.1\nserial=0\n",
     true,
     {"127.0.0.1"},
     "127.0.0.1",
     {}},
    {"mode 2 is the network too",
     "[setup]\nmode=2\nip=127.0.0.1\n",
     false,
     {"127.0.0.1"},
     "127.0.0.1",
     {"can not open 127.0.0.1"}},
    {"negative mode is the network",
     "[setup]\nmode=-1\nip=127.0.0.1\n",
     false,
     {"127.0.0.1"},
     "127.0.0.1",
     {"can not open 127.0.0.1"}},
    {"percent signs are text",
     "[setup]\nmode=1\nip=127.0.0.%s%d\n",
     false,
     {"127.0.0.%s%d"},
     "127.0.0.%s%d",
     {"can not open 127.0.0.%s%d"}},
};

TEST_F(MainDlgTest, ConnectOpensThePortOfTheSettings) {
    for (const ConnectCase& c : kCases) {
        SCOPED_TRACE(c.name);
        QFile::remove(app.IniPath());
        if (c.ini != nullptr) {
            WriteIni(c.ini);
        }
        SimulatedDevice device;
        device.SetReachable(c.reachable);
        errors.Clear();
        dlg = std::make_unique<CVantelDlg>();
        dlg->m_link.SetTransportFactory(device.Factory());
        dlg->Create();

        EXPECT_EQ(device.Opened(), c.opened);
        EXPECT_EQ(dlg->m_stcPort->text(), c.portText);
        // Screen readers and outside test tools read what the screen shows.
        EXPECT_EQ(dlg->m_stcPort->accessibleName(), c.portText);
        EXPECT_TRUE(dlg->m_stcPort->isVisible());
        EXPECT_EQ(errors.Texts(), c.messages);
        for (const auto& call : errors.Calls()) {
            EXPECT_EQ(call.owner, dlg.get());
        }
        EXPECT_EQ(dlg->m_link.IsOpen() != 0, c.reachable && !c.opened.empty());
        dlg.reset();
    }
}

TEST_F(MainDlgTest, ConnectAgainOpensTheNewlySavedPort) {
    WriteIni("[setup]\nmode=0\nserial=2\n");
    CVantelDlg& d = Start();
    ASSERT_TRUE(d.m_pIniFile->SetInt(1, "mode", "setup"));
    ASSERT_TRUE(d.m_pIniFile->SetString("127.0.0.1", "ip", "setup"));
    d.Connect();
    EXPECT_EQ(sim.Opened(), (std::vector<std::string>{"COM2", "127.0.0.1"}));
    EXPECT_EQ(d.m_stcPort->text(), "127.0.0.1");
    EXPECT_NE(d.m_link.IsOpen(), 0);
    EXPECT_EQ(errors.Count(), 0);
}

// A loopback port that nothing listens on: bound by the system, read, then released.
int UnusedLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        return -1;
    }
    ::close(fd);
    return ntohs(addr.sin_port);
}

TEST_F(MainDlgTest, RealNetworkFailureIsReportedAndThePortTextStays) {
    const int port = UnusedLoopbackPort();
    ASSERT_GT(port, 0);
    WriteIni(QByteArray("[setup]\nmode=1\nip=127.0.0.1\nport=") + QByteArray::number(port) + "\n");
    dlg = std::make_unique<CVantelDlg>();  // the real transports
    dlg->Create();
    EXPECT_EQ(dlg->m_link.IsOpen(), 0);
    EXPECT_EQ(errors.Texts(), QStringList{"can not open 127.0.0.1"});
    EXPECT_EQ(dlg->m_stcPort->text(), "127.0.0.1");
    EXPECT_EQ(dlg->SettingsPath(), app.IniPath());
    // The window comes up all the same, the monitor showing the closed link.
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->m_ledStatus.GetColor() == 0; }, 5000));
}

}  // namespace
}  // namespace vantel::test
