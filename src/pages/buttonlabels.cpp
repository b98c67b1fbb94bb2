#include "pages/buttonlabels.h"

#include "settings/buttonlabel.h"
#include "settings/inifile.h"

CButtonLabels::CButtonLabels(const std::string& settingsFile) {
    CIniFile ini(settingsFile);
    m_inputs =
        vantel::ReadButtonLabels(ini, vantel::ButtonKind::kInput, vantel::UnlabelledAs::kNumber);
    m_outputs =
        vantel::ReadButtonLabels(ini, vantel::ButtonKind::kOutput, vantel::UnlabelledAs::kNumber);
}

QString CButtonLabels::Output(int output) const {
    return Lookup(m_outputs, output);
}

QString CButtonLabels::Input(int input) const {
    return input == 0 ? QStringLiteral("none") : Lookup(m_inputs, input);
}

QString CButtonLabels::Lookup(const std::vector<std::string>& labels, int number) {
    if (number < 1 || number > static_cast<int>(labels.size())) {
        return QString::number(number);
    }
    const std::string& text = labels[static_cast<std::size_t>(number - 1)];
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
