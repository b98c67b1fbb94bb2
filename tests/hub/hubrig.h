#pragma once
// HubRig: vantel-sim serving one connection at a time (like hardware) and vantel-hub in front
// of it, both on 127.0.0.1 with ports the system picks, and a settings file of their own. The
// simulator can be killed and started again on its port. Both are ended by their process ids.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "childprocess.h"
#include "ctlrun.h"
#include "support/tempdir.h"

namespace vantel {

class HubRig {
public:
    using ms = std::chrono::milliseconds;

    // The simulator has 4 inputs and 4 outputs (or ports of each); the settings file names
    // input 0 "Cam 1". With "--swp08-listen" (or "--ember-listen") among the extra arguments
    // the hub serves SW-P-08 (or Ember+).
    // launcher: words before the hub's own command line (prlimit, say).
    explicit HubRig(std::vector<std::string> hubExtra = {}, int ports = 4,
                    std::vector<std::string> launcher = {})
        : m_ports(ports) {
        m_settings = (m_dir.Path() / "setup.ini").string();
        std::ofstream(m_settings) << "[BUTTON]\n3000=Cam 1\n";
        StartSim(0);
        StartHub(hubExtra, launcher);
    }
    HubRig(std::vector<std::string> hubExtra, std::vector<std::string> launcher)
        : HubRig(std::move(hubExtra), 4, std::move(launcher)) {}

    // The hub must end cleanly: a crash or a sanitizer's report fails the test.
    ~HubRig() { StopHub(); }

    // The hub ended and started again with these options, on new ports; the device stays.
    void RestartHub(const std::vector<std::string>& hubExtra = {}) {
        StopHub();
        StartHub(hubExtra);
    }

    int TextPort() const { return m_textPort; }
    int Swp08Port() const { return m_swp08Port; }
    int EmberPort() const { return m_emberPort; }
    std::string Station() const { return "127.0.0.1:" + std::to_string(m_stationPort); }
    const std::string& Settings() const { return m_settings; }
    CChildProcess& Hub() { return *m_hub; }
    CChildProcess& Sim() { return *m_sim; }

    // vantelctl through the hub's station face.
    CtlResult Ctl(std::vector<std::string> args) const {
        args.insert(args.begin(),
                    {"--host", Station(), "--config", m_settings, "--timeout", "300"});
        return RunCtl(args);
    }

    void KillSim() {
        m_sim->Signal(SIGKILL);
        m_sim->Wait(ms(5000));
        m_sim.reset();
    }
    // A new simulator (a fresh device: routing 1:1) on the port the hub knows.
    void StartSim(int port) {
        m_sim = std::make_unique<CChildProcess>(std::vector<std::string>{
            VANTEL_SIM_EXE, "--listen", "127.0.0.1:" + std::to_string(port), "--max-clients", "1",
            "--inputs", std::to_string(m_ports), "--outputs", std::to_string(m_ports)});
        m_simPort = PortOf(*m_sim, R"(^listening on 127\.0\.0\.1:(\d+)$)");
    }
    int SimPort() const { return m_simPort; }

private:
    // launcher: words before the hub's own command line (prlimit, say).
    void StartHub(const std::vector<std::string>& hubExtra,
                  const std::vector<std::string>& launcher = {}) {
        std::vector<std::string> args{VANTEL_HUB_EXE,
                                      "--listen",
                                      "127.0.0.1:0",
                                      "--text-listen",
                                      "127.0.0.1:0",
                                      "--device",
                                      "127.0.0.1:" + std::to_string(m_simPort),
                                      "--config",
                                      m_settings,
                                      "--refresh",
                                      "50",
                                      "--no-announce"};
        // A device command's time-out of 300 ms unless the test names its own.
        if (std::find(hubExtra.begin(), hubExtra.end(), "--timeout") == hubExtra.end()) {
            args.insert(args.end(), {"--timeout", "300"});
        }
        args.insert(args.end(), hubExtra.begin(), hubExtra.end());
        args.insert(args.begin(), launcher.begin(), launcher.end());
        m_hub = std::make_unique<CChildProcess>(args);
        m_stationPort = PortOf(*m_hub, R"(^listening on 127\.0\.0\.1:(\d+)$)");
        m_textPort = PortOf(*m_hub, R"(^text listening on 127\.0\.0\.1:(\d+)$)");
        if (std::find(hubExtra.begin(), hubExtra.end(), "--swp08-listen") != hubExtra.end()) {
            m_swp08Port = PortOf(*m_hub, R"(^swp08 listening on 127\.0\.0\.1:(\d+)$)");
        }
        if (std::find(hubExtra.begin(), hubExtra.end(), "--ember-listen") != hubExtra.end()) {
            m_emberPort = PortOf(*m_hub, R"(^ember listening on 127\.0\.0\.1:(\d+)$)");
        }
    }

    void StopHub() {
        if (m_hub) {
            m_hub->Signal(SIGTERM);
            EXPECT_EQ(m_hub->Wait(ms(5000)), 0) << m_hub->Err();
            m_hub.reset();
        }
    }

    static int PortOf(CChildProcess& process, const char* pattern) {
        const std::regex re(pattern);
        const auto line = process.ReadLine(ms(10000));
        std::smatch m;
        if (!line || !std::regex_match(*line, m, re)) {
            return 0;
        }
        return std::stoi(m[1]);
    }

    int m_ports = 4;
    test::TempDir m_dir;
    std::string m_settings;
    std::unique_ptr<CChildProcess> m_sim;
    std::unique_ptr<CChildProcess> m_hub;
    int m_simPort = 0;
    int m_stationPort = 0;
    int m_textPort = 0;
    int m_swp08Port = 0;
    int m_emberPort = 0;
};

}  // namespace vantel
