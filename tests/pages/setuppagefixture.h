#pragma once
// The setup page under test: the main window against a device model in memory whose answer to
// "read setup" a test can replace (blocks the model would never hold: no mark, counts above
// 72), which can leave chosen commands unanswered, and which keeps every block written to it.

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/maindlgfixture.h"
#include "appearance/skintabctrl.h"
#include "controls/ipaddressctrl.h"
#include "controls/rxbutton.h"
#include "controls/txbutton.h"
#include "device/deviceport.h"
#include "device/switcher.h"
#include "link/frame.h"
#include "link/memorytransport.h"
#include "pages/pagesetupdlg.h"
#include "pages/pageswitchdlg.h"

namespace vantel::test {

using Block = CSwitcher::SetupBlock;

class ScriptedSetupDevice {
public:
    CVexaLib::TransportFactory Factory() {
        return m_ports.Factory(
            [this](const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& reply) {
                Serve(data, size, reply);
            });
    }

    void SetReachable(bool reachable) { m_ports.SetReachable(reachable); }
    // Requests of this command get no reply from now on (or again one, with false).
    void SetSilent(std::uint8_t cmd, bool silent) { Mark(m_silent, cmd, silent); }
    // Requests of this command are refused from now on (or no longer, with false).
    void SetRefused(std::uint8_t cmd, bool refused) { Mark(m_refused, cmd, refused); }
    // "read setup" answers with these bytes instead of the model's block; nothing: the model.
    void ScriptSetupReply(std::optional<std::vector<std::uint8_t>> reply) {
        std::lock_guard lock(m_mutex);
        m_setupReply = std::move(reply);
    }
    // Gives the model this block, as a write from another client would.
    bool PutBlock(const Block& block) {
        std::lock_guard lock(m_mutex);
        return m_device.Handle(6, block).status == kStatusOk;
    }
    CSwitcher::Image LiveImage() {
        std::lock_guard lock(m_mutex);
        return m_device.StateImage(0);
    }
    Block DeviceBlock() {
        std::lock_guard lock(m_mutex);
        return m_device.Setup();
    }
    // The payloads of every "write setup" request, oldest first.
    std::vector<std::vector<std::uint8_t>> Writes() {
        std::lock_guard lock(m_mutex);
        return m_writes;
    }
    int Reads() {
        std::lock_guard lock(m_mutex);
        return m_nReads;
    }
    std::vector<std::string> Opened() { return m_ports.Opened(); }

private:
    void Mark(std::set<std::uint8_t>& commands, std::uint8_t cmd, bool on) {
        std::lock_guard lock(m_mutex);
        if (on) {
            commands.insert(cmd);
        } else {
            commands.erase(cmd);
        }
    }
    void Serve(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& reply) {
        std::lock_guard lock(m_mutex);
        m_decoder.Feed(data, size);
        while (std::optional<Frame> frame = m_decoder.Next()) {
            if (frame->cmd == 5) {
                ++m_nReads;
            } else if (frame->cmd == 6) {
                m_writes.push_back(frame->payload);
            }
            if (m_silent.count(frame->cmd) != 0) {
                continue;
            }
            if (m_refused.count(frame->cmd) != 0) {
                AppendFrame(reply, frame->seq, frame->cmd, kStatusOutOfRange, nullptr, 0);
                continue;
            }
            if (frame->cmd == 5 && m_setupReply) {
                AppendFrame(reply, frame->seq, frame->cmd, kStatusOk, m_setupReply->data(),
                            m_setupReply->size());
                continue;
            }
            const std::vector<std::uint8_t> request = EncodeFrame(*frame);
            m_port.Feed(request.data(), request.size(), reply);
        }
    }

    PortRecorder m_ports;
    std::mutex m_mutex;
    CSwitcher m_device{8, 8};
    CDevicePort m_port{m_device};
    FrameDecoder m_decoder;
    std::set<std::uint8_t> m_silent;
    std::set<std::uint8_t> m_refused;
    std::optional<std::vector<std::uint8_t>> m_setupReply;
    std::vector<std::vector<std::uint8_t>> m_writes;
    int m_nReads = 0;
};

class SetupPageTest : public MainWindowTest {
protected:
    // The window goes before the device it talks to, which the base would outlive.
    ~SetupPageTest() override { dlg.reset(); }

    static constexpr int kTabSet = 3;
    static constexpr int kButtons = CPageSwitchDlg::kButtonCount;

    // The main window on the scripted device, the SET tab in front and the window active (so
    // that focus can be checked). Errors of the start (a port that cannot be opened) are
    // cleared.
    CPageSetupDlg& StartPage(const char* ini = "[setup]\nmode=0\nserial=1\n") {
        return Launch(ini, device.Factory());
    }
    // The same with the link's own transports (TCP, serial): for the simulator process.
    CPageSetupDlg& StartOnRealPorts(const char* ini) { return Launch(ini, nullptr); }

    CPageSetupDlg& Launch(const char* ini, CVexaLib::TransportFactory factory) {
        if (ini != nullptr) {
            WriteIni(ini);
        }
        ShowMainWindow(std::move(factory));
        dlg->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        QTabBar* bar = dlg->m_tab->TabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(kTabSet).center());
        EXPECT_TRUE(page().isVisible());
        errors.Clear();
        return page();
    }

    CPageSetupDlg& page() { return dlg->m_pageSetup; }

    // The stored value of a key of section "setup", as the application reads it.
    std::string StoredSetup(const char* key) {
        CIniFile ini(app.IniPath().toStdString());
        return ini.GetString(key, "setup", "<none>");
    }

    void Click(int id) {
        auto* button = page().Item<QAbstractButton>(id);
        ASSERT_NE(button, nullptr) << id;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void Load() { Click(CPageSetupDlg::IDC_LOAD); }
    void Save() { Click(CPageSetupDlg::IDC_SAVE); }
    void SaveConnect() { Click(CPageSetupDlg::IDC_SAVE_CONNECT); }

    // Replaces the text of a field as typing would.
    static void Retype(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        edit->insert(text);
    }

    // Which label buttons of the switch page are not hidden, as a string of '1' and '0' per
    // button (inputs, then outputs), so a failure shows the whole picture.
    std::string ShownInputs() { return Shown(dlg->m_pageSwitch.m_pTxButtons); }
    std::string ShownOutputs() { return Shown(dlg->m_pageSwitch.m_pRxButtons); }
    static std::string FirstShown(int count) {
        const int n = std::clamp(count, 0, kButtons);
        return std::string(static_cast<std::size_t>(n), '1') +
               std::string(static_cast<std::size_t>(kButtons - n), '0');
    }
    void ShowAllLabelButtons() {
        for (int i = 0; i < kButtons; ++i) {
            dlg->m_pageSwitch.m_pTxButtons[static_cast<std::size_t>(i)]->show();
            dlg->m_pageSwitch.m_pRxButtons[static_cast<std::size_t>(i)]->show();
        }
    }

    // The texts of the SET group, for "nothing changed" checks.
    QStringList SetGroupTexts() {
        CPageSetupDlg& p = page();
        QStringList texts{p.m_editInput->text(), p.m_editOutput->text(), p.m_editBuzzer->text()};
        for (CIPAddressCtrl* ip : {p.m_ipAddress, p.m_ipMask, p.m_ipGateway}) {
            for (int i = 0; i < CIPAddressCtrl::kFields; ++i) {
                texts << ip->Field(i)->text();
            }
        }
        return texts;
    }

    ScriptedSetupDevice device;

private:
    template <class Buttons>
    static std::string Shown(const Buttons& buttons) {
        std::string shown;
        for (int i = 0; i < kButtons; ++i) {
            shown += buttons[static_cast<std::size_t>(i)]->isHidden() ? '0' : '1';
        }
        return shown;
    }
};

}  // namespace vantel::test
