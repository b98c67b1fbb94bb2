#pragma once
// The floor of the main window's start-up: the same widget tree as the application's main
// window (its own controls, the five pages' controls, the switch page's 144 label buttons,
// the routing lists, the four lamps), built from the same templates in the same dialog fonts
// (the main window's, and each page's own, as the window lays them out), but with plain Qt
// widgets only: no skin, no settings file, no link.

class QDialog;

// Fills dialog with that tree and sizes it width x height (the template size when 0).
void BuildFloorWindow(QDialog& dialog, int width, int height);
