#pragma once
// The switch page under test: the main window against the device model in memory (every
// request logged), state images made to measure, and helpers that press the page's controls.

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSlider>
#include <array>
#include <initializer_list>
#include <vector>

#include "controls/rxbutton.h"
#include "controls/setnewdlg.h"
#include "controls/txbutton.h"
#include "pages/pageswitchdlg.h"
#include "pageviewfixture.h"

namespace vantel::test {

using SwitchImage = std::array<unsigned char, CPageSwitchDlg::kImageSize>;

// A valid image of M inputs and N outputs; sources[j] is output j's slot (further outputs 0).
inline SwitchImage MakeImage(int M, int N, std::initializer_list<int> sources = {}) {
    SwitchImage image{};
    image[0] = 0xAA;
    image[1] = 0x55;
    image[2] = 0x90;
    image[3] = 0xEB;
    image[4] = static_cast<unsigned char>(M + N);
    image[5] = static_cast<unsigned char>(M);
    image[6] = static_cast<unsigned char>(N);
    for (int k = 0; k < M && 7 + k < static_cast<int>(image.size()); ++k) {
        image[static_cast<std::size_t>(7 + k)] = static_cast<unsigned char>(k + 1);
    }
    int j = 0;
    for (int source : sources) {
        image[static_cast<std::size_t>(7 + M + j++)] = static_cast<unsigned char>(source);
    }
    return image;
}

// Serves events until done() holds or ms pass; returns done().
template <class Done>
bool WaitFor(Done done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

class SwitchPageTest : public PageViewTest {
protected:
    static constexpr int kTabSwitch = 1;
    static constexpr const char* kDeviceIni = "[setup]\nmode=1\nip=127.0.0.1\n";

    CPageSwitchDlg& Page() { return dlg->m_pageSwitch; }

    // The main window on the device model with the switch tab shown, once the page holds the
    // device's first image (8 x 8, each output fed by the input of its number). A new run: the
    // status monitor's cache starts empty. ini null: the present setup.ini, or a connection to
    // the device model when there is none.
    CPageSwitchDlg& StartOnline(const char* ini = nullptr) {
        const QByteArray present = app.ReadIni();
        if (ini == nullptr) {
            ini = present.isEmpty() ? kDeviceIni : present.constData();
        }
        g_LastImage.fill(0);
        StartRecorded(ini);
        ShowTab(kTabSwitch);
        EXPECT_TRUE(WaitFor([this] { return Page().m_image[0] == 0xAA; }, kPollMs));
        return Page();
    }
    // Ends the main window and starts a new one on the same setup.ini, as a new run would.
    CPageSwitchDlg& Restart() {
        dlg.reset();
        return StartOnline();
    }
    // The main window without a device: no image ever arrives; the open failure is forgotten.
    CPageSwitchDlg& StartOffline(const char* ini = kDeviceIni) {
        sim.SetReachable(false);
        StartRecorded(ini);
        errors.Clear();
        ShowTab(kTabSwitch);
        return Page();
    }

    void Press(int id) { QTest::mouseClick(Page().Item<QAbstractButton>(id), Qt::LeftButton); }
    void ClickInput(int k) { Press(CPageSwitchDlg::IDC_TX_FIRST + k); }
    void ClickOutput(int j) { Press(CPageSwitchDlg::IDC_RX_FIRST + j); }

    // The outputs among the first n whose buttons are ticked.
    std::vector<int> Ticked(int n = CPageSwitchDlg::kButtonCount) {
        std::vector<int> ticked;
        for (int j = 0; j < n; ++j) {
            if (Page().m_pRxButtons[j]->isChecked()) {
                ticked.push_back(j);
            }
        }
        return ticked;
    }

    // The payloads of the switch commands sent, oldest first.
    std::vector<std::vector<std::uint8_t>> SwitchPayloads() {
        std::vector<std::vector<std::uint8_t>> payloads;
        for (const RequestLog::Request& r : log.Of(12)) {
            payloads.push_back(r.payload);
        }
        return payloads;
    }

    // Double-clicks label button id and answers the name entry dialog: types text and saves,
    // or cancels. Returns once the dialog has ended.
    void Rename(int id, const QString& text, bool save) {
        bool answered = false;
        AnswerNextModal([&](QWidget* modal) {
            FindById<QLineEdit>(modal, SetNewDlg::IDC_NEW_NAME)->setText(text);
            const int button = save ? SetNewDlg::IDC_SAVE : SetNewDlg::IDC_CANCEL;
            QTest::mouseClick(FindById<QAbstractButton>(modal, button), Qt::LeftButton);
            answered = true;
        });
        QTest::mouseDClick(Page().Item<QAbstractButton>(id), Qt::LeftButton);
        EXPECT_TRUE(WaitFor(
            [&] { return answered && QApplication::activeModalWidget() == nullptr; }, 5000));
        QCoreApplication::processEvents();
    }

    // The stored value of a key, as the application reads it.
    std::string Stored(const char* key, const char* section) {
        CIniFile ini(app.IniPath().toStdString());
        return ini.GetString(key, section, "<none>");
    }
};

}  // namespace vantel::test
