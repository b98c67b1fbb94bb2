#include "hub/labelstore.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <random>

#include "settings/inifile.h"

namespace vantel {

namespace {

constexpr const char* kHubSection = "HUB";
constexpr const char* kNameKey = "name";
constexpr const char* kUniqueIdKey = "uniqueid";
constexpr std::size_t kUniqueIdDigits = 12;

bool IsUniqueId(const std::string& text) {
    return text.size() == kUniqueIdDigits &&
           std::all_of(text.begin(), text.end(),
                       [](unsigned char c) { return std::isxdigit(c) != 0; });
}

std::string NewUniqueId() {
    std::random_device random;
    const auto value = (static_cast<unsigned long long>(random()) << 32) ^ random();
    char text[32];
    std::snprintf(text, sizeof text, "%012llX", value & 0xFFFFFFFFFFFFULL);
    return text;
}

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
    m_friendlyName = ini.GetString(kNameKey, kHubSection, "");
    const std::string id = ini.GetString(kUniqueIdKey, kHubSection, "");
    if (IsUniqueId(id)) {
        m_uniqueId = id;
    }
}

bool CLabelStore::SetFriendlyName(const std::string& name) {
    if (m_path.empty()) {
        return false;
    }
    CIniFile ini(m_path);
    if (ini.SetString(StorableLabel(name), kNameKey, kHubSection) == 0) {
        return false;
    }
    m_read = false;
    return Reload();
}

const std::string& CLabelStore::UniqueId() {
    if (!m_read) {
        Reload();
    }
    if (m_uniqueId.empty()) {
        m_uniqueId = NewUniqueId();
        if (!m_path.empty()) {
            CIniFile ini(m_path);
            ini.SetString(m_uniqueId, kUniqueIdKey, kHubSection);
            m_read = false;
        }
    }
    return m_uniqueId;
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
