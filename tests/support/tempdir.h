#pragma once
// A fresh folder under the system's temporary folder for one test, removed with everything in
// it afterwards (its permissions put back first, for tests that take them away), and helpers
// to read and write whole files byte for byte. No Qt: the settings and vantelctl tests use it.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>

namespace vantel::test {

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool RunningAsRoot() {
    return ::geteuid() == 0;
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vantel-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        m_path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The path of the file name inside the folder.
    std::string File(const std::string& name) const { return (m_path / name).string(); }
    // Writes text to the file name inside the folder (folders on the way are created) and
    // returns its path.
    std::string Write(const std::string& name, const std::string& text) const {
        const auto path = m_path / name;
        std::filesystem::create_directories(path.parent_path());
        WriteFile(path.string(), text);
        return path.string();
    }

private:
    std::filesystem::path m_path;
};

}  // namespace vantel::test
