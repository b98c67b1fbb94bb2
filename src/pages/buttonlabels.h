#pragma once
// CButtonLabels: the names of the switch page's label buttons, read once from the settings file
// (section "BUTTON"), for texts that name inputs and outputs as the operator sees them. A
// button without a stored name, or a number beyond the buttons, is named by its number.

#include <QString>
#include <string>
#include <vector>

class CButtonLabels {
public:
    explicit CButtonLabels(const std::string& settingsFile);

    // Output from 1.
    QString Output(int output) const;
    // Input from 1; "none" for input 0.
    QString Input(int input) const;

private:
    static QString Lookup(const std::vector<std::string>& labels, int number);

    std::vector<std::string> m_inputs;
    std::vector<std::string> m_outputs;
};
