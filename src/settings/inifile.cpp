#include "settings/inifile.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "settings/profile.h"

namespace {

// Buffer sizes of the profile calls: values and section names, key names (SectionExists),
// section lines.
constexpr unsigned kValueBufferSize = 255;
constexpr unsigned kKeyListBufferSize = 90;
constexpr unsigned kSectionDataBufferSize = 512;

// Widest hexadecimal text written: nothing longer can be read back (values are cut to 254).
constexpr unsigned kMaxHexWidth = kValueBufferSize - 1;

// The changes of a key list as the profile functions take them (pointing into the list).
std::vector<vantel::ProfileKeyValue> profile_changes(
    const std::vector<std::pair<std::string, std::string>>& keyValues) {
    std::vector<vantel::ProfileKeyValue> changes;
    changes.reserve(keyValues.size());
    for (const auto& [key, value] : keyValues) {
        changes.push_back({key.c_str(), value.c_str()});
    }
    return changes;
}

bool is_space(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Skips leading white space and reads an optional sign; returns true for '-'.
bool skip_to_digits(const char*& p) {
    while (is_space(*p)) {
        ++p;
    }
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') {
        ++p;
    }
    return negative;
}

// "%d": a decimal number after white space and an optional sign; anything else reads as 0.
// Out-of-range numbers saturate at the int limits.
int parse_decimal(const std::string& text) {
    const char* p = text.c_str();
    bool negative = skip_to_digits(p);
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = std::min<long long>(value * 10 + (*p - '0'), 1LL + INT_MAX);
    }
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// "%x": hexadecimal digits of either case after white space, an optional sign and an optional
// 0x prefix; a '-' negates modulo 2^32. Too many digits saturate at 0xFFFFFFFF.
std::uint32_t parse_hex(const std::string& text) {
    const char* p = text.c_str();
    bool negative = skip_to_digits(p);
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && hex_digit(p[2]) >= 0) {
        p += 2;
    }
    std::uint64_t value = 0;
    for (int digit; (digit = hex_digit(*p)) >= 0; ++p) {
        value = std::min<std::uint64_t>(value * 16 + static_cast<unsigned>(digit), UINT32_MAX);
    }
    auto result = static_cast<std::uint32_t>(value);
    return negative ? 0u - result : result;
}

std::string format_decimal(int value) {
    return std::to_string(value);
}

// Upper-case hexadecimal, zero-padded to at least width digits ("%0<width>X").
std::string format_hex(std::uint32_t value, unsigned width) {
    char digits[9];
    int n = std::snprintf(digits, sizeof digits, "%X", value);
    std::string text(std::max<std::size_t>(std::min(width, kMaxHexWidth), n) - n, '0');
    return text.append(digits, static_cast<std::size_t>(n));
}

}  // namespace

CIniFile::CIniFile(const std::string& strPath)
    : m_pSectionData(std::make_unique<std::list<std::string>>()),
      m_pSectionNames(std::make_unique<std::list<std::string>>()),
      m_strPath(strPath) {}

CIniFile::~CIniFile() = default;

std::string CIniFile::GetString(const std::string& strKey, const std::string& strSection,
                                const std::string& strDefault) {
    char buffer[kValueBufferSize];
    m_nResult = static_cast<int>(vantel::GetPrivateProfileString(strSection.c_str(), strKey.c_str(),
                                                                 strDefault.c_str(), buffer,
                                                                 sizeof buffer, m_strPath.c_str()));
    return std::string(buffer, static_cast<std::size_t>(m_nResult));
}

std::vector<std::string> CIniFile::GetStrings(
    const std::vector<std::pair<std::string, std::string>>& keyDefaults,
    const std::string& strSection) {
    std::vector<vantel::ProfileKeyDefault> reads;
    reads.reserve(keyDefaults.size());
    for (const auto& [key, def] : keyDefaults) {
        reads.push_back({key.c_str(), def.c_str()});
    }
    std::vector<std::string> values = vantel::GetPrivateProfileStrings(
        strSection.c_str(), reads, kValueBufferSize, m_strPath.c_str());
    m_nResult = 0;
    for (const std::string& value : values) {
        m_nResult += static_cast<int>(value.size());
    }
    return values;
}

int CIniFile::SetString(const std::string& strValue, const std::string& strKey,
                        const std::string& strSection) {
    m_nResult = vantel::WritePrivateProfileString(strSection.c_str(), strKey.c_str(),
                                                  strValue.c_str(), m_strPath.c_str());
    return m_nResult;
}

int CIniFile::SetStrings(const std::vector<std::pair<std::string, std::string>>& keyValues,
                         const std::string& strSection) {
    m_nResult = vantel::WritePrivateProfileStrings(strSection.c_str(), profile_changes(keyValues),
                                                   m_strPath.c_str());
    return m_nResult;
}

std::string CIniFile::SetStringsProblem(
    const std::vector<std::pair<std::string, std::string>>& keyValues,
    const std::string& strSection) const {
    return vantel::PrivateProfileWriteProblem(strSection.c_str(), profile_changes(keyValues),
                                              m_strPath.c_str());
}

int CIniFile::GetInt(const std::string& strKey, const std::string& strSection, int nDefault) {
    return parse_decimal(GetString(strKey, strSection, format_decimal(nDefault)));
}

int CIniFile::SetInt(int nValue, const std::string& strKey, const std::string& strSection) {
    return SetString(format_decimal(nValue), strKey, strSection);
}

std::uint32_t CIniFile::GetHex(const std::string& strKey, const std::string& strSection,
                               std::uint32_t dwDefault, unsigned nWidth) {
    return parse_hex(GetString(strKey, strSection, format_hex(dwDefault, nWidth)));
}

int CIniFile::SetHex(std::uint32_t dwValue, const std::string& strKey,
                     const std::string& strSection, unsigned nWidth) {
    return SetString(format_hex(dwValue, nWidth), strKey, strSection);
}

int CIniFile::GetBool(const std::string& strKey, const std::string& strSection, int bDefault) {
    return GetString(strKey, strSection, bDefault != 0 ? "1" : "0") != "0" ? 1 : 0;
}

int CIniFile::SetBool(int bValue, const std::string& strKey, const std::string& strSection) {
    return SetString(bValue != 0 ? "1" : "0", strKey, strSection);
}

int CIniFile::SectionExists(const std::string& strSection) {
    char buffer[kKeyListBufferSize];
    m_nResult = static_cast<int>(vantel::GetPrivateProfileString(
        strSection.c_str(), nullptr, "", buffer, sizeof buffer, m_strPath.c_str()));
    return m_nResult > 0 ? 1 : 0;
}

std::list<std::string>* CIniFile::GetSectionNames() {
    char buffer[kValueBufferSize];
    m_nResult = static_cast<int>(
        vantel::GetPrivateProfileSectionNames(buffer, sizeof buffer, m_strPath.c_str()));
    AppendEntries(buffer, *m_pSectionNames);
    return m_pSectionNames.get();
}

std::list<std::string>* CIniFile::GetSectionData(const std::string& strSection) {
    char buffer[kSectionDataBufferSize];
    m_nResult = static_cast<int>(vantel::GetPrivateProfileSection(
        strSection.c_str(), buffer, sizeof buffer, m_strPath.c_str()));
    AppendEntries(buffer, *m_pSectionData);
    return m_pSectionData.get();
}

void CIniFile::AppendEntries(const char* buffer, std::list<std::string>& list) const {
    // Only entries whose NUL lies within the count are complete.
    std::string entry;
    for (int i = 0; i < m_nResult; ++i) {
        if (buffer[i] != '\0') {
            entry.push_back(buffer[i]);
        } else if (!entry.empty()) {
            list.push_back(entry);
            entry.clear();
        }
    }
}
