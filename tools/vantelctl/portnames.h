#pragma once
// CPortNames: turns the input and output names of the command line into port indexes. A name
// is a decimal number counted from 1, as the operator sees the buttons, or a button label of
// section "BUTTON" of the settings file ("3000" + k for input k, "2500" + j for output j) that
// matches the text exactly. A number always means itself, even where a label reads the same.

#include <string>
#include <vector>

#include "settings/buttonlabel.h"

namespace vantel {

enum class PortKind { kInput, kOutput };

class CPortNames {
public:
    // The switch grid has this many buttons of each kind; no port beyond them has a label.
    static constexpr int kMaxButtons = kMaxLabelButtons;

    explicit CPortNames(std::string settingsPath) : m_settingsPath(std::move(settingsPath)) {}

    // The 0-based index of the port that text names (-1 for the number 0). A label that
    // matches no button or several is a usage error (CCtlError).
    int Resolve(PortKind kind, const std::string& text) const;
    // A usage error naming the valid range unless index is below count; text is the name
    // that gave the index.
    static void RequireInRange(PortKind kind, const std::string& text, int index, int count);

private:
    // The index of the only button whose label is text; a usage error for none or several.
    int FindLabel(PortKind kind, const std::string& text) const;

    // The labels of one kind of button, read from the settings file on first use.
    const std::vector<std::string>& Labels(PortKind kind) const;

    std::string m_settingsPath;
    mutable std::vector<std::string> m_labels[2];
};

}  // namespace vantel
