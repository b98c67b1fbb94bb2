#include "settingspath.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "ctlerror.h"

namespace vantel {

namespace {

constexpr const char* kSettingsFile = "setup.ini";
constexpr const char* kSettingsFolder = "Vantel";

bool IsFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// The folder of the running program, or empty when it cannot be found.
std::filesystem::path ProgramFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path{} : exe.parent_path();
}

}  // namespace

std::string UserSettingsPath() {
    std::filesystem::path base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && std::filesystem::path(xdg).is_absolute()) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home != nullptr ? home : "") / ".config";
    }
    return (base / kSettingsFolder / kSettingsFile).string();
}

std::string SettingsPathFor(const std::string& configOption) {
    if (!configOption.empty()) {
        if (!IsFile(configOption)) {
            throw CCtlError(CtlExit::kCannotOpen, "cannot open settings file " + configOption);
        }
        return configOption;
    }
    const auto folder = ProgramFolder();
    if (!folder.empty() && IsFile(folder / kSettingsFile)) {
        return (folder / kSettingsFile).string();
    }
    return UserSettingsPath();
}

}  // namespace vantel
