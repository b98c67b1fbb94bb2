#pragma once
// CIniFile: typed reads and writes of single keys of one INI file, and the enumeration of its
// section names and of one section's lines. Caches nothing: every read goes to the file and
// every write replaces the file at once, so two instances on one path always agree.

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CIniFile {
public:
    explicit CIniFile(const std::string& strPath);
    virtual ~CIniFile();
    CIniFile(const CIniFile&) = delete;
    CIniFile& operator=(const CIniFile&) = delete;

    // Reads take the key before the section; writes take the value first, then key, section.
    // Writes return nonzero on success and 0 when the file could not be written.
    std::string GetString(const std::string& strKey, const std::string& strSection,
                          const std::string& strDefault);
    int SetString(const std::string& strValue, const std::string& strKey,
                  const std::string& strSection);
    // Sets every key of the list in section in one atomic change of the file: all or none.
    int SetStrings(const std::vector<std::pair<std::string, std::string>>& keyValues,
                   const std::string& strSection);
    // Why SetStrings refuses that list as the file is now, in one sentence; empty when no
    // cause is found. For saying why after a refused SetStrings.
    std::string SetStringsProblem(const std::vector<std::pair<std::string, std::string>>& keyValues,
                                  const std::string& strSection) const;

    // Several keys of one section, each read as GetString reads it, from one read of the file:
    // the value of keyDefaults[i].first, or keyDefaults[i].second when it has none.
    std::vector<std::string> GetStrings(
        const std::vector<std::pair<std::string, std::string>>& keyDefaults,
        const std::string& strSection);

    int GetInt(const std::string& strKey, const std::string& strSection, int nDefault);
    int SetInt(int nValue, const std::string& strKey, const std::string& strSection);

    std::uint32_t GetHex(const std::string& strKey, const std::string& strSection,
                         std::uint32_t dwDefault, unsigned nWidth);
    int SetHex(std::uint32_t dwValue, const std::string& strKey, const std::string& strSection,
               unsigned nWidth);

    int GetBool(const std::string& strKey, const std::string& strSection, int bDefault);
    int SetBool(int bValue, const std::string& strKey, const std::string& strSection);

    // Nonzero when the section holds at least one key.
    int SectionExists(const std::string& strSection);

    // Both append to the object's own list (never emptied here) and return it.
    std::list<std::string>* GetSectionNames();
    std::list<std::string>* GetSectionData(const std::string& strSection);

    std::unique_ptr<std::list<std::string>> m_pSectionData;
    std::unique_ptr<std::list<std::string>> m_pSectionNames;
    // Result of the last profile call: characters copied for a read (all values together for
    // GetStrings), success flag for a write.
    int m_nResult = 0;
    const std::string m_strPath;

private:
    void AppendEntries(const char* buffer, std::list<std::string>& list) const;
};
