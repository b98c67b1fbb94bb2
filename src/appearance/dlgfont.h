#pragma once
// The font of a dialog template and the dialog base units derived from it.

#include <QFont>
#include <QSize>

namespace vantel {

// The template's face at its point size. Faces missing on this system (the Chinese faces of
// the templates) fall back to an installed CJK font, so Chinese captions never show boxes.
QFont DialogFont(const char* face, int points);

// Pixels per 4 horizontal and per 8 vertical dialog units: the average width of the Latin
// letters of the font and its height.
QSize DialogBaseUnits(const QFont& font);

// a * b / c rounded to the nearest integer, halves away from zero; 0 when c is 0.
int MulDiv(int a, int b, int c);

}  // namespace vantel
