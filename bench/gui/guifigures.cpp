#include "guifigures.h"

std::vector<GuiFigure>& GuiFigures() {
    static std::vector<GuiFigure> figures;
    return figures;
}

void RunGuiFigures() {
    for (const GuiFigure& figure : GuiFigures()) {
        figure.run();
    }
}
