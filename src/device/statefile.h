#pragma once
// CStateFile: keeps a whole device (setup block, live routing, stored scenes) in a small text
// file, so a simulated switcher remembers its settings and scenes across restarts as the real
// one does. Saving writes a temporary file beside the target and renames it over the target,
// so a crash leaves either the old or the new file, never a half-written one.
//
// Format (hex bytes, one record a line):
//   vantel-device-state 1
//   setup <80 hex digits>
//   routing <scene 0..11> <2 hex digits per output>
//   end

#include <optional>
#include <string>
#include <string_view>

#include "device/switcher.h"

namespace vantel {

class CStateFile {
public:
    enum class LoadStatus { Loaded, Missing, Corrupt };

    // Files larger than this are not state files of ours.
    static constexpr std::size_t kMaxFileSize = 64 * 1024;

    explicit CStateFile(std::string path) : m_path(std::move(path)) {}

    const std::string& Path() const { return m_path; }

    // Loaded: *device holds the kept device. Missing: no file, *device is untouched.
    // Corrupt: unreadable or invalid content, *error says why and *device is untouched.
    LoadStatus Load(std::optional<CSwitcher>& device, std::string& error) const;
    // Replaces the file atomically. False with *error on failure; the old file then stays.
    bool Save(const CSwitcher& device, std::string& error) const;

    static std::string Serialize(const CSwitcher& device);
    static std::optional<CSwitcher> Parse(std::string_view text, std::string& error);

private:
    std::string m_path;
};

}  // namespace vantel
