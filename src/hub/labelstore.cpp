#include "hub/labelstore.h"

#include "settings/inifile.h"

namespace vantel {

namespace {

std::vector<std::string> Numbers() {
    std::vector<std::string> names;
    for (int i = 0; i < kMaxLabelButtons; ++i) {
        names.push_back(std::to_string(i + 1));
    }
    return names;
}

}  // namespace

CLabelStore::CLabelStore(std::string path)
    : m_path(std::move(path)), m_inputs(Numbers()), m_outputs(Numbers()) {}

bool CLabelStore::Reload() {
    if (m_path.empty()) {
        return false;
    }
    struct stat st {};
    if (::stat(m_path.c_str(), &st) != 0) {
        return false;
    }
    const Stamp stamp{st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    if (m_read && stamp == m_stamp) {
        return false;
    }
    m_stamp = stamp;
    m_read = true;
    Read();
    return true;
}

void CLabelStore::Read() {
    CIniFile ini(m_path);
    m_inputs = ReadButtonLabels(ini, ButtonKind::kInput, UnlabelledAs::kNumber);
    m_outputs = ReadButtonLabels(ini, ButtonKind::kOutput, UnlabelledAs::kNumber);
}

const std::vector<std::string>& CLabelStore::Labels(ButtonKind kind) const {
    return kind == ButtonKind::kInput ? m_inputs : m_outputs;
}

bool CLabelStore::Set(ButtonKind kind, const std::vector<std::pair<int, std::string>>& labels) {
    if (m_path.empty()) {
        return false;
    }
    std::vector<std::pair<std::string, std::string>> keyValues;
    for (const auto& [index, text] : labels) {
        if (index < 0 || index >= kMaxLabelButtons) {
            return false;
        }
        keyValues.emplace_back(ButtonLabelKey(kind, index), StorableLabel(text));
    }
    CIniFile ini(m_path);
    if (ini.SetStrings(keyValues, kLabelSection) == 0) {
        return false;
    }
    m_read = false;  // read back what the file now holds
    return Reload();
}

}  // namespace vantel
