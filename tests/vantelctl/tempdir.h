#pragma once
// CTempDir: a fresh folder under the system's temporary folder, removed with everything in it
// when the object goes.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>

namespace vantel {

class CTempDir {
public:
    CTempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vantelctl-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        m_path = pattern;
    }
    ~CTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

    // Writes text to the file name inside the folder (folders on the way are created) and
    // returns its path.
    std::string Write(const std::string& name, const std::string& text) const {
        const auto path = m_path / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

private:
    std::filesystem::path m_path;
};

}  // namespace vantel
