// vantel-hub as a process between vantel-sim (serving one connection, like hardware) and its
// clients: two text clients and vantelctl see every change, locks hold across both faces,
// conflicting takes are applied one after the other, labels reach setup.ini, the device can
// go and come back, and a misbehaving client changes nothing for the others.
#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "hubrig.h"
#include "settings/inifile.h"
#include "support/tempdir.h"
#include "textclient.h"

namespace vantel {
namespace {

using ms = std::chrono::milliseconds;

// The inputs feeding outputs 1..4 (1-based, 0 for none) as vantelctl reads them via the hub.
std::vector<int> CtlSources(const HubRig& rig) {
    const CtlResult result = rig.Ctl({"--json", "status"});
    EXPECT_EQ(result.code, 0) << result.err;
    return SourcesOf(ParseObject(result.out));
}

// The routing a text client holds as 1-based sources, like CtlSources.
std::vector<int> ViewSources(const TextView& view) {
    std::vector<int> sources(4, 0);
    for (const auto& [output, input] : view.routes) {
        if (output >= 0 && output < 4) {
            sources[static_cast<std::size_t>(output)] = input + 1;
        }
    }
    return sources;
}

class HubProcessTest : public ::testing::Test {
protected:
    // A client connected to the rig's text face that has its first whole state; from: the
    // loopback address it connects from (127.0.0.1 unless told).
    std::unique_ptr<TextClient> Connect(const char* from = nullptr) {
        auto client = std::make_unique<TextClient>(m_rig.TextPort(), 0, from);
        EXPECT_TRUE(client->Connected());
        EXPECT_TRUE(client->WaitFor(
            [](const TextView& v) { return v.present == true && v.locks.size() == 4; }));
        return client;
    }

    static auto Routes(std::vector<int> sources) {
        return [sources](const TextView& v) { return ViewSources(v) == sources; };
    }

    HubRig m_rig;
};

TEST_F(HubProcessTest, ChangesAreSeenByEveryClientOfBothFaces) {
    auto a = Connect();
    auto b = Connect();
    EXPECT_EQ(a->View().inputLabels.at(0), "Cam 1");
    EXPECT_EQ(a->View().inputLabels.at(1), "2");
    EXPECT_EQ(ViewSources(a->View()), (std::vector<int>{1, 2, 3, 4}));

    // A take on the text face: ACK, then everyone has it, vantelctl too.
    EXPECT_EQ(a->Request("VIDEO OUTPUT ROUTING:\n2 0\n3 1\n\n"), true);
    EXPECT_TRUE(a->WaitFor(Routes({1, 2, 1, 2})));
    EXPECT_TRUE(b->WaitFor(Routes({1, 2, 1, 2})));
    EXPECT_EQ(CtlSources(m_rig), (std::vector<int>{1, 2, 1, 2}));

    // A take on the station face reaches both text clients.
    const CtlResult routed = m_rig.Ctl({"route", "4", "1", "2"});
    EXPECT_EQ(routed.code, 0) << routed.err;
    EXPECT_TRUE(a->WaitFor(Routes({4, 4, 1, 2})));
    EXPECT_TRUE(b->WaitFor(Routes({4, 4, 1, 2})));

    // Requests for a whole block and the ping are answered; the view stays as it was.
    EXPECT_EQ(b->Request("PING:\n\n"), true);
    EXPECT_EQ(b->Request("VIDEO OUTPUT ROUTING:\n\n"), true);
    EXPECT_EQ(ViewSources(b->View()), (std::vector<int>{4, 4, 1, 2}));
}

TEST_F(HubProcessTest, LocksBelongToTheAddressAndHoldAcrossBothFaces) {
    auto a = Connect();
    auto a2 = Connect();            // a second connection from the same address
    auto b = Connect("127.0.0.2");  // another machine
    ASSERT_EQ(a->Request("VIDEO OUTPUT LOCKS:\n1 O\n\n"), true);
    EXPECT_TRUE(a->WaitFor([](const TextView& v) { return v.locks.at(1) == 'O'; }));
    EXPECT_TRUE(a2->WaitFor([](const TextView& v) { return v.locks.at(1) == 'O'; }));
    EXPECT_TRUE(b->WaitFor([](const TextView& v) { return v.locks.at(1) == 'L'; }));

    // Another address cannot route it or unlock it; a station is refused.
    EXPECT_EQ(b->Request("VIDEO OUTPUT ROUTING:\n1 3\n\n"), false);
    EXPECT_EQ(b->Request("VIDEO OUTPUT ROUTING:\n0 3\n1 3\n\n"), false);
    EXPECT_EQ(b->Request("VIDEO OUTPUT LOCKS:\n1 U\n\n"), false);
    const CtlResult refused = m_rig.Ctl({"route", "4", "2"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.err.find("(status 6: an output it would change is locked)"),
              std::string::npos)
        << refused.err;
    // Input 2 feeds output 2 (1-based): routing it elsewhere would take the locked output.
    EXPECT_EQ(m_rig.Ctl({"route", "2", "3"}).code, 1);
    // Every station command that would change the locked output is refused and changes nothing:
    // a scene (all unrouted) loaded, new counts; what cannot touch it goes through.
    const struct {
        std::vector<std::string> args;
        int code;
    } stationCases[] = {
        {{"scene", "load", "1"}, 1},
        {{"setup", "set", "--outputs", "3"}, 1},
        {{"setup", "set", "--buzzer", "off"}, 0},
        {{"scene", "save", "2"}, 0},
        {{"route", "4", "1", "4"}, 0},
    };
    for (const auto& c : stationCases) {
        EXPECT_EQ(m_rig.Ctl(c.args).code, c.code) << c.args[0] << " " << c.args[1];
    }
    EXPECT_EQ(b->Request("VIDEO OUTPUT ROUTING:\n2 0\n\n"), true);
    EXPECT_EQ(CtlSources(m_rig), (std::vector<int>{4, 2, 1, 4}));

    // Any connection of the owner's address routes it; the lock stays when the connection
    // that made it goes, and the other one unlocks it.
    EXPECT_EQ(a2->Request("VIDEO OUTPUT ROUTING:\n1 3\n\n"), true);
    EXPECT_TRUE(b->WaitFor(Routes({4, 4, 1, 4})));
    a->Close();
    EXPECT_EQ(b->Request("VIDEO OUTPUT ROUTING:\n1 0\n\n"), false);
    EXPECT_EQ(a2->Request("VIDEO OUTPUT LOCKS:\n1 U\n\n"), true);
    EXPECT_TRUE(b->WaitFor([](const TextView& v) { return v.locks.at(1) == 'U'; }));
    EXPECT_EQ(b->Request("VIDEO OUTPUT ROUTING:\n1 0\n\n"), true);
    EXPECT_TRUE(b->WaitFor(Routes({4, 1, 1, 4})));
}

// The workflow of a tool that connects, locks and exits: the lock holds after the tool has
// gone and after a restart of the hub; forcing it open is refused only where the hub forbids
// it, and every lock change is in the journal that vantelctl log shows.
TEST_F(HubProcessTest, LocksOutliveTheirConnectionAndTheHub) {
    {
        auto tool = Connect();
        ASSERT_EQ(tool->Request("VIDEO OUTPUT LOCKS:\n2 O\n\n"), true);
    }
    m_rig.RestartHub({"--no-force-unlock"});
    auto b = Connect("127.0.0.2");
    EXPECT_EQ(b->View().locks.at(2), 'L');
    EXPECT_EQ(b->Request("VIDEO OUTPUT LOCKS:\n2 F\n\n"), false);
    EXPECT_EQ(b->Request("VIDEO OUTPUT ROUTING:\n2 0\n\n"), false);
    EXPECT_EQ(Connect()->View().locks.at(2), 'O');

    m_rig.RestartHub();
    b = Connect("127.0.0.2");
    EXPECT_EQ(b->Request("VIDEO OUTPUT LOCKS:\n2 F\n\n"), true);
    EXPECT_TRUE(b->WaitFor([](const TextView& v) { return v.locks.at(2) == 'U'; }));
    m_rig.RestartHub();
    EXPECT_EQ(Connect()->View().locks.at(2), 'U');

    const CtlResult log = RunCtl({"--config", m_rig.Settings(), "log"});
    EXPECT_EQ(log.code, 0) << log.err;
    const std::regex lines(R"(\S+Z  lock: out 3 by 127\.0\.0\.1\n)"
                           R"(\S+Z  force unlock: out 3 by 127\.0\.0\.2, held by 127\.0\.0\.1\n)");
    EXPECT_TRUE(std::regex_search(log.out, lines)) << log.out;
}

// With --ack-after-apply a route's ACK means done: the device holds it when the ACK comes.
TEST(HubProcess, AckAfterApplyAnswersOnceTheDeviceHoldsTheRoute) {
    HubRig rig({"--ack-after-apply"});
    TextClient client(rig.TextPort());
    ASSERT_TRUE(client.WaitFor([](const TextView& v) { return v.locks.size() == 4; }));
    ASSERT_EQ(client.Request("VIDEO OUTPUT ROUTING:\n0 2\n1 2\n\n"), true);
    EXPECT_EQ(CtlSources(rig), (std::vector<int>{3, 3, 3, 4}));
}

TEST_F(HubProcessTest, ConflictingTakesAreAppliedOneAfterTheOther) {
    auto a = Connect();
    auto b = Connect();
    // Both send a burst of takes on the same outputs at once, without waiting in between.
    std::string burstA;
    std::string burstB;
    for (int i = 0; i < 20; ++i) {
        burstA += "VIDEO OUTPUT ROUTING:\n0 " + std::to_string(i % 4) + "\n1 1\n\n";
        burstB += "VIDEO OUTPUT ROUTING:\n0 " + std::to_string(3 - i % 4) + "\n1 2\n\n";
    }
    std::thread sendB([&] { b->Send(burstB); });
    a->Send(burstA);
    sendB.join();
    EXPECT_TRUE(a->WaitFor([](const TextView& v) { return v.acks == 20; }));
    EXPECT_TRUE(b->WaitFor([](const TextView& v) { return v.acks == 20; }));
    EXPECT_EQ(a->View().naks + b->View().naks, 0);
    // Every take was whole: output 1 ends with one client's input, and all agree with the
    // device.
    const auto device = CtlSources(m_rig);
    EXPECT_TRUE(device[1] == 2 || device[1] == 3) << device[1];
    EXPECT_TRUE(a->WaitFor(Routes(device)));
    EXPECT_TRUE(b->WaitFor(Routes(device)));
}

TEST_F(HubProcessTest, LabelsRoundTripThroughSetupIni) {
    auto a = Connect();
    auto b = Connect();
    const std::string longLabel(300, 'L');
    ASSERT_EQ(a->Request("INPUT LABELS:\n1 Camera Two\n2 " + longLabel +
                         "\n\nOUTPUT LABELS:\n3 Monitor\n\n"),
              true);
    EXPECT_TRUE(b->WaitFor([](const TextView& v) {
        return v.inputLabels.at(1) == "Camera Two" && v.outputLabels.at(3) == "Monitor";
    }));
    CIniFile ini(m_rig.Settings());
    EXPECT_EQ(ini.GetString("3001", "BUTTON", ""), "Camera Two");
    EXPECT_EQ(ini.GetString("3002", "BUTTON", ""), std::string(254, 'L'));
    EXPECT_EQ(ini.GetString("2503", "BUTTON", ""), "Monitor");
    EXPECT_EQ(ini.GetString("3000", "BUTTON", ""), "Cam 1");
    EXPECT_EQ(b->View().inputLabels.at(2), std::string(254, 'L'));

    // A label renamed in the file by another program (the window) reaches the clients.
    ASSERT_NE(ini.SetString("Stage", "3003", "BUTTON"), 0);
    EXPECT_TRUE(a->WaitFor([](const TextView& v) { return v.inputLabels.at(3) == "Stage"; }));
    // A label for a port the device lacks changes nothing.
    EXPECT_EQ(a->Request("INPUT LABELS:\n0 X\n4 Y\n\n"), false);
    EXPECT_EQ(ini.GetString("3000", "BUTTON", ""), "Cam 1");
}

// The device block's friendly name is set by a client, kept beside the labels and pushed; the
// unique id is made once and kept; status blocks a router ignores are answered ACK.
TEST_F(HubProcessTest, FriendlyNameAndUniqueIdAreKeptWithTheSettings) {
    auto a = Connect();
    auto b = Connect();
    const std::string id = a->View().device.at("Unique ID");
    EXPECT_TRUE(std::regex_match(id, std::regex("[0-9A-F]{12}"))) << id;
    EXPECT_EQ(a->Request("VIDEOHUB DEVICE:\nFriendly name: Studio A \n\n"), true);
    EXPECT_TRUE(b->WaitFor([](const TextView& v) {
        return v.device.count("Friendly name") && v.device.at("Friendly name") == "Studio A";
    }));
    EXPECT_EQ(CIniFile(m_rig.Settings()).GetString("name", "HUB", ""), "Studio A");
    for (const char* ignored : {"VIDEOHUB DEVICE:\nDevice present: true\nVideo inputs: 99\n\n",
                                "PROTOCOL PREAMBLE:\nVersion: 2.7\n\n", "END PRELUDE:\n\n",
                                "CONFIGURATION:\nTake Mode: false\n\n"}) {
        EXPECT_EQ(a->Request(ignored), true) << ignored;
    }
    EXPECT_EQ(a->Request("CONFIGURATION:\nTake Mode: true\n\n"), false);
    m_rig.RestartHub();
    auto c = Connect();
    EXPECT_EQ(c->View().device.at("Unique ID"), id);
    EXPECT_EQ(c->View().device.at("Friendly name"), "Studio A");
    EXPECT_EQ(c->View().device.at("Video inputs"), "4");
}

TEST_F(HubProcessTest, DeviceGoneAndBackIsToldAndResynchronised) {
    auto a = Connect();
    ASSERT_EQ(a->Request("VIDEO OUTPUT ROUTING:\n0 3\n\n"), true);
    ASSERT_TRUE(a->WaitFor(Routes({4, 2, 3, 4})));

    const int port = m_rig.SimPort();
    m_rig.KillSim();
    EXPECT_TRUE(a->WaitFor([](const TextView& v) { return v.present == false; }));
    // Stations get no reply, as from a device that does not answer; text requests NAK.
    const CtlResult silent = m_rig.Ctl({"status"});
    EXPECT_EQ(silent.code, 1);
    EXPECT_NE(silent.err.find("no response"), std::string::npos) << silent.err;
    EXPECT_EQ(a->Request("VIDEO OUTPUT ROUTING:\n1 0\n\n"), false);

    // A new device (routing 1:1) on the same port: the hub finds it by itself.
    m_rig.StartSim(port);
    ASSERT_EQ(m_rig.SimPort(), port);
    auto late = Connect();
    EXPECT_TRUE(a->WaitFor([](const TextView& v) { return v.present == true; }, ms(10000)));
    EXPECT_TRUE(a->WaitFor(Routes({1, 2, 3, 4})));
    EXPECT_EQ(ViewSources(late->View()), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(CtlSources(m_rig), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(a->Request("VIDEO OUTPUT ROUTING:\n1 0\n\n"), true);
}

TEST_F(HubProcessTest, AMisbehavingClientChangesNothingForTheOthers) {
    auto good = Connect();
    const std::vector<int> before = ViewSources(good->View());

    auto garbage = Connect();
    std::string bytes;
    for (int i = 0; i < 4096; ++i) {
        bytes.push_back(static_cast<char>((i * 37) % 256 == '\n' ? 'x' : (i * 37) % 256));
    }
    EXPECT_EQ(garbage->Request(bytes + "\n\n"), false);
    EXPECT_EQ(garbage->Request("VIDEO OUTPUT ROUTING:\n0 1\nrubbish\n\n"), false);
    EXPECT_EQ(garbage->Request("PING:\n\n"), true);  // still connected

    auto flood = Connect();
    EXPECT_EQ(
        flood->Request("VIDEO OUTPUT ROUTING:\n0 " + std::string(1 << 20, '1') + "\n\n", ms(20000)),
        false);
    EXPECT_EQ(flood->Request("PING:\n\n"), true);

    auto quitter = Connect();
    quitter->Send("VIDEO OUTPUT ROUTING:\n0 2\n1 2\n");
    quitter->Close();

    // A client that never reads while changes pile up for it does not hold up the others.
    auto sleeper = std::make_unique<TextClient>(m_rig.TextPort());

    EXPECT_EQ(good->Request("PING:\n\n"), true);
    EXPECT_EQ(ViewSources(good->View()), before);
    EXPECT_EQ(CtlSources(m_rig), before);
    EXPECT_EQ(good->Request("VIDEO OUTPUT ROUTING:\n3 0\n\n"), true);
    EXPECT_TRUE(garbage->WaitFor(Routes({1, 2, 3, 1})));
    EXPECT_TRUE(flood->WaitFor(Routes({1, 2, 3, 1})));
}

// A client that asks and asks but never reads is cut off once its answers pile up beyond the
// hub's bound for one client, with a log line; the others are served throughout.
TEST_F(HubProcessTest, AClientThatNeverReadsIsDisconnectedAlone) {
    auto good = Connect();
    auto hog = std::make_unique<TextClient>(m_rig.TextPort(), 4096);
    ASSERT_TRUE(hog->Connected());
    std::string requests;
    for (int i = 0; i < 1000; ++i) {
        requests += "VIDEO OUTPUT ROUTING:\n\n";
    }
    bool cut = false;
    for (int round = 0; round < 2000 && !cut; ++round) {
        cut = !hog->Send(requests);
    }
    EXPECT_TRUE(cut);
    EXPECT_EQ(good->Request("VIDEO OUTPUT ROUTING:\n3 1\n\n"), true);
    EXPECT_TRUE(good->WaitFor(Routes({1, 2, 3, 2})));
    m_rig.Hub().Signal(SIGTERM);
    EXPECT_EQ(m_rig.Hub().Wait(ms(5000)), 0);
    EXPECT_NE(m_rig.Hub().Err().find("does not read what it is sent; disconnected"),
              std::string::npos)
        << m_rig.Hub().Err();
}

// A client written from the public description of the text protocol alone, not from our code,
// runs its scenario against the hub, so the hub and our own test client cannot share a
// misunderstanding unnoticed.
TEST_F(HubProcessTest, AnIndependentClientFindsTheTextFaceAsDescribed) {
    CChildProcess check({VANTEL_PYTHON3, VANTEL_TEXTPROTO_CHECK, "--host", "127.0.0.1", "--port",
                         std::to_string(m_rig.TextPort())});
    EXPECT_EQ(check.Wait(ms(120000)), 0) << check.Out() << check.Err();
}

TEST(HubProcess, StopsCleanlyOnSigterm) {
    auto rig = std::make_unique<HubRig>();
    TextClient client(rig->TextPort());
    ASSERT_TRUE(client.Connected());
    rig->Hub().Signal(SIGTERM);
    EXPECT_EQ(rig->Hub().Wait(ms(5000)), 0);
    EXPECT_NE(rig->Hub().Err().find("text client 1 (127.0.0.1:"), std::string::npos)
        << rig->Hub().Err();
}

}  // namespace
}  // namespace vantel
