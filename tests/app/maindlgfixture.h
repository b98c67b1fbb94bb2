#pragma once
// A main window under test: a temporary application directory, recorded error boxes, and a
// link whose transports reach an in-process device model instead of a port.

#include <gtest/gtest.h>

#include <initializer_list>

#include <QStandardPaths>
#include <QTest>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/vantel.h"
#include "app/vanteldlg.h"
#include "device/deviceport.h"
#include "device/switcher.h"
#include "link/memorytransport.h"
#include "support/guitest.h"

namespace vantel::test {

// The device model behind every transport the link opens. Reachable or not; answering or
// silent (takes requests and never replies).
class SimulatedDevice {
public:
    CVexaLib::TransportFactory Factory() {
        return [this](const std::string& port) -> std::unique_ptr<ITransport> {
            std::lock_guard lock(m_mutex);
            m_opened.push_back(port);
            if (!m_bReachable) {
                return nullptr;
            }
            return std::make_unique<MemoryTransport>([this](const std::uint8_t* data,
                                                            std::size_t size,
                                                            std::vector<std::uint8_t>& reply) {
                std::lock_guard peer(m_mutex);
                ++m_nRequests;
                if (!m_bSilent) {
                    m_port.Feed(data, size, reply);
                }
            });
        };
    }

    void SetReachable(bool reachable) {
        std::lock_guard lock(m_mutex);
        m_bReachable = reachable;
    }
    void SetSilent(bool silent) {
        std::lock_guard lock(m_mutex);
        m_bSilent = silent;
    }
    // Routes input index `input` to exactly the output indexes `outputs` on the device.
    void Route(int input, std::initializer_list<int> outputs) {
        std::lock_guard lock(m_mutex);
        std::vector<std::uint8_t> payload = {static_cast<std::uint8_t>(input)};
        for (int output : outputs) {
            payload.push_back(static_cast<std::uint8_t>(m_device.Inputs() + output));
        }
        m_device.Handle(12, payload);
    }
    CSwitcher::Image LiveImage() {
        std::lock_guard lock(m_mutex);
        return m_device.StateImage(0);
    }
    std::vector<std::string> Opened() {
        std::lock_guard lock(m_mutex);
        return m_opened;
    }
    int Requests() {
        std::lock_guard lock(m_mutex);
        return m_nRequests;
    }

private:
    std::mutex m_mutex;
    CSwitcher m_device{8, 8};
    CDevicePort m_port{m_device};
    bool m_bReachable = true;
    bool m_bSilent = false;
    int m_nRequests = 0;
    std::vector<std::string> m_opened;
};

class MainDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { QStandardPaths::setTestModeEnabled(true); }

    void SetUp() override {
        ASSERT_TRUE(app.IsValid());
        g_strAppPath = app.Path();
        // Each test starts from a fresh process's cache.
        g_LastImage.fill(0);
    }
    void TearDown() override {
        dlg.reset();
        g_strAppPath.clear();
    }

    // Builds and shows the main window, its link going to the simulated device.
    CVantelDlg& Start() {
        dlg = std::make_unique<CVantelDlg>();
        dlg->m_link.SetTransportFactory(sim.Factory());
        dlg->Create();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        return *dlg;
    }

    void WriteIni(const char* text) { ASSERT_TRUE(app.WriteIni(text)); }

    TempAppDir app;
    ErrorBoxRecorder errors;
    SimulatedDevice sim;
    std::unique_ptr<CVantelDlg> dlg;  // last: goes before the device it talks to
};

}  // namespace vantel::test
