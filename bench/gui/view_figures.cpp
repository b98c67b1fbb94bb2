// Figures of the scene page: rebuilding the routing list of a full 72 x 72 image.
//
//   show_image_ms          one ShowImage call (copy and list rebuild), median over the rounds
//   show_image_paint_ms    the same followed by the repaint it causes, median

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "guifigures.h"
#include "link/stateimage.h"
#include "pages/pageviewdlg.h"

namespace {

constexpr int kPorts = 72;
constexpr int kRounds = 200;

// Two full images that differ in every row, so each call changes the texts.
std::vector<CStateImage> Images() {
    std::vector<int> spread(kPorts);
    std::vector<int> reversed(kPorts);
    for (int j = 0; j < kPorts; ++j) {
        spread[j] = j % 9 == 0 ? -1 : (j * 5) % kPorts;
        reversed[j] = kPorts - 1 - j;
    }
    return {CStateImage::FromRoutes(kPorts, spread), CStateImage::FromRoutes(kPorts, reversed)};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds of each of kRounds calls of ShowImage, alternating the images; with paint,
// the posted repaint is served inside the measured time.
std::vector<double> Measure(CPageViewDlg& page, bool paint) {
    const std::vector<CStateImage> images = Images();
    std::vector<double> ms;
    ms.reserve(kRounds);
    QElapsedTimer clock;
    for (int i = 0; i < kRounds; ++i) {
        clock.start();
        page.ShowImage(images[static_cast<std::size_t>(i % 2)].Data());
        if (paint) {
            page.repaint();
            QCoreApplication::processEvents();
        }
        ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        if (!paint) {
            QCoreApplication::processEvents();
        }
    }
    return ms;
}

void ViewFigures() {
    QWidget parent;
    CPageViewDlg page;
    page.m_bLoadMode = 0;
    page.Create(&parent);
    parent.resize(page.size());
    page.setEnabled(true);
    page.show();
    parent.show();
    QCoreApplication::processEvents();
    Measure(page, false);  // warm-up: the list's items exist from here on
    std::printf("show_image_ms: %.3f ms\n", Median(Measure(page, false)));
    std::printf("show_image_paint_ms: %.3f ms\n", Median(Measure(page, true)));
}

}  // namespace

VANTEL_GUI_FIGURE(ViewFigures);
