// Soak of the main window: the real CVantelDlg offscreen against a healthy vantel-sim on
// loopback. For SOAK_SECONDS (60 by default) the GUI thread presses the pages' controls in a
// random mix: switch (input, outputs, "OK"), SAVE / VIEW (scene, "SAVE"), LOAD (scene with its
// preview, "LOAD") and SET ("load", then "save" with the loaded values), while the status
// monitor polls in its worker. A model of the device follows every action; after each one the
// device, read through a link of its own, must equal the model, and every few seconds the
// SAVE / VIEW list and the switch page's image must follow it within one poll. No error box may
// appear, no frame may be dropped on the window's link, and the resident memory at the end may
// lie at most kRssToleranceKiB above the figure taken after the first minute (a sixth of
// shorter runs). Prints its figures.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QTabBar>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/maindlgfixture.h"
#include "appearance/skintabctrl.h"
#include "controls/rxbutton.h"
#include "device/simprocess.h"
#include "device/switcher.h"
#include "faults/stallprobe.h"
#include "link/stateimage.h"
#include "link/vexalib.h"
#include "soak/processmemory.h"
#include "soak/soakclock.h"
#include "support/guitest.h"

namespace vantel::test {
namespace {

using Clock = std::chrono::steady_clock;
using Rows = std::vector<CStateImage::ListRow>;
using namespace std::chrono_literals;

constexpr int kTabLoad = 0;
constexpr int kTabSwitch = 1;
constexpr int kTabSaveView = 2;
constexpr int kTabSet = 3;
constexpr int kGreen = 1;
// One poll period of the status monitor, with room for a loaded machine.
constexpr int kOnePollMs = 8000;
// How often the mix pauses until the pages show the device's routing.
constexpr auto kListCheckEvery = 5s;
// The end's resident memory may lie this much above the first figure (allocator bookkeeping
// and Qt's caches settle in steps of a few pages).
constexpr std::uint64_t kRssToleranceKiB = 4096;
// The GUI thread serves its events between actions; a gap this long means it hung.
constexpr qint64 kStallLimitMs = 10000;
constexpr int kLinkTimeoutMs = 500;

// The device read through a link of its own, beside the window's.
class DeviceReader {
public:
    bool Open(unsigned short port) {
        return m_link.Open(("127.0.0.1:" + std::to_string(port)).c_str()) != 0;
    }
    std::optional<CSwitcher::Image> Image(int scene) {
        std::vector<std::uint8_t> buf(CVexaLib::kDefaultBufferSize);
        buf[0] = static_cast<std::uint8_t>(scene);
        if (m_link.Command(7, buf.data(), buf.size(), 1, kLinkTimeoutMs) != kVexaOk) {
            return std::nullopt;
        }
        CSwitcher::Image image;
        std::copy_n(buf.begin() + 1, image.size(), image.begin());
        return image;
    }
    std::optional<CSwitcher::SetupBlock> Setup() {
        std::vector<std::uint8_t> buf(CVexaLib::kDefaultBufferSize);
        if (m_link.Command(5, buf.data(), buf.size(), 0, kLinkTimeoutMs) != kVexaOk) {
            return std::nullopt;
        }
        CSwitcher::SetupBlock block;
        std::copy_n(buf.begin(), block.size(), block.begin());
        return block;
    }

private:
    CVexaLib m_link;
};

struct Tally {
    long switches = 0;
    long saves = 0;
    long loads = 0;
    long setups = 0;
    long deviceChecks = 0;
    long listChecks = 0;
    long handedOver = 0;
};

class GuiSoak : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(m_sim.Start({"--listen", "127.0.0.1:0"}));
        const unsigned short port = m_sim.TcpPort();
        ASSERT_NE(port, 0) << m_sim.Stderr();
        ASSERT_TRUE(m_device.Open(port));
        ASSERT_TRUE(app.WriteIni(QByteArray("[setup]\nmode=1\nip=127.0.0.1\nport=") +
                                 QByteArray::number(port) + "\n"));
        ShowMainWindow();
        ASSERT_TRUE(errors.Calls().empty()) << "the port did not open";
        QObject::connect(dlg.get(), &CVantelDlg::imageHandedOver, [this] { ++m_tally.handedOver; });
        ASSERT_TRUE(QTest::qWaitFor(
            [this] {
                return dlg->m_ledStatus.GetColor() == kGreen &&
                       dlg->m_pageSwitch.m_image[0] == 0xAA;
            },
            kOnePollMs));
    }
    void TearDown() override {
        m_probe.Stop();
        MainWindowTest::TearDown();
    }

    // Records a fault; the mix stops at the first one, since the model no longer follows.
    void Fault(const std::string& what) {
        if (m_fault.empty()) {
            m_fault = what;
        }
    }

    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_random); }

    void ShowTab(int index) {
        QTabBar* bar = dlg->m_tab->TabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    // Clicks control id of page; a control that is missing, hidden or disabled is a fault,
    // since the click would do nothing.
    bool Press(QWidget& page, int id) {
        auto* button = FindById<QAbstractButton>(&page, id);
        if (button == nullptr || !button->isVisible() || !button->isEnabled()) {
            Fault("control " + std::to_string(id) + " cannot be pressed");
            return false;
        }
        QTest::mouseClick(button, Qt::LeftButton);
        return true;
    }
    static bool ActionReady(CPageViewDlg& page) {
        const auto* action = FindById<QAbstractButton>(&page, CPageViewDlg::IDC_ACTION);
        // Relative to the page: a page is disabled until its tab is first shown.
        return action != nullptr && action->isEnabledTo(&page);
    }

    // Switch page: an input, some outputs (now and then after "ALL" or "clear"), "OK".
    void SwitchStep() {
        CPageSwitchDlg& page = dlg->m_pageSwitch;
        ShowTab(kTabSwitch);
        const int inputs = m_model.Inputs();
        const int outputs = m_model.Outputs();
        const int input = Uniform(0, inputs - 1);
        if (!Press(page, CPageSwitchDlg::IDC_TX_FIRST + input)) {
            return;
        }
        if (const int pick = Uniform(0, 9); pick < 2) {
            Press(page, pick == 0 ? CPageSwitchDlg::IDC_ALL : CPageSwitchDlg::IDC_CLEAR);
        }
        for (int j = 0; j < outputs; ++j) {
            if (Uniform(0, 2) == 0) {
                Press(page, CPageSwitchDlg::IDC_RX_FIRST + j);
            }
        }
        std::vector<std::uint8_t> payload{static_cast<std::uint8_t>(input)};
        for (int j = 0; j < outputs; ++j) {
            if (page.m_pRxButtons[static_cast<std::size_t>(j)]->isChecked()) {
                payload.push_back(static_cast<std::uint8_t>(inputs + j));
            }
        }
        if (Press(page, CPageSwitchDlg::IDC_OK)) {
            m_model.Handle(12, payload);
            ++m_tally.switches;
        }
    }

    // Selects scene n on a scene page; false (a fault) when the page did not take it.
    bool PickScene(CPageViewDlg& page, int tab, int scene) {
        ShowTab(tab);
        if (!Press(page, CPageViewDlg::IDC_SCENE_FIRST + scene)) {
            return false;
        }
        if (page.m_nScene != scene) {
            Fault("scene " + std::to_string(scene) + " not selected");
            return false;
        }
        return true;
    }

    // SAVE / VIEW: the live routing stored as scene n.
    void SaveStep(int scene) {
        CPageViewDlg& page = dlg->m_pageView;
        if (PickScene(page, kTabSaveView, scene) && Press(page, CPageViewDlg::IDC_ACTION)) {
            m_model.Handle(9, std::vector<std::uint8_t>{static_cast<std::uint8_t>(scene), 0});
            ++m_tally.saves;
        }
    }

    // LOAD: scene n previewed (the preview must show the stored scene), then recalled.
    void LoadStep(int scene) {
        CPageViewDlg& page = dlg->m_pageLoad;
        if (!PickScene(page, kTabLoad, scene)) {
            return;
        }
        if (CStateImage(page.m_image).RoutingList() !=
            CStateImage(m_model.StateImage(scene)).RoutingList()) {
            Fault("the preview of scene " + std::to_string(scene) + " differs from the device's");
            return;
        }
        if (Press(page, CPageViewDlg::IDC_ACTION)) {
            m_model.Handle(8, std::vector<std::uint8_t>{0, static_cast<std::uint8_t>(scene)});
            ++m_tally.loads;
        }
    }

    // SET: "load" must bring the device's block; "save" writes it back unchanged.
    void SetupStep() {
        CPageSetupDlg& page = dlg->m_pageSetup;
        ShowTab(kTabSet);
        if (!Press(page, CPageSetupDlg::IDC_LOAD)) {
            return;
        }
        const std::uint8_t* loaded = page.m_setupBlock.Data();
        if (!std::equal(m_model.Setup().begin(), m_model.Setup().end(), loaded)) {
            Fault("\"load\" did not bring the device's setup block");
            return;
        }
        if (Press(page, CPageSetupDlg::IDC_SAVE)) {
            m_model.Handle(
                6, std::span<const std::uint8_t>(page.m_setupBlock.Data(), CSwitcher::kSetupSize));
            ++m_tally.setups;
        }
    }

    // One action of the mix; while a scene page holds its button the switch page is used.
    void Step() {
        const int pick = Uniform(0, 99);
        const int scene = Uniform(1, CSwitcher::kSceneCount);
        if (pick < 25 && ActionReady(dlg->m_pageView)) {
            SaveStep(scene);
            CheckDevice(scene);
        } else if (pick >= 25 && pick < 50 && ActionReady(dlg->m_pageLoad)) {
            LoadStep(scene);
            CheckDevice(0);
        } else if (pick >= 50 && pick < 65) {
            SetupStep();
            CheckDevice(0);
            CheckSetup();
        } else {
            SwitchStep();
            CheckDevice(0);
        }
        if (!errors.Calls().empty()) {
            Fault("error box: " + errors.LastText().toStdString());
        }
        if (dlg->m_link.GetDroppedCount() != 0) {
            Fault("a frame was dropped on the window's link");
        }
    }

    // The device's live routing, and stored scene n, equal the model's.
    void CheckDevice(int scene) {
        for (int s : {0, scene}) {
            ++m_tally.deviceChecks;
            const auto image = m_device.Image(s);
            if (!image) {
                Fault("the device did not answer the check");
            } else if (*image != m_model.StateImage(s)) {
                Fault("scene " + std::to_string(s) + " on the device differs from the model");
            }
        }
    }
    void CheckSetup() {
        ++m_tally.deviceChecks;
        if (m_device.Setup() != m_model.Setup()) {
            Fault("the setup block on the device differs from the model");
        }
    }

    // The SAVE / VIEW list and the switch page's image follow the device within one poll.
    void CheckPagesFollow() {
        ++m_tally.listChecks;
        const CSwitcher::Image live = m_model.StateImage(0);
        const Rows rows = CStateImage(live).RoutingList();
        const bool followed = QTest::qWaitFor(
            [&] {
                return ListedRows(*dlg) == rows &&
                       std::equal(live.begin(), live.end(), dlg->m_pageSwitch.m_image.begin());
            },
            kOnePollMs);
        if (!followed) {
            Fault("the pages did not follow the device's routing within one poll");
        }
    }

    SimProcess m_sim;
    DeviceReader m_device;
    StallProbe m_probe;
    CSwitcher m_model{8, 8};
    std::mt19937 m_random{20261210};
    Tally m_tally;
    std::string m_fault;
};

void PrintFigure(const char* name, long long value, const char* unit = "") {
    std::printf("%s: %lld%s%s\n", name, value, *unit ? " " : "", unit);
}

TEST_F(GuiSoak, PagesDrivenWhileTheMonitorPolls) {
    const SoakClock clock = SoakClock::FromEnvironment();
    m_probe.Start();
    const auto start = Clock::now();
    auto nextListCheck = start + kListCheckEvery;
    std::uint64_t rssFirst = 0;
    while (Clock::now() - start < clock.total && m_fault.empty()) {
        Step();
        QTest::qWait(Uniform(5, 40));
        if (Clock::now() >= nextListCheck) {
            CheckPagesFollow();
            nextListCheck = Clock::now() + kListCheckEvery;
        }
        if (rssFirst == 0 && Clock::now() - start >= clock.firstMark) {
            rssFirst = ResidentKiB();
        }
    }
    if (m_fault.empty()) {
        CheckPagesFollow();
    }
    const std::uint64_t rssEnd = ResidentKiB();
    m_probe.Stop();

    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start);
    PrintFigure("gui_soak_seconds", seconds.count(), "s");
    PrintFigure("gui_soak_switch_ok", m_tally.switches);
    PrintFigure("gui_soak_scene_saves", m_tally.saves);
    PrintFigure("gui_soak_scene_loads", m_tally.loads);
    PrintFigure("gui_soak_setup_load_save", m_tally.setups);
    PrintFigure("gui_soak_device_checks", m_tally.deviceChecks);
    PrintFigure("gui_soak_list_checks", m_tally.listChecks);
    PrintFigure("gui_soak_images_handed_over", m_tally.handedOver);
    PrintFigure("gui_soak_error_boxes", errors.Count());
    PrintFigure("gui_soak_link_sent", dlg->m_link.GetSendCount());
    PrintFigure("gui_soak_link_received", dlg->m_link.GetRecvCount());
    PrintFigure("gui_soak_link_dropped", dlg->m_link.GetDroppedCount());
    PrintFigure("gui_soak_longest_gui_stall_ms", m_probe.MaxGapMs(), "ms");
    PrintFigure("gui_soak_rss_first_kib", static_cast<long long>(rssFirst), "KiB");
    PrintFigure("gui_soak_rss_end_kib", static_cast<long long>(rssEnd), "KiB");
    PrintFigure("gui_soak_rss_tolerance_kib", static_cast<long long>(kRssToleranceKiB), "KiB");
    std::fflush(stdout);

    EXPECT_TRUE(errors.Calls().empty()) << errors.Texts().join(" | ").toStdString();
    EXPECT_EQ(dlg->m_link.GetDroppedCount(), 0) << "a reply was taken for another command";
    // The mix stops at the first fault; the counts below tell nothing after one.
    ASSERT_EQ(m_fault, "");
    EXPECT_EQ(dlg->m_ledStatus.GetColor(), kGreen);
    EXPECT_GT(m_tally.switches, 0);
    EXPECT_GT(m_tally.saves, 0);
    EXPECT_GT(m_tally.loads, 0);
    EXPECT_GT(m_tally.setups, 0);
    EXPECT_GT(m_tally.handedOver, 0) << "the monitor handed over no image";
    EXPECT_LE(m_probe.MaxGapMs(), kStallLimitMs) << "the GUI thread was held";
    ASSERT_NE(rssFirst, 0u);
    EXPECT_LE(rssEnd, rssFirst + kRssToleranceKiB);
}

}  // namespace
}  // namespace vantel::test
