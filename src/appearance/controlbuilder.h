#pragma once
// The standard widget of each control kind of a dialog template.

#include <QString>

#include "res/dlgtemplate.h"

class QWidget;

namespace vantel {

// A new widget for the control, child of parent, with the settings its style asks for;
// geometry, id, visibility and grouping are the caller's. dlgId picks the initial entries
// of drop-down lists.
QWidget* CreateStandardControl(const CtlTemplate& ctl, int dlgId, QWidget* parent);

// The caption as people read it: mnemonic ampersands removed, "&&" kept as one "&".
QString PlainCaption(const QString& caption);

}  // namespace vantel
