#pragma once
// Figures of bench_gui measured by the pages' own files in bench/gui/. Each file defines a
// function that prints its `name: value unit` lines and registers it with
// VANTEL_GUI_FIGURE(function); bench_gui runs every registered figure after its own, with a
// QApplication on the offscreen platform already running.

#include <vector>

struct GuiFigure {
    const char* name;
    void (*run)();
};

std::vector<GuiFigure>& GuiFigures();
void RunGuiFigures();

#define VANTEL_GUI_FIGURE(fn) \
    static const bool fn##_registered = (GuiFigures().push_back({#fn, &fn}), true)
