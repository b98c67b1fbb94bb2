// Figures of the SET page against a minimal device in memory that keeps one setup block of 72
// inputs and 72 outputs, so the figures hold the page's own work (hiding and showing 144 label
// buttons, filling the fields, the checks) plus one in-process command each, no port between.
//
//   setup_load_ms   one "load": hide every label button, read the block, show it, median
//   setup_save_ms   one "save" of 48 and 48: check the fields, edit the block, write it, median

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "app/vantel.h"
#include "app/vanteldlg.h"
#include "guifigures.h"
#include "link/frame.h"
#include "link/mark.h"
#include "link/memorytransport.h"
#include "pages/pagesetupdlg.h"

namespace {

constexpr int kPorts = 72;
constexpr int kRounds = 100;

// Answers "read setup" with its block and takes "write setup"; refuses everything else (the
// status monitor's polls), which the page does not need.
class SetupPeer {
public:
    SetupPeer() {
        vantel::PutMark(m_block);
        m_block[35] = kPorts;
        m_block[36] = kPorts;
        m_block[37] = 1;
    }
    void Serve(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& reply) {
        std::lock_guard lock(m_mutex);
        m_decoder.Feed(data, size);
        while (std::optional<vantel::Frame> frame = m_decoder.Next()) {
            if (frame->cmd == 5) {
                vantel::AppendFrame(reply, frame->seq, 5, vantel::kStatusOk, m_block.data(),
                                    m_block.size());
            } else if (frame->cmd == 6 && frame->payload.size() == m_block.size()) {
                std::copy(frame->payload.begin(), frame->payload.end(), m_block.begin());
                vantel::AppendFrame(reply, frame->seq, 6, vantel::kStatusOk, nullptr, 0);
            } else {
                vantel::AppendFrame(reply, frame->seq, frame->cmd, vantel::kStatusUnknownCommand,
                                    nullptr, 0);
            }
        }
    }

private:
    std::mutex m_mutex;
    vantel::FrameDecoder m_decoder;
    std::array<std::uint8_t, 40> m_block{};
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <class Action>
double MedianMs(Action action) {
    std::vector<double> ms;
    ms.reserve(kRounds);
    QElapsedTimer clock;
    for (int i = 0; i < kRounds; ++i) {
        clock.start();
        action();
        ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        QCoreApplication::processEvents();
    }
    return Median(ms);
}

void SetupFigures() {
    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("setup.ini")));
    if (!dir.isValid() || !ini.open(QIODevice::WriteOnly) ||
        ini.write("[setup]\nmode=0\nserial=1\n") < 0) {
        std::printf("setup_figures: no temporary directory\n");
        return;
    }
    ini.close();
    g_strAppPath = dir.path();

    SetupPeer peer;
    auto dlg = std::make_unique<CVantelDlg>();
    dlg->m_link.SetTransportFactory([&](const std::string&) {
        return std::make_unique<vantel::MemoryTransport>(
            [&peer](const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& reply) {
                peer.Serve(data, size, reply);
            });
    });
    dlg->Create();
    dlg->CreateRemainingPages();  // the window builds them after its first paint otherwise
    QCoreApplication::processEvents();

    CPageSetupDlg& page = dlg->m_pageSetup;
    page.OnBnClickedLoad();  // warm-up, and a valid block for "save"
    std::printf("setup_load_ms: %.3f ms\n", MedianMs([&] { page.OnBnClickedLoad(); }));
    // The device may hold 72 of each, but "save" accepts at most 48.
    page.m_editInput->setText(QStringLiteral("48"));
    page.m_editOutput->setText(QStringLiteral("48"));
    std::printf("setup_save_ms: %.3f ms\n", MedianMs([&] { page.OnBnClickedSave(); }));
    dlg.reset();  // stops the monitor before the device goes
    g_strAppPath.clear();
}

}  // namespace

VANTEL_GUI_FIGURE(SetupFigures);
