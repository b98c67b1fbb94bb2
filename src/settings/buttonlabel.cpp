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

std::string StorableLabel(std::string_view utf8) {
    std::string label = ToValidUtf8(utf8);
    for (char& c : label) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = ' ';  // bytes below 0x80 are always whole characters in UTF-8
        }
    }
    label.resize(WholeUtf8Prefix(label, kMaxLabelBytes));
    return label;
}

}  // namespace vantel
