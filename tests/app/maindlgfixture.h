#pragma once
// A main window under test: a temporary application directory, recorded error boxes, and a
// link whose transports reach an in-process device model instead of a port.

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <iterator>

#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/vantel.h"
#include "app/vanteldlg.h"
#include "device/deviceport.h"
#include "device/switcher.h"
#include "link/memorytransport.h"
#include "link/stateimage.h"
#include "pages/pageviewdlg.h"
#include "support/guitest.h"

namespace vantel::test {

// The ports a link asked to open, and whether they open: what every in-memory device of these
// tests shares. An opened port is a transport whose bytes go to `serve`.
class PortRecorder {
public:
    CVexaLib::TransportFactory Factory(MemoryTransport::Peer serve) {
        return [this,
                serve = std::move(serve)](const std::string& port) -> std::unique_ptr<ITransport> {
            std::lock_guard lock(m_mutex);
            m_opened.push_back(port);
            if (!m_bReachable) {
                return nullptr;
            }
            return std::make_unique<MemoryTransport>(serve);
        };
    }
    void SetReachable(bool reachable) {
        std::lock_guard lock(m_mutex);
        m_bReachable = reachable;
    }
    std::vector<std::string> Opened() {
        std::lock_guard lock(m_mutex);
        return m_opened;
    }

private:
    std::mutex m_mutex;
    bool m_bReachable = true;
    std::vector<std::string> m_opened;
};

// The device model behind every transport the link opens. Reachable or not; answering or
// silent (takes requests and never replies).
class SimulatedDevice {
public:
    CVexaLib::TransportFactory Factory() {
        return m_ports.Factory(
            [this](const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& reply) {
                std::lock_guard peer(m_mutex);
                ++m_nRequests;
                if (!m_bSilent) {
                    m_port.Feed(data, size, reply);
                }
            });
    }

    void SetReachable(bool reachable) { m_ports.SetReachable(reachable); }
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
    std::vector<std::string> Opened() { return m_ports.Opened(); }
    int Requests() {
        std::lock_guard lock(m_mutex);
        return m_nRequests;
    }

private:
    PortRecorder m_ports;
    std::mutex m_mutex;
    CSwitcher m_device{8, 8};
    CDevicePort m_port{m_device};
    bool m_bSilent = false;
    int m_nRequests = 0;
};

// The rows of the SAVE / VIEW page's routing list, as the device's image would list them.
inline std::vector<CStateImage::ListRow> ListedRows(const CVantelDlg& dlg) {
    const QTableWidget& list = *dlg.m_pageView.m_list;
    std::vector<CStateImage::ListRow> rows;
    for (int r = 0; r < list.rowCount(); ++r) {
        const auto text = [&](int c) {
            return list.item(r, c) ? list.item(r, c)->text().toStdString() : std::string();
        };
        rows.push_back({text(1), text(2)});
    }
    return rows;
}

// Waits until the window has built its pages, which it does right after its first paint.
inline bool AllPagesBuilt(CVantelDlg& dlg) {
    const CResizableDlg* pages[] = {&dlg.m_pageLoad, &dlg.m_pageSwitch, &dlg.m_pageView,
                                    &dlg.m_pageSetup, &dlg.m_pageSalvo};
    return QTest::qWaitFor([&pages] {
        return std::all_of(std::begin(pages), std::end(pages),
                           [](const CResizableDlg* page) { return page->IsCreated(); });
    });
}

// The window's surroundings: its application directory and the error boxes it shows. Each
// test starts as a fresh process would, with no image seen yet; the window goes first at the
// end, before anything it talks to.
class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { QStandardPaths::setTestModeEnabled(true); }

    void SetUp() override {
        ASSERT_TRUE(app.IsValid());
        g_strAppPath = app.Path();
        g_LastImage.fill(0);
    }
    void TearDown() override {
        dlg.reset();
        g_strAppPath.clear();
    }

    // Builds and shows the main window; a factory, when given, takes the place of the link's
    // own transports.
    CVantelDlg& ShowMainWindow(CVexaLib::TransportFactory factory = nullptr) {
        dlg = std::make_unique<CVantelDlg>();
        if (factory) {
            dlg->m_link.SetTransportFactory(std::move(factory));
        }
        dlg->Create();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        EXPECT_TRUE(AllPagesBuilt(*dlg));
        return *dlg;
    }

    void WriteIni(const char* text) { ASSERT_TRUE(app.WriteIni(text)); }

    TempAppDir app;
    ErrorBoxRecorder errors;
    std::unique_ptr<CVantelDlg> dlg;
};

// The main window on the in-memory device model.
class MainDlgTest : public MainWindowTest {
protected:
    // The window goes before the device it talks to, which the base would outlive.
    ~MainDlgTest() override { dlg.reset(); }

    CVantelDlg& Start() { return ShowMainWindow(sim.Factory()); }

    SimulatedDevice sim;
};

}  // namespace vantel::test
