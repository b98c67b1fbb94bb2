#include "settings/buttonlabel.h"

#include "settings/inifile.h"
#include "settings/textcodec.h"

namespace vantel {

namespace {

constexpr int kInputKeyBase = 3000;
constexpr int kOutputKeyBase = 2500;

}  // namespace

std::string ButtonLabelKey(ButtonKind kind, int index) {
    return std::to_string((kind == ButtonKind::kInput ? kInputKeyBase : kOutputKeyBase) + index);
}

std::vector<std::string> ReadButtonLabels(CIniFile& ini, ButtonKind kind, UnlabelledAs unlabelled) {
    std::vector<std::pair<std::string, std::string>> keyDefaults;
    for (int i = 0; i < kMaxLabelButtons; ++i) {
        keyDefaults.emplace_back(ButtonLabelKey(kind, i), unlabelled == UnlabelledAs::kNumber
                                                              ? std::to_string(i + 1)
                                                              : std::string());
    }
    return ini.GetStrings(keyDefaults, kLabelSection);
}

namespace {

// The length of the control or line-break character beyond ASCII at text[i] (C1 controls
// U+0080..U+009F, among them NEL U+0085; LINE SEPARATOR U+2028; PARAGRAPH SEPARATOR U+2029),
// 0 for any other. text is valid UTF-8.
std::size_t WideBreakAt(const std::string& text, std::size_t i) {
    const auto at = [&text](std::size_t k) {
        return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u;
    };
    if (at(i) == 0xC2 && at(i + 1) >= 0x80 && at(i + 1) <= 0x9F) {
        return 2;
    }
    if (at(i) == 0xE2 && at(i + 1) == 0x80 && (at(i + 2) == 0xA8 || at(i + 2) == 0xA9)) {
        return 3;
    }
    return 0;
}

}  // namespace

std::string StorableLabel(std::string_view utf8) {
    const std::string valid = ToValidUtf8(utf8);
    std::string label;
    label.reserve(valid.size());
    for (std::size_t i = 0; i < valid.size(); ++i) {
        const auto byte = static_cast<unsigned char>(valid[i]);
        if (const std::size_t wide = WideBreakAt(valid, i); wide > 0) {
            label += ' ';
            i += wide - 1;
        } else {
            // Bytes below 0x80 are always whole characters in UTF-8.
            label += byte < 0x20 || byte == 0x7F ? ' ' : valid[i];
        }
    }
    label.resize(WholeUtf8Prefix(label, kMaxLabelBytes));
    return label;
}

}  // namespace vantel
