#include "portnames.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "ctlerror.h"
#include "settings/buttonlabel.h"
#include "settings/inifile.h"

namespace vantel {

namespace {

const char* KindName(PortKind kind) {
    return kind == PortKind::kInput ? "input" : "output";
}

// The number a text of decimal digits only stands for, or nothing for any other text. A
// number too large for int reads as INT_MAX, so it is reported as out of range.
std::optional<int> PlainNumber(std::string_view text) {
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    int value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc{} ? value : std::numeric_limits<int>::max();
}

std::string RangeText(PortKind kind, int count) {
    if (count <= 0) {
        return std::string("the device reports no ") + KindName(kind) + "s";
    }
    return std::string("the device has ") + KindName(kind) + "s 1 to " + std::to_string(count);
}

}  // namespace

int CPortNames::Resolve(PortKind kind, const std::string& text) const {
    if (text.empty()) {
        throw CCtlError(CtlExit::kUsage, std::string("empty ") + KindName(kind) + " name");
    }
    const std::optional<int> number = PlainNumber(text);
    return number ? *number - 1 : FindLabel(kind, text);
}

void CPortNames::RequireInRange(PortKind kind, const std::string& text, int index, int count) {
    if (index >= 0 && index < count) {
        return;
    }
    const std::string shown =
        PlainNumber(text) ? text : "'" + text + "' (" + std::to_string(index + 1) + ")";
    throw CCtlError(CtlExit::kUsage, std::string(KindName(kind)) + " " + shown +
                                         " is out of range: " + RangeText(kind, count));
}

const std::vector<std::string>& CPortNames::Labels(PortKind kind) const {
    auto& labels = m_labels[kind == PortKind::kInput ? 0 : 1];
    if (labels.empty()) {
        CIniFile ini(m_settingsPath);
        const ButtonKind button =
            kind == PortKind::kInput ? ButtonKind::kInput : ButtonKind::kOutput;
        labels = ReadButtonLabels(ini, button, UnlabelledAs::kEmpty);
    }
    return labels;
}

int CPortNames::FindLabel(PortKind kind, const std::string& text) const {
    const auto& labels = Labels(kind);
    std::vector<int> matches;
    for (int i = 0; i < static_cast<int>(labels.size()); ++i) {
        if (labels[static_cast<std::size_t>(i)] == text) {
            matches.push_back(i);
        }
    }
    if (matches.empty()) {
        throw CCtlError(CtlExit::kUsage, std::string("no ") + KindName(kind) + " is labelled '" +
                                             text + "' in " + m_settingsPath);
    }
    if (matches.size() > 1) {
        throw CCtlError(CtlExit::kUsage, "label '" + text + "' names " + KindName(kind) + "s " +
                                             std::to_string(matches[0] + 1) + " and " +
                                             std::to_string(matches[1] + 1) +
                                             "; give the number instead");
    }
    return matches.front();
}

}  // namespace vantel
