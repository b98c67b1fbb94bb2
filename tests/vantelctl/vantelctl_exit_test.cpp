// vantelctl's exit codes and error lines: no response, refused, cannot open, usage, help.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ctlrun.h"
#include "fakedevice.h"
#include "simprocess.h"
#include "support/tempdir.h"

namespace {

using vantel::CFakeDevice;
using vantel::CtlResult;
using vantel::IsOneErrorLine;
using vantel::RunCtl;

std::string Loopback(int port) {
    return "127.0.0.1:" + std::to_string(port);
}

// Runs vantelctl with the user's own settings out of reach.
class VantelCtlExit : public ::testing::Test {
protected:
    CtlResult Ctl(const std::vector<std::string>& args) {
        return RunCtl(args, {"XDG_CONFIG_HOME=" + home.Path().string()});
    }
    void ExpectFailure(const std::vector<std::string>& args, int code, const std::string& says) {
        const CtlResult result = Ctl(args);
        EXPECT_EQ(result.code, code) << ::testing::PrintToString(args) << "\n" << result.err;
        EXPECT_TRUE(IsOneErrorLine(result.err)) << result.err;
        EXPECT_NE(result.err.find(says), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }

    vantel::test::TempDir home;
};

TEST_F(VantelCtlExit, ASilentDeviceIsNoResponse) {
    CFakeDevice device(CFakeDevice::Mode::kSilent);
    const std::string host = Loopback(device.Port());
    for (const auto& command : std::vector<std::vector<std::string>>{
             {"status"}, {"scene", "load", "2"}, {"setup", "show"}, {"route", "1", "1"}}) {
        std::vector<std::string> args{"--host", host, "--timeout", "150"};
        args.insert(args.end(), command.begin(), command.end());
        ExpectFailure(args, 1, "no response from the device within 150 ms");
    }
}

TEST_F(VantelCtlExit, ARefusalIsReportedAsRefused) {
    CFakeDevice device(CFakeDevice::Mode::kRefusing);
    const std::string host = Loopback(device.Port());
    ExpectFailure({"--host", host, "scene", "save", "3"}, 1, "save scene 3: refused");
    ExpectFailure({"--host", host, "status"}, 1, "refused");
    ExpectFailure({"--host", host, "setup", "set", "--buzzer", "on"}, 1, "read setup: refused");
}

TEST_F(VantelCtlExit, WhatCannotBeOpenedIsExitThree) {
    const int closed = CFakeDevice::ClosedPort();
    ExpectFailure({"--host", Loopback(closed), "status"}, 3, "cannot open " + Loopback(closed));
    ExpectFailure({"--serial", home.Path().string() + "/no-such-tty", "status"}, 3, "cannot open");
    ExpectFailure({"--config", home.Path().string() + "/missing.ini", "status"}, 3,
                  "cannot open settings file");
    const std::string noPort = home.Write("noport.ini", "[setup]\nmode=0\nserial=0\n");
    ExpectFailure({"--config", noPort, "status"}, 3, "serial=0");
    const std::string mapped =
        home.Write("mapped.ini", "[ports]\nCOM4=" + home.Path().string() + "/tty4\n");
    ExpectFailure({"--config", mapped, "--serial", "COM4", "status"}, 3,
                  "cannot open COM4 (" + home.Path().string() + "/tty4)");
}

TEST_F(VantelCtlExit, BadCommandLinesAreUsageErrors) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {},
             {"bogus"},
             {"route"},
             {"scene"},
             {"setup"},
             {"status", "extra"},
             {"--timeout", "0", "status"},
             {"--timeout", "soon", "status"},
             {"--host", "localhost", "status"},
             {"--host", "127.0.0.1:70000", "status"},
             {"--host", "127.0.0.1:1", "--serial", "COM1", "status"},
             {"--serial", "COM10", "status"},
             {"--serial", "tty0", "status"},
             {"setup", "set", "--volume", "3"},
             {"salvo"},
             {"salvo", "apply"},
             {"salvo", "rename", "A"},
             {"salvo", "capture", "A", "--from-scene", "12"},
             {"undo", "extra"}}) {
        const CtlResult result = Ctl(args);
        EXPECT_EQ(result.code, 2) << ::testing::PrintToString(args);
        EXPECT_TRUE(IsOneErrorLine(result.err)) << result.err;
    }
}

TEST_F(VantelCtlExit, EveryCommandHasHelp) {
    for (const auto& command : std::vector<std::vector<std::string>>{{},
                                                                     {"status"},
                                                                     {"route"},
                                                                     {"scene"},
                                                                     {"scene", "show"},
                                                                     {"scene", "load"},
                                                                     {"scene", "save"},
                                                                     {"setup"},
                                                                     {"setup", "show"},
                                                                     {"setup", "set"},
                                                                     {"watch"},
                                                                     {"salvo"},
                                                                     {"salvo", "list"},
                                                                     {"salvo", "show"},
                                                                     {"salvo", "capture"},
                                                                     {"salvo", "apply"},
                                                                     {"salvo", "rename"},
                                                                     {"salvo", "delete"},
                                                                     {"undo"},
                                                                     {"log"}}) {
        std::vector<std::string> args = command;
        args.push_back("--help");
        const CtlResult result = Ctl(args);
        EXPECT_EQ(result.code, 0) << ::testing::PrintToString(args);
        std::string usage = "Usage: vantelctl";
        for (const auto& word : command) {
            usage += " " + word;
        }
        EXPECT_NE(result.out.find(usage), std::string::npos) << result.out;
        EXPECT_EQ(result.err, "");
    }
}

TEST_F(VantelCtlExit, SerialDevicePathReachesTheSimulator) {
    vantel::CSimProcess sim({"--pty"});
    const CtlResult result = Ctl({"--serial", sim.Pty(), "--json", "setup", "show"});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(vantel::ParseObject(result.out)["inputs"], 8);
}

}  // namespace
