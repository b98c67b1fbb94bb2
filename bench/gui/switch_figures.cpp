// Figures of the switch page with a full 72 x 72 image, offscreen.
//
//   arrange_ms        one ArrangeButtons of 72 + 72 buttons, the grid alternating between
//                     12 and 13 columns so that every button moves; median over the rounds
//   select_input_ms   one click on an input button, alternating two inputs that feed
//                     different halves of the 72 outputs, so every output's tick changes; median

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <vector>

#include "controls/txbutton.h"
#include "guifigures.h"
#include "pages/pageswitchdlg.h"

namespace {

constexpr int kPorts = 72;
constexpr int kRounds = 200;

// Outputs 0..35 fed by input 0, 36..71 by input 1.
std::array<unsigned char, CPageSwitchDlg::kImageSize> FullImage() {
    std::array<unsigned char, CPageSwitchDlg::kImageSize> image{};
    const unsigned char mark[] = {0xAA, 0x55, 0x90, 0xEB};
    std::copy(std::begin(mark), std::end(mark), image.begin());
    image[4] = kPorts * 2;
    image[5] = kPorts;
    image[6] = kPorts;
    for (int k = 0; k < kPorts; ++k) {
        image[static_cast<std::size_t>(7 + k)] = static_cast<unsigned char>(k + 1);
    }
    for (int j = 0; j < kPorts; ++j) {
        image[static_cast<std::size_t>(7 + kPorts + j)] = j < kPorts / 2 ? 1 : 2;
    }
    return image;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds of each of kRounds calls of step(i); posted events are served between rounds,
// outside the measured time.
std::vector<double> Measure(const std::function<void(int)>& step) {
    std::vector<double> ms;
    ms.reserve(kRounds);
    QElapsedTimer clock;
    for (int i = 0; i < kRounds; ++i) {
        clock.start();
        step(i);
        ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        QCoreApplication::processEvents();
    }
    return ms;
}

void SwitchFigures() {
    // A page without an owner: no link and no settings file, the grid and names by default.
    {
        QWidget parent;
        CPageSwitchDlg page;
        page.Create(&parent);
        parent.resize(page.size());
        page.setEnabled(true);
        page.show();
        parent.show();
        page.SetImage(FullImage().data());
        QCoreApplication::processEvents();

        const auto arrange = [&](int i) {
            page.m_nLine = 12 + i % 2;
            page.ArrangeButtons();
        };
        Measure(arrange);  // warm-up
        std::printf("arrange_ms: %.3f ms\n", Median(Measure(arrange)));

        const auto select = [&](int i) {
            static_cast<QAbstractButton*>(page.m_pTxButtons[static_cast<std::size_t>(i % 2)])
                ->click();
        };
        Measure(select);
        std::printf("select_input_ms: %.3f ms\n", Median(Measure(select)));
    }
}

}  // namespace

VANTEL_GUI_FIGURE(SwitchFigures);
